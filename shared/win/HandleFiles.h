// Files and folders reached through handles that do not follow links, for the two programs
// that run with administrator rights: what a handle really is and where it really lies is
// asked of the handle, and a deletion goes through the same handle, so nothing can be swapped
// between the check and the change. Paths are UTF-8 (PathText.h).
#pragma once

#include <windows.h>

#include <string>

#include "OwnedHandle.h"

namespace pellucor {

// Opens a file or folder itself, never what a link in its place points to (where the system
// can tell: Wine opens a Unix link's target, which FinalPath then shows). `access` is what the
// caller needs; sharing allows reading and writing by others, never deleting or renaming.
OwnedHandle OpenNoFollow(const std::string& path, DWORD access);

// The handle's attributes (FILE_ATTRIBUTE_*); INVALID_FILE_ATTRIBUTES when unknown.
DWORD HandleAttributes(HANDLE handle);

// Where the open file or folder really is, as a DOS path without the "\\?\" prefix; "" when
// the system cannot say.
std::string FinalPath(HANDLE handle);

// Paths compared as the file system compares names (case-insensitive).
bool SamePath(const std::string& a, const std::string& b);

// True when `path` names an entry directly inside `folder` (no trailing backslash needed).
bool LiesDirectlyIn(const std::string& path, const std::string& folder);

// Deletes the open file or empty folder. A read-only file loses that attribute first, unless it
// has other names (hard links), whose file is left as it is. False with the system's error.
bool DeleteThrough(HANDLE handle);

}  // namespace pellucor
