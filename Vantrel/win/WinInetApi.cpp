// The four WinINet calls of the upload by session, passed through to wininet.dll, each bounded
// in time.
#include "WinInetApi.h"

#include <wininet.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "InternetWaits.h"

namespace qel {
namespace {

HINTERNET ToNative(InternetApi::Handle handle) {
    return reinterpret_cast<HINTERNET>(handle);
}

InternetApi::Handle FromNative(HINTERNET handle) {
    return reinterpret_cast<InternetApi::Handle>(handle);
}

// One blocking call, run on a thread of its own so the caller can stop waiting for it. The
// state is shared, so whichever of the two ends last frees it.
struct BoundedCall {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    InternetApi::Handle result = 0;
    DWORD error = 0;
};

// Runs `call` (which returns a handle, or 1/0 for a Boolean) and waits at most the limit. On
// time-out the result is 0 with ERROR_INTERNET_TIMEOUT, and `discard` receives whatever the
// call returns later.
InternetApi::Handle CallWithin(const std::function<InternetApi::Handle()>& call,
                               const std::function<void(InternetApi::Handle)>& discard,
                               DWORD& error) {
    auto state = std::make_shared<BoundedCall>();
    try {
        std::thread([state, call, discard] {
            const InternetApi::Handle result = call();
            const DWORD callError = result ? 0 : GetLastError();
            std::unique_lock lock(state->mutex);
            if (state->abandoned) {
                lock.unlock();
                if (result) {
                    discard(result);
                }
                return;
            }
            state->done = true;
            state->result = result;
            state->error = callError;
            state->finished.notify_one();
        }).detach();
    } catch (const std::exception&) {
        // No thread to be had: make the call here, unbounded, rather than not at all.
        const InternetApi::Handle result = call();
        error = result ? 0 : GetLastError();
        return result;
    }
    std::unique_lock lock(state->mutex);
    if (!state->finished.wait_for(lock, std::chrono::milliseconds(kInternetWaitLimitMs),
                                  [&] { return state->done; })) {
        state->abandoned = true;
        error = ERROR_INTERNET_TIMEOUT;
        return 0;
    }
    error = state->error;
    return state->result;
}

}  // namespace

void WinInetApi::Record(bool succeeded) {
    lastError_ = succeeded ? 0 : GetLastError();
}

InternetApi::Handle WinInetApi::Open(const std::string& agent) {
    HINTERNET session =
        InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    Record(session != nullptr);
    if (session != nullptr) {
        LimitInternetWaits(session);
    }
    return FromNative(session);
}

InternetApi::Handle WinInetApi::ConnectFtp(Handle session, const std::string& server, int port,
                                           const std::string& user, const std::string& password,
                                           bool passive) {
    const auto connect = [=] {
        return FromNative(InternetConnectA(
            ToNative(session), server.c_str(), static_cast<INTERNET_PORT>(port), user.c_str(),
            password.c_str(), INTERNET_SERVICE_FTP, passive ? INTERNET_FLAG_PASSIVE : 0, 0));
    };
    const auto close = [](Handle late) { InternetCloseHandle(ToNative(late)); };
    return CallWithin(connect, close, lastError_);
}

bool WinInetApi::PutFile(Handle connection, const std::string& localPath,
                         const std::string& remotePath, bool binary) {
    const auto put = [=]() -> Handle {
        return FtpPutFileA(ToNative(connection), localPath.c_str(), remotePath.c_str(),
                           binary ? FTP_TRANSFER_TYPE_BINARY : FTP_TRANSFER_TYPE_ASCII, 0)
                   ? 1
                   : 0;
    };
    return CallWithin(
               put, [](Handle) {}, lastError_) != 0;
}

void WinInetApi::CloseHandle(Handle handle) {
    Record(InternetCloseHandle(ToNative(handle)) != FALSE);
}

}  // namespace qel
