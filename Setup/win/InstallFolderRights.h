// Lets the local Users group modify the install folder and everything made in it. Qel runs
// without elevation and keeps its settings and host profiles beside itself; without this it
// could not save them under Program Files.
#pragma once

#include <windows.h>

#include <string>

#include "OwnedHandle.h"

namespace setup {

// "Modify": read, write, execute and delete, but not change the rights or take ownership.
constexpr DWORD kModifyRights =
    FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
constexpr BYTE kInheritedBySubfoldersAndFiles = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

using UniqueAcl = pellucor::LocalMemory<ACL>;

// The given access list with an entry that grants Users modify rights, inherited by the
// folder's subfolders and files; null when the list could not be built.
UniqueAcl WithUsersModify(PACL existing);

// True when the list has an allow entry for Users with at least modify rights that files and
// subfolders inherit.
bool GrantsUsersModify(PACL dacl);

// Adds the entry to the folder's access list; ERROR_SUCCESS or the system's error code.
DWORD GrantUsersModify(const std::string& folder);

}  // namespace setup
