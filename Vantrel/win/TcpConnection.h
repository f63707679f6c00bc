// A TCP connection whose connect, sends and receives each give up after a time limit, so a host
// that stops answering cannot hold an upload for ever.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qel {

// Nullopt on success, otherwise the failure's description for the status line.
using NetFailure = std::optional<std::string>;

class TcpConnection {
public:
    TcpConnection() = default;
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;
    ~TcpConnection() { Close(); }

    // Connects to `host` (a name or an address) on `port`, trying each of its addresses.
    NetFailure Connect(const std::string& host, unsigned short port, DWORD limitMs);
    // Connects to the address this connection's peer has, on another port: a passive FTP data
    // connection goes to the host the control connection reached, whatever the reply names.
    NetFailure ConnectToPeerOf(const TcpConnection& control, unsigned short port, DWORD limitMs);
    NetFailure Send(std::string_view bytes);
    // Appends what has arrived (at least one byte) to `received`; the peer closing the
    // connection is a failure too.
    NetFailure Receive(std::string& received);
    bool Connected() const;
    void Close();
    // The connected socket, for a library that sends and receives on it itself (it stays owned
    // by this connection).
    UINT_PTR Socket() const { return socket_; }

private:
    NetFailure ConnectTo(const void* address, int length, DWORD limitMs);

    UINT_PTR socket_ = ~UINT_PTR{0};  // INVALID_SOCKET; winsock2.h stays out of this header
};

// The system's text for a Winsock error, or one of our own where the system has none.
std::string SocketErrorDescription(int code);

}  // namespace qel
