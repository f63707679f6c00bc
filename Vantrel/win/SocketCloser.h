// Shuts a socket down at a deadline, from a thread of its own, so that whatever waits on the
// socket (a library's own waits included) returns at once. The deadline is on the steady clock
// and the wait on the system's interrupt time: a wall clock set back or forward changes neither.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace qel {

class SocketCloser {
public:
    SocketCloser() = default;
    SocketCloser(const SocketCloser&) = delete;
    SocketCloser& operator=(const SocketCloser&) = delete;
    ~SocketCloser() { Stop(); }

    // Watches `socket` (which must stay open until Stop) until `deadline`. False when no thread
    // could be started: the caller then has no closer and must not wait without a limit.
    bool Watch(UINT_PTR socket, std::chrono::steady_clock::time_point deadline);
    // Shuts the socket down now, both ways: every wait on it ends, nothing more is sent.
    void CloseNow();
    // Ends the watch; the socket is left as it is unless the deadline or CloseNow shut it.
    void Stop();
    // The socket was shut down (at the deadline or by CloseNow).
    bool Closed() const { return closed_.load(); }

private:
    void WatchUntil(std::chrono::steady_clock::time_point deadline) noexcept;

    UINT_PTR socket_ = ~UINT_PTR{0};
    HANDLE stop_ = nullptr;
    std::atomic<bool> closed_{false};
    std::thread watcher_;
};

}  // namespace qel
