// The install folder made as safe as a fresh install leaves it, and its files replaced, all
// through handles that do not follow links (HandleFiles.h). An earlier version let every user
// change the folder: an upgrade takes over the folder (owner Administrators, no entry that lets
// anyone untrusted change anything), deletes whatever it does not ship or keep, resets the
// rights of what it keeps, and replaces its own files by new ones (new owner, inherited
// rights) rather than writing into files someone else may own.
#pragma once

#include <windows.h>

#include <string>

#include "UpgradePlan.h"

namespace setup {

// Takes the object behind the handle over: owner Administrators, the access list rewritten by
// the plan (EntriesKept) and inheriting from its parent. The handle needs READ_CONTROL,
// WRITE_DAC and WRITE_OWNER. ERROR_SUCCESS or the system's error.
DWORD ResetRights(HANDLE handle, AccessTarget target);

// After the held install folder (`folder`, its real path without trailing backslash) has been
// taken over: deletes every entry the installer neither ships nor keeps (subfolders with all
// they hold, links as links) and resets the rights of the files it keeps. False when something
// could not be made safe; `problem` then says what, for the user.
bool ClearFolder(const std::string& folder, std::string& problem);

// Replaces `name` in `folder` (real path, no trailing backslash) by a new file holding `bytes`:
// the old file is deleted through its handle, then the new one is created. ERROR_SUCCESS or
// the system's error (a file in use stays as it is).
DWORD ReplaceFile(const std::string& folder, const std::string& name, const std::string& bytes);

}  // namespace setup
