// A TCP connection whose name lookup, connect, sends and receives each give up after a time
// limit, and all of them by one deadline, so a host that stops answering (or answers a byte at a
// time) cannot hold an upload for ever.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qel {

// Nullopt on success, otherwise the failure's description for the status line.
using NetFailure = std::optional<std::string>;

// Which kind of host the failure texts name: "The FTP host ..." or "The SSH host ...".
enum class HostKind { Ftp, Ssh };

class TcpConnection {
public:
    explicit TcpConnection(HostKind kind = HostKind::Ftp) : kind_(kind) {}
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;
    ~TcpConnection() { Close(); }

    using Deadline = std::chrono::steady_clock::time_point;

    // No wait of this connection lasts past `deadline` (max(): none), whatever its own limit.
    void SetDeadline(Deadline deadline) { deadline_ = deadline; }
    // Connects to `host` (a name or an address) on `port`, trying each of its addresses; the
    // connect, and each send and receive later, waits at most `limitMs`. The name lookup and all
    // the addresses' connects together end by the deadline.
    NetFailure Connect(const std::string& host, unsigned short port, DWORD limitMs);
    // Connects to the address this connection's peer has, on another port: a passive FTP data
    // connection goes to the host the control connection reached, whatever the reply names.
    NetFailure ConnectToPeerOf(const TcpConnection& control, unsigned short port, DWORD limitMs);
    NetFailure Send(std::string_view bytes);
    // Appends what has arrived (at least one byte) to `received`; the peer closing the
    // connection is a failure too.
    NetFailure Receive(std::string& received);
    // Says that nothing more is sent, then reads and drops what the peer still sends until it
    // closes, for at most `limitMs`: closing with unread data would reset the connection, and
    // the peer could lose the end of what it was sent.
    void FinishAndDrain(DWORD limitMs);
    bool Connected() const;
    void Close();
    // The connected socket, for a library that sends and receives on it itself (it stays owned
    // by this connection).
    UINT_PTR Socket() const { return socket_; }

private:
    NetFailure ConnectTo(const void* address, int length, DWORD limitMs);
    NetFailure Failure(int code) const;
    // `limitMs` cut to the time left to the deadline; 0 once it has passed.
    DWORD WaitMs(DWORD limitMs) const;
    // Sets the socket's wait for the next send or receive; false (with the failure) when
    // there is no time left.
    NetFailure LimitNextWait(int option, DWORD limitMs);

    HostKind kind_;
    UINT_PTR socket_ = ~UINT_PTR{0};  // INVALID_SOCKET; winsock2.h stays out of this header
    DWORD limitMs_ = 0;
    Deadline deadline_ = Deadline::max();
};

// The system's text for a Winsock error, or one of our own where the system has none.
std::string SocketErrorDescription(int code, HostKind kind = HostKind::Ftp);

}  // namespace qel
