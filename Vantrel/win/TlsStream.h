// TLS from the system (Schannel through SSPI) over a TcpConnection, as a client that checks the
// server's certificate itself: it must chain to a root the system trusts and name the host that
// was asked for. Only TLS 1.2 or newer is accepted.
#pragma once

#include <windows.h>
#define SECURITY_WIN32
#include <security.h>
#include <sspi.h>

#include <optional>
#include <string>
#include <string_view>

#include "TcpConnection.h"

namespace qel {

// The client credentials that TLS connections are made with. Connections to the same server
// name made with the same credentials offer to resume the first one's session.
class TlsCredentials {
public:
    TlsCredentials() = default;
    TlsCredentials(const TlsCredentials&) = delete;
    TlsCredentials& operator=(const TlsCredentials&) = delete;
    ~TlsCredentials();

    NetFailure Acquire();
    CredHandle* Get() { return acquired_ ? &handle_ : nullptr; }

private:
    CredHandle handle_{};
    bool acquired_ = false;
};

class TlsStream {
public:
    // The connection must outlive the stream.
    explicit TlsStream(TcpConnection& connection) : tcp_(connection) {}
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;
    ~TlsStream();

    // The handshake as a client of `serverName`, then the check of the server's certificate
    // and of the protocol version. Until it has succeeded nothing may be sent.
    NetFailure Handshake(TlsCredentials& credentials, const std::string& serverName);
    NetFailure Send(std::string_view bytes);
    // Appends at least one byte of what the server sent to `received`.
    NetFailure Receive(std::string& received);
    // Tells the server that nothing more comes (close_notify).
    NetFailure Shutdown();
    // Whether the handshake resumed an earlier session; false where the system cannot tell.
    bool Resumed() const;

private:
    NetFailure Negotiate(bool first);
    NetFailure Verify();
    NetFailure CheckConnection() const;
    // Whether the credentials offer TLS 1.2 or newer; nullopt where the system cannot say.
    std::optional<bool> OffersTls12() const;
    NetFailure SendToken(SecBufferDesc& output);

    TcpConnection& tcp_;
    CredHandle* credentials_ = nullptr;
    std::string serverName_;
    CtxtHandle context_{};
    bool hasContext_ = false;
    bool established_ = false;
    SecPkgContext_StreamSizes sizes_{};
    std::string encrypted_;  // received, not yet decrypted
};

// The system's description of a TLS or certificate status, or one of our own where the system
// has none.
std::string TlsErrorDescription(LONG status);

}  // namespace qel
