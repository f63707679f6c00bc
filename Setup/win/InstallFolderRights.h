// The install folder's access list. An earlier version let the local Users group modify the
// folder so that Qel could keep its settings there; with that right any user could replace
// Qel.exe, plant a DLL beside it, or swap the folder for a link that the elevated uninstaller
// and installer would then follow. Qel now keeps each user's settings in that user's own folder,
// and the installer takes the old entry away again: the folder keeps the rights it inherits from
// Program Files.
#pragma once

#include <windows.h>

#include <string>

#include "OwnedHandle.h"

namespace setup {

// Rights that let their holder change a file or folder: its content, what it holds, its
// attributes, its access list or its owner.
constexpr DWORD kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

using UniqueAcl = pellucor::LocalMemory<ACL>;

// True when an allow entry of the list, its own or inherited, gives Users any change right.
bool GrantsUsersChanges(PACL dacl);

// The list without its own allow entries that give Users a change right; every other entry is
// kept in its place. Null when the list could not be built.
UniqueAcl WithoutUsersChanges(PACL existing);

// Takes those entries off the folder's access list (the folder's files then inherit the
// change); ERROR_SUCCESS when there were none, or the system's error code.
DWORD RemoveUsersChanges(const std::string& folder);

}  // namespace setup
