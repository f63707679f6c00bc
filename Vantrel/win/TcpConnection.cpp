// A TCP connection whose name lookup, connect, sends and receives each give up after a time
// limit and by one deadline.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "TcpConnection.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace qel {
namespace {

struct AddressListFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

// Winsock is started once for the process and never stopped: the process ends with it.
NetFailure StartWinsock() {
    static const int result = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (result != 0) {
        return SocketErrorDescription(result);
    }
    return std::nullopt;
}

struct KnownText {
    int code;
    const char* text;  // "%" stands for the kind of host
};

constexpr std::array kOwnTexts{
    KnownText{WSAETIMEDOUT, "The % host did not answer in time"},
    KnownText{WSAECONNREFUSED, "The % host refused the connection"},
    KnownText{WSAECONNRESET, "The % host reset the connection"},
    KnownText{WSAECONNABORTED, "The connection to the % host was aborted"},
    KnownText{WSAEHOSTUNREACH, "The % host cannot be reached"},
    KnownText{WSAENETUNREACH, "The network cannot be reached"},
    KnownText{WSAHOST_NOT_FOUND, "The % host name could not be resolved"},
    KnownText{WSANO_DATA, "The % host name has no address"},
    KnownText{WSATRY_AGAIN, "The % host name could not be resolved now"},
};

std::string HostText(const char* text, HostKind kind) {
    std::string result = text;
    if (const auto mark = result.find('%'); mark != std::string::npos) {
        result.replace(mark, 1, kind == HostKind::Ssh ? "SSH" : "FTP");
    }
    return result;
}

// One name lookup, on a thread of its own so that the caller can stop waiting at its deadline;
// a lookup still running then is left to finish by itself and frees what it found.
class NameLookup {
public:
    static std::shared_ptr<NameLookup> Start(const std::string& host, const std::string& port) {
        auto lookup = std::make_shared<NameLookup>();
        lookup->done_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (lookup->done_ == nullptr) {
            return nullptr;
        }
        try {
            std::thread([lookup, host, port] { lookup->Run(host, port); }).detach();
        } catch (...) {
            return nullptr;
        }
        return lookup;
    }
    NameLookup() = default;
    NameLookup(const NameLookup&) = delete;
    NameLookup& operator=(const NameLookup&) = delete;
    ~NameLookup() {
        if (found_ != nullptr) {
            freeaddrinfo(found_);
        }
        if (done_ != nullptr) {
            CloseHandle(done_);
        }
    }

    // True once the lookup has ended within `waitMs`; then Take gives its outcome.
    bool Wait(DWORD waitMs) const { return WaitForSingleObject(done_, waitMs) == WAIT_OBJECT_0; }
    int Take(addrinfo*& found) {
        const std::lock_guard lock(mutex_);
        found = std::exchange(found_, nullptr);
        return result_;
    }

private:
    void Run(const std::string& host, const std::string& port) noexcept {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        addrinfo* found = nullptr;
        const int result = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
        {
            const std::lock_guard lock(mutex_);
            result_ = result;
            found_ = found;
        }
        SetEvent(done_);
    }

    HANDLE done_ = nullptr;
    std::mutex mutex_;
    int result_ = WSATRY_AGAIN;
    addrinfo* found_ = nullptr;
};

}  // namespace

std::string SocketErrorDescription(int code, HostKind kind) {
    char buffer[512] = {};
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n')) {
        --length;
    }
    if (length > 0) {
        return std::string(buffer, length);
    }
    for (const KnownText& known : kOwnTexts) {
        if (known.code == code) {
            return HostText(known.text, kind);
        }
    }
    return "Network error " + std::to_string(code);
}

NetFailure TcpConnection::Failure(int code) const {
    return SocketErrorDescription(code, kind_);
}

DWORD TcpConnection::WaitMs(DWORD limitMs) const {
    if (deadline_ == Deadline::max()) {
        return limitMs;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline_ - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
        return 0;
    }
    return static_cast<DWORD>(std::min<long long>(left, limitMs));
}

NetFailure TcpConnection::LimitNextWait(int option, DWORD limitMs) {
    // A wait of 0 would be no limit at all to the socket.
    const DWORD wait = WaitMs(limitMs);
    if (wait == 0) {
        return Failure(WSAETIMEDOUT);
    }
    if (setsockopt(static_cast<SOCKET>(socket_), SOL_SOCKET, option,
                   reinterpret_cast<const char*>(&wait), sizeof wait) != 0) {
        return Failure(WSAGetLastError());
    }
    return std::nullopt;
}

