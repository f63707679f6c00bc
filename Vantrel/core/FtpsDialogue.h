// The control-connection dialogue of one upload over explicit FTPS (RFC 4217): AUTH TLS before
// anything else, the log-in only over the protected connection, a protected passive data
// connection, STOR. The sockets and the TLS are behind FtpsTransport, so the dialogue is the
// same on every system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qel {

// Nullopt on success, otherwise the failure's description for the status line.
using FtpsFailure = std::optional<std::string>;

struct FtpReply {
    int code = 0;      // 0 when the reply could not be read as one
    std::string text;  // every line, joined by blanks, line ends removed

    bool operator==(const FtpReply&) const = default;
};

// Cuts what arrives on the control connection into replies: "123 text", or the multi-line
// form from "123-text" up to the line that begins "123 ".
class FtpReplyReader {
public:
    void Add(std::string_view bytes) { buffer_.append(bytes); }
    // The next complete reply, nullopt while more bytes are needed.
    std::optional<FtpReply> Next();
    // Forgets what arrived and was not read: nothing sent before TLS may count after it.
    void Clear() { buffer_.clear(); }

private:
    std::string buffer_;
};

// What the dialogue needs from the network. Every call blocks within the transport's time
// limits.
class FtpsTransport {
public:
    virtual ~FtpsTransport() = default;
    // The control connection to the host, FTP port.
    virtual FtpsFailure Connect() = 0;
    virtual FtpsFailure SendControl(std::string_view bytes) = 0;
    // Appends at least one byte from the control connection to `received`.
    virtual FtpsFailure ReceiveControl(std::string& received) = 0;
    // The TLS handshake on the control connection, with the check of the host's certificate.
    virtual FtpsFailure SecureControl() = 0;
    // A data connection to `port` of the address the control connection reached.
    virtual FtpsFailure OpenData(unsigned port) = 0;
    // The TLS handshake on the data connection, offering the control connection's session.
    virtual FtpsFailure SecureData() = 0;
    virtual FtpsFailure SendData(std::string_view bytes) = 0;
    // Ends the data connection's TLS and closes it.
    virtual FtpsFailure CloseData() = 0;
};

struct FtpsUpload {
    std::string userName;
    std::string password;
    std::string remotePath;
    std::string content;  // the file's bytes, sent unchanged
};

// Runs one upload from connect to QUIT: nullopt when the host confirmed the stored file.
// User name and password are sent only once TLS protects the control connection; a host that
// refuses AUTH TLS, or a failed handshake, ends the upload before them.
FtpsFailure RunFtpsUpload(FtpsTransport& transport, const FtpsUpload& upload);

// The port of an EPSV reply "(|||port|)" or of a PASV reply "(h1,h2,h3,h4,p1,p2)"; nullopt
// when the reply holds none.
std::optional<unsigned> PortFromEpsvReply(std::string_view text);
std::optional<unsigned> PortFromPasvReply(std::string_view text);

}  // namespace qel
