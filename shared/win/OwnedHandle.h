// Owners for the kernel handles and system-allocated memory the installer and uninstaller use,
// so each is released exactly once.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace pellucor {

struct HandleClose {
    void operator()(HANDLE handle) const {
        if (handle && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};
using OwnedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleClose>;

// A file handle from CreateFileA; empty when the open failed.
inline OwnedHandle OwnFile(HANDLE handle) {
    return OwnedHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct LocalMemoryFree {
    void operator()(void* memory) const { LocalFree(memory); }
};
template <typename T>
using LocalMemory = std::unique_ptr<T, LocalMemoryFree>;

}  // namespace pellucor
