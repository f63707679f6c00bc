// The control-connection dialogue of one upload over explicit FTPS (RFC 4217): AUTH TLS before
// anything else, the log-in only over the protected connection, a protected passive data
// connection, STOR. The sockets and the TLS are behind FtpsTransport, so the dialogue is the
// same on every system.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qel {

// Nullopt on success, otherwise the failure's description for the status line.
using FtpsFailure = std::optional<std::string>;

struct FtpReply {
    int code = 0;          // 0 when the reply could not be read as one
    std::string text;      // every line, joined by blanks, line ends removed
    std::string lastLine;  // the line that ended it, where a passive reply names its port

    bool operator==(const FtpReply&) const = default;
};

// A host may send no line longer than this, and no reply longer than kMaxReplyBytes: beyond
// them the control connection is given up as broken rather than held in memory.
inline constexpr std::size_t kMaxReplyLineBytes = 4096;
inline constexpr std::size_t kMaxReplyBytes = 64 * 1024;

// Cuts what arrives on the control connection into replies: "123 text", or the multi-line
// form from "123-text" up to the line that begins "123 ". Empty lines between replies are
// skipped. Each byte is looked at once, however the replies are cut into pieces.
class FtpReplyReader {
public:
    void Add(std::string_view bytes) { buffer_.append(bytes); }
    // The next complete reply, nullopt while more bytes are needed or once Broken().
    std::optional<FtpReply> Next();
    // Why the replies cannot be read on ("" while they can): a line or a reply over its limit.
    const std::string& Broken() const { return broken_; }
    // Forgets what arrived and was not read: nothing sent before TLS may count after it.
    void Clear();

private:
    // Takes one complete line; true when it ended the reply in `partial_`.
    bool TakeLine(std::string_view line);

    std::string buffer_;       // received, from the first byte not yet taken as part of a line
    std::size_t scanned_ = 0;  // bytes of buffer_ known to hold no line end
    FtpReply partial_;         // the reply being read
    bool inReply_ = false;     // partial_ has its first line
    std::string broken_;
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
    // Ends the data connection's TLS and closes it cleanly: what the host still sends is read
    // (for a few seconds at most) before the connection is closed.
    virtual FtpsFailure CloseData() = 0;
};

struct FtpsUpload {
    std::string userName;
    std::string password;
    std::string remotePath;
    std::string content;  // the file's bytes, sent unchanged
};

// One logged-in control connection over which files are stored one after another. User name
// and password are sent only once TLS protects the control connection; a host that refuses
// AUTH TLS, or a failed handshake, ends Open before them. A user name, password or path that
// would break a command apart (CR, LF, NUL) is refused before anything is sent. After any
// failure the connection is of no further use: the host and we may disagree on where the
// dialogue stands.
class FtpsSession {
public:
    FtpsSession(FtpsTransport& transport, std::string userName, std::string password);
    FtpsSession(const FtpsSession&) = delete;
    FtpsSession& operator=(const FtpsSession&) = delete;
    ~FtpsSession();

    // Connects, secures the control connection, logs in, asks for protected binary transfers.
    FtpsFailure Open();
    // One file over a protected passive data connection: nullopt once the host confirmed it.
    FtpsFailure Store(const std::string& remotePath, const std::string& content);
    // Says goodbye (QUIT) and reads the host's answer, within the transport's limits.
    void Quit();

private:
    class Dialogue;
    std::unique_ptr<Dialogue> dialogue_;
};

// Runs one upload from connect to QUIT over a session of its own: nullopt when the host
// confirmed the stored file.
FtpsFailure RunFtpsUpload(FtpsTransport& transport, const FtpsUpload& upload);

// The port of an EPSV reply line "229 ... (|||port|)" or of a PASV reply line
// "227 ... (h1,h2,h3,h4,p1,p2)"; nullopt when the line holds none.
std::optional<unsigned> PortFromEpsvReply(std::string_view text);
std::optional<unsigned> PortFromPasvReply(std::string_view text);

}  // namespace qel
