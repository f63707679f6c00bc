// For the programs that run with administrator rights, called first thing: every DLL loaded
// later (by the program or by the system on its behalf) comes from the system folder only,
// never from the folder the program was started from, where a standard user may have put one.
// Their own imports are all KnownDLLs, which the loader takes from the system folder anyway.
#pragma once

#include <windows.h>

namespace pellucor {

// Windows 7 and Server 2008 R2 learnt to restrict the search with this update.
constexpr const char* kMissingDllUpdateText =
    "This program needs the Windows update KB2533623, which lets a program load DLLs from the "
    "system folder only. Without it, a DLL left in the folder this program was started from "
    "would run with administrator rights.\r\n\r\nInstall the update from Windows Update (it is "
    "part of every later update of Windows 7), then run this program again.";

// False where the system cannot restrict the search: the program must then not run on.
inline bool LoadDllsFromSystemFolderOnly() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDirectories = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDirectories && setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return true;
    }
    SetDllDirectoryW(L"");  // at least not the current folder while the refusal is shown
    return false;
}

// Says which update is missing. The system draws this box itself (a service notification), so
// nothing more is loaded into the process, where the program's own folder would still be
// searched first.
inline void RefuseWithoutDllSearchUpdate(const char* title) {
    MessageBoxA(nullptr, kMissingDllUpdateText, title,
                MB_OK | MB_ICONSTOP | MB_SERVICE_NOTIFICATION);
}

}  // namespace pellucor
