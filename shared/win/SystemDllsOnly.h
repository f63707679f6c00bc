// For the programs that run with administrator rights, called first thing: every DLL loaded
// later (by the program or by the system on its behalf) comes from the system folder only,
// never from the folder the program was started from, where a standard user may have put one.
// Their own imports are all KnownDLLs, which the loader takes from the system folder anyway.
#pragma once

#include <windows.h>

namespace pellucor {

inline void LoadDllsFromSystemFolderOnly() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDirectories = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (!setDirectories || !setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        SetDllDirectoryW(L"");  // older systems: at least not the current folder
    }
}

}  // namespace pellucor