NetFailure TcpConnection::Connect(const std::string& host, unsigned short port, DWORD limitMs) {
    if (auto failure = StartWinsock()) {
        return failure;
    }
    Close();
    const std::shared_ptr<NameLookup> lookup = NameLookup::Start(host, std::to_string(port));
    if (!lookup) {
        return std::string("The name lookup could not be started");
    }
    if (!lookup->Wait(WaitMs(limitMs))) {
        return Failure(WSAETIMEDOUT);
    }
    addrinfo* found = nullptr;
    if (const int resolved = lookup->Take(found); resolved != 0) {
        return Failure(resolved);
    }
    const std::unique_ptr<addrinfo, AddressListFree> addresses(found);
    NetFailure failure = HostText("The % host name has no address", kind_);
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        failure = ConnectTo(address->ai_addr, static_cast<int>(address->ai_addrlen), limitMs);
        if (!failure) {
            return std::nullopt;
        }
    }
    return failure;
}

NetFailure TcpConnection::ConnectToPeerOf(const TcpConnection& control, unsigned short port,
                                          DWORD limitMs) {
    Close();
    sockaddr_storage peer{};
    int length = sizeof peer;
    if (getpeername(static_cast<SOCKET>(control.socket_), reinterpret_cast<sockaddr*>(&peer),
                    &length) != 0) {
        return Failure(WSAGetLastError());
    }
    if (peer.ss_family == AF_INET6) {
        reinterpret_cast<sockaddr_in6*>(&peer)->sin6_port = htons(port);
    } else {
        reinterpret_cast<sockaddr_in*>(&peer)->sin_port = htons(port);
    }
    return ConnectTo(&peer, length, limitMs);
}

// A non-blocking connect waited for with select, so that the limit holds whatever the system's
// own connect time-out is; afterwards the socket blocks, with the limit on every send and
// receive.
NetFailure TcpConnection::ConnectTo(const void* address, int length, DWORD limitMs) {
    Close();
    limitMs_ = limitMs;
    const DWORD connectWait = WaitMs(limitMs);
    if (connectWait == 0) {
        return Failure(WSAETIMEDOUT);
    }
    const auto* target = static_cast<const sockaddr*>(address);
    const SOCKET s = socket(target->sa_family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        return Failure(WSAGetLastError());
    }
    socket_ = s;
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        return Failure(WSAGetLastError());
    }
    if (connect(s, target, length) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) {
            NetFailure failure = Failure(WSAGetLastError());
            Close();
            return failure;
        }
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval limit{static_cast<long>(connectWait / 1000),
                      static_cast<long>(connectWait % 1000) * 1000};
        const int ready = select(0, nullptr, &writable, &failed, &limit);
        if (ready <= 0) {
            Close();
            return Failure(ready == 0 ? WSAETIMEDOUT : WSAGetLastError());
        }
        int error = 0;
        int size = sizeof error;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
        if (!FD_ISSET(s, &writable) || error != 0) {
            Close();
            return Failure(error != 0 ? error : WSAECONNREFUSED);
        }
    }
    u_long blocking = 0;
    if (ioctlsocket(s, FIONBIO, &blocking) != 0) {
        NetFailure failure = Failure(WSAGetLastError());
        Close();
        return failure;
    }
    return std::nullopt;
}

NetFailure TcpConnection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        if (auto failure = LimitNextWait(SO_SNDTIMEO, limitMs_)) {
            return failure;
        }
        const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
        const int sent = send(static_cast<SOCKET>(socket_), bytes.data(), chunk, 0);
        if (sent == SOCKET_ERROR) {
            return Failure(WSAGetLastError());
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return std::nullopt;
}

NetFailure TcpConnection::Receive(std::string& received) {
    if (auto failure = LimitNextWait(SO_RCVTIMEO, limitMs_)) {
        return failure;
    }
    char buffer[16384];
    const int got = recv(static_cast<SOCKET>(socket_), buffer, sizeof buffer, 0);
    if (got == SOCKET_ERROR) {
        return Failure(WSAGetLastError());
    }
    if (got == 0) {
        return HostText("The % host closed the connection", kind_);
    }
    received.append(buffer, static_cast<std::size_t>(got));
    return std::nullopt;
}

void TcpConnection::FinishAndDrain(DWORD limitMs) {
    if (!Connected()) {
        return;
    }
    const SOCKET s = static_cast<SOCKET>(socket_);
    if (shutdown(s, SD_SEND) != 0) {
        return;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    const Deadline overall = deadline_;
    deadline_ = std::min(deadline_, end);
    char buffer[16384];
    while (!LimitNextWait(SO_RCVTIMEO, limitMs) && recv(s, buffer, sizeof buffer, 0) > 0) {
    }
    deadline_ = overall;
}

bool TcpConnection::Connected() const {
    return static_cast<SOCKET>(socket_) != INVALID_SOCKET;
}

void TcpConnection::Close() {
    if (Connected()) {
        closesocket(static_cast<SOCKET>(socket_));
        socket_ = INVALID_SOCKET;
    }
}

}  // namespace qel
