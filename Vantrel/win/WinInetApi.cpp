// The four WinINet calls of the upload by session, passed through to wininet.dll, each bounded
// in time.
#include "WinInetApi.h"

#include <wininet.h>

#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "InternetWaits.h"
#include "PathText.h"
#include "UniqueHandle.h"

namespace qel {
namespace {

HINTERNET ToNative(InternetApi::Handle handle) {
    return reinterpret_cast<HINTERNET>(handle);
}

InternetApi::Handle FromNative(HINTERNET handle) {
    return reinterpret_cast<InternetApi::Handle>(handle);
}

// Waits for the event, up to the limit, handling only the messages other threads and programs
// send meanwhile (Windows asking whether the session may end, and ending it): posted messages,
// input and commands stay queued, so nothing can start another upload under this one.
bool WaitHandlingSentMessages(HANDLE event, DWORD limitMs) {
    const ULONGLONG deadline = GetTickCount64() + limitMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD woke = MsgWaitForMultipleObjects(1, &event, FALSE, left, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0) {
            return true;
        }
        if (woke != WAIT_OBJECT_0 + 1) {
            return false;  // the time is up (or the wait failed)
        }
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

// One blocking call, run on a thread of its own so the caller can stop waiting for it. The
// state is shared, so whichever of the two ends last frees it.
struct BoundedCall {
    std::mutex mutex;
    UniqueHandle finished{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    bool done = false;
    bool abandoned = false;
    bool sessionClosed = false;  // its session was closed after it was given up on
    InternetApi::Handle result = 0;
    DWORD error = 0;
};

InternetApi::Handle WinInetApi::CallWithin(const std::function<Handle()>& call,
                                           const std::function<void(Handle)>& discard) {
    if (StillWorking()) {
        lastError_ = ERROR_INTERNET_TIMEOUT;  // the caller waits for the abandoned call first
        return 0;
    }
    abandoned_.reset();
    auto state = std::make_shared<BoundedCall>();
    if (!state->finished) {
        lastError_ = GetLastError();
        return 0;
    }
    try {
        std::thread([state, call, discard] {
            const Handle result = call();
            const DWORD callError = result ? 0 : GetLastError();
            std::unique_lock lock(state->mutex);
            state->done = true;
            state->result = result;
            state->error = callError;
            SetEvent(state->finished.Get());
            // Under the lock: the session's close, which frees what the call made, is not
            // under way beside it, and has not happened if the flag is clear.
            if (state->abandoned && !state->sessionClosed && result) {
                discard(result);
            }
        }).detach();
    } catch (const std::exception&) {
        // No thread to be had. The call is not made on the window's thread instead: it could
        // hold the window for as long as the host lets it.
        lastError_ = ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    const bool finished = WaitHandlingSentMessages(state->finished.Get(), kInternetWaitLimitMs);
    std::lock_guard lock(state->mutex);
    if (!finished && !state->done) {
        state->abandoned = true;
        abandoned_ = state;
        lastError_ = ERROR_INTERNET_TIMEOUT;
        return 0;
    }
    lastError_ = state->error;
    return state->result;
}

bool WinInetApi::StillWorking() const {
    if (!abandoned_) {
        return false;
    }
    std::lock_guard lock(abandoned_->mutex);
    return !abandoned_->done;
}

void WinInetApi::Record(bool succeeded) {
    lastError_ = succeeded ? 0 : GetLastError();
}

InternetApi::Handle WinInetApi::Open(const std::string& agent) {
    HINTERNET session =
        InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    Record(session != nullptr);
    if (session != nullptr) {
        LimitInternetWaits(session);
        session_ = FromNative(session);
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
    return CallWithin(connect, close);
}

bool WinInetApi::PutFile(Handle connection, const std::string& localPath,
                         const std::string& remotePath, bool binary) {
    const auto put = [=]() -> Handle {
        // The remote name is ANSI text, as typed; the system sends it in its code page.
        return FtpPutFileW(ToNative(connection), pellucor::Wide(localPath).c_str(),
                           pellucor::Wide(pellucor::Utf8FromAnsi(remotePath)).c_str(),
                           binary ? FTP_TRANSFER_TYPE_BINARY : FTP_TRANSFER_TYPE_ASCII, 0)
                   ? 1
                   : 0;
    };
    return CallWithin(put, [](Handle) {}) != 0;
}

void WinInetApi::CloseHandle(Handle handle) {
    if (handle == 0 || handle != session_ || !abandoned_) {
        if (handle == session_) {
            session_ = 0;
        }
        Record(InternetCloseHandle(ToNative(handle)) != FALSE);
        return;
    }
    // The session of a call given up on: closing it cancels the call, and with it go the
    // handles the call makes, which are then never closed again. The call is ours no longer.
    session_ = 0;
    const std::shared_ptr<BoundedCall> call = std::exchange(abandoned_, nullptr);
    std::lock_guard lock(call->mutex);
    call->sessionClosed = true;
    Record(InternetCloseHandle(ToNative(handle)) != FALSE);
}

}  // namespace qel
