// Owns a kernel HANDLE (file, device) and closes it once, when the owner is done with it.
#pragma once

#include <windows.h>

#include <utility>

namespace qel {

class UniqueHandle {
public:
    UniqueHandle() = default;
    // Takes ownership; INVALID_HANDLE_VALUE and nullptr both mean "no handle".
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }

    HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

    // Closes the handle now; false when the system reports a failure (a write that could not
    // be flushed, for one). Either way the handle is gone afterwards.
    bool Close() {
        if (!Valid()) {
            return true;
        }
        return ::CloseHandle(Release()) != FALSE;
    }

    void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        Close();
        handle_ = handle;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace qel
