// Shuts a socket down at a deadline, from a thread of its own.
#include <winsock2.h>

#include "SocketCloser.h"

#include <algorithm>

namespace qel {

bool SocketCloser::Watch(UINT_PTR socket, std::chrono::steady_clock::time_point deadline) {
    Stop();
    socket_ = socket;  // CloseNow works even without a watcher
    closed_.store(false);
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stop_ == nullptr) {
        return false;
    }
    try {
        watcher_ = std::thread(&SocketCloser::WatchUntil, this, deadline);
    } catch (...) {
        CloseHandle(stop_);
        stop_ = nullptr;
        return false;
    }
    return true;
}

void SocketCloser::WatchUntil(std::chrono::steady_clock::time_point deadline) noexcept {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            CloseNow();
            return;
        }
        // In slices, so that a far deadline needs no conversion that could overflow.
        const auto slice = static_cast<DWORD>(std::min<long long>(left.count(), 60000));
        if (WaitForSingleObject(stop_, slice) != WAIT_TIMEOUT) {
            return;
        }
    }
}

void SocketCloser::CloseNow() {
    if (socket_ != ~UINT_PTR{0} && !closed_.exchange(true)) {
        shutdown(static_cast<SOCKET>(socket_), SD_BOTH);
    }
}

void SocketCloser::Stop() {
    if (watcher_.joinable()) {
        SetEvent(stop_);
        watcher_.join();
    }
    if (stop_ != nullptr) {
        CloseHandle(stop_);
        stop_ = nullptr;
    }
}

}  // namespace qel
