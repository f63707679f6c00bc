// Folder and window helpers every program carries: shell folders, the Windows and System
// folders, a file test that sees hidden and system files, and centring a window on the screen.
// Paths are UTF-8 (PathText.h).
#pragma once

#include <windows.h>

#include <string>

namespace pellucor {

// The path of a shell folder (a CSIDL number), ending in "\"; "" when the shell cannot give one.
std::string SpecialFolderPath(int csidl);

struct SystemFolders {
    std::string WindowsDir;  // ending in "\"
    std::string SystemDir;   // ending in "\"
};

SystemFolders FindSystemFolders();

// True when the path (wildcards allowed) names at least one file, hidden and system files
// included; false for folders, missing files and unusable names. Never throws.
bool FileExists(std::string path);

// Places a top-level window in the middle of the primary screen, never at a negative position.
void CenterForm(HWND window);

}  // namespace pellucor
