// Access lists and owners of the files and folders the installer takes over, through their
// handles: written as the plan builds them (UpgradePlan.h), read back for the checks. The
// lists are set on the object alone: nothing is pushed down to what a folder already holds,
// where a hard link could carry it to a file elsewhere.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "UpgradePlan.h"

namespace setup {

// Gives the object the owner Administrators and the list; the handle needs WRITE_DAC and
// WRITE_OWNER. ERROR_SUCCESS or the system's error.
DWORD ApplyList(HANDLE handle, const AccessList& list);

// The object's owner and list (the handle needs READ_CONTROL); entry types the plan does not
// know come back as allow entries of every right for no one, which no check trusts.
DWORD ReadList(HANDLE handle, std::string& ownerSid, std::vector<AccessEntry>& entries);

// The account this process runs as, in string form; "" when it cannot be told.
std::string ProcessUserSid();

}  // namespace setup
