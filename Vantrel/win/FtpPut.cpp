// One FTP upload with WinINet from start to end: session, passive connection, binary put of
// bytes held in memory.
#include "FtpPut.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "HostProfile.h"
#include "InternetWaits.h"
#include "TransferOperation.h"
#include "Win32Error.h"

namespace qel {
namespace {

constexpr char kAgent[] = "Qel";

// Owns the upload's WinINet session and closes it at the upload's deadline from a thread of its
// own: closing a handle makes the calls blocked on it (and on the handles made from it) return,
// so a host that trickles its replies cannot hold the upload past its limit.
class SessionWithDeadline {
public:
    SessionWithDeadline(HINTERNET session, std::chrono::steady_clock::time_point deadline)
        : session_(session) {
        if (session_ != nullptr && deadline != std::chrono::steady_clock::time_point::max()) {
            watcher_ = std::thread([this, deadline] { CloseAt(deadline); });
        }
    }
    SessionWithDeadline(const SessionWithDeadline&) = delete;
    SessionWithDeadline& operator=(const SessionWithDeadline&) = delete;
    ~SessionWithDeadline() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        if (watcher_.joinable()) {
            watcher_.join();
        }
        if (!closed_ && session_ != nullptr) {
            InternetCloseHandle(session_);
        }
    }
    HINTERNET get() const { return session_; }
    explicit operator bool() const { return session_ != nullptr; }

    // Closes a handle made from the session, unless the watcher closed the session first: that
    // freed its children too, and a second close would hit a handle that is gone (or reused).
    // The close itself runs outside the lock: closing the file waits for the host's verdict,
    // and the watcher must be free to cancel that wait at the deadline.
    bool CloseChild(HINTERNET child) {
        {
            const std::lock_guard lock(mutex_);
            if (closed_) {
                SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
                return false;
            }
        }
        return InternetCloseHandle(child) != FALSE;
    }

private:
    void CloseAt(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(mutex_);
        // Under the lock: a child close that has not yet looked at closed_ sees it set.
        if (!wake_.wait_until(lock, deadline, [this] { return done_; })) {
            closed_ = true;
            InternetCloseHandle(session_);
        }
    }

    HINTERNET session_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool closed_ = false;  // by the watcher, at the deadline
    std::thread watcher_;
};

// A connection or file handle of the session, closed once, through the session.
class ChildHandle {
public:
    ChildHandle(SessionWithDeadline& session, HINTERNET handle)
        : session_(session), handle_(handle) {}
    ChildHandle(const ChildHandle&) = delete;
    ChildHandle& operator=(const ChildHandle&) = delete;
    ~ChildHandle() { Close(); }
    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // False when the close failed, or the session's closing had taken the handle already.
    bool Close() {
        return handle_ != nullptr && session_.CloseChild(std::exchange(handle_, nullptr));
    }

private:
    SessionWithDeadline& session_;
    HINTERNET handle_;
};
constexpr std::size_t kChunk = 64 * 1024;

// Multi-line replies become one line for the status line.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    const auto end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

// The server's last reply on this thread ("530 Login incorrect."), "" when there is none.
std::string ServerReply() {
    std::string buffer(512, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD code = 0;
        auto length = static_cast<DWORD>(buffer.size());
        if (InternetGetLastResponseInfoA(&code, buffer.data(), &length)) {
            buffer.resize(length);
            return OneLine(std::move(buffer));
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return {};
        }
        buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
    }
    return {};
}

// Only these failures come from an answer of the server; after the others the reply buffer
// may still hold an older answer (a "230 Login successful." before a failed put, say).
bool ServerAnswered(DWORD code) {
    switch (code) {
        case ERROR_INTERNET_EXTENDED_ERROR:
        case ERROR_INTERNET_INCORRECT_USER_NAME:
        case ERROR_INTERNET_INCORRECT_PASSWORD:
        case ERROR_INTERNET_LOGIN_FAILURE:
            return true;
        default:
            return false;
    }
}

// Called right after the failing call, before anything else can change the thread's error.
std::string Failure(const std::string& password) {
    const DWORD code = GetLastError();
    const std::string reply =
        ServerAnswered(code) ? ShownReply(ServerReply(), password) : std::string{};
    std::string description = ErrorDescription(code);
    if (!reply.empty()) {
        description += " (" + reply + ")";
    }
    return description;
}

}  // namespace

std::optional<std::string> PutFileByFtp(const FtpPutRequest& request) {
    // WinINet sends these as they are: a line break would end the command and start another.
    if (auto refused =
            RefusedHostValuesText(request.userName, request.password, request.remotePath)) {
        return refused;
    }
    SessionWithDeadline session(
        InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0), request.deadline);
    if (!session) {
        return Failure(request.password);
    }
    // A server that stops answering must not hold the transfer (and whoever joins it) for ever.
    LimitInternetWaits(session.get());
    // Passive mode: the data connection goes out from us, which firewalls and NAT let through.
    const ChildHandle connection(
        session, InternetConnectA(session.get(), request.host.c_str(), INTERNET_DEFAULT_FTP_PORT,
                                  request.userName.c_str(), request.password.c_str(),
                                  INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0));
    if (!connection) {
        return Failure(request.password);
    }
    // Sent from memory: no temporary copy of the page is needed, so none can be left behind.
    ChildHandle file(session, FtpOpenFileA(connection.get(), request.remotePath.c_str(),
                                           GENERIC_WRITE, FTP_TRANSFER_TYPE_BINARY, 0));
    if (!file) {
        return Failure(request.password);
    }
    for (std::size_t sent = 0; sent < request.content.size();) {
        const auto chunk =
            static_cast<DWORD>(std::min<std::size_t>(request.content.size() - sent, kChunk));
        DWORD written = 0;
        if (!InternetWriteFile(file.get(), request.content.data() + sent, chunk, &written)) {
            return Failure(request.password);
        }
        if (written == 0) {
            return ErrorDescription(ERROR_INTERNET_CONNECTION_ABORTED);  // no progress: do not spin
        }
        sent += written;
    }
    // Closing the file ends the data connection and reads the server's verdict on the upload.
    if (!file.Close()) {
        return Failure(request.password);
    }
    const std::string verdict = ServerReply();
    if (!verdict.empty() && (verdict[0] == '4' || verdict[0] == '5')) {
        return ErrorDescription(ERROR_INTERNET_EXTENDED_ERROR) + " (" +
               ShownReply(verdict, request.password) + ")";
    }
    return std::nullopt;
}

}  // namespace qel
