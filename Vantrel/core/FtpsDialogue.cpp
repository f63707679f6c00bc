// The control-connection dialogue of one upload over explicit FTPS (RFC 4217).
#include "FtpsDialogue.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "HostProfile.h"
#include "TransferOperation.h"

namespace qel {
namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool StartsWithCode(std::string_view line) {
    return line.size() >= 3 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]);
}

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return line;
}

// The reply as the status line shows it: a long one only begins there, and the password never
// shows, should the host ever echo it.
std::string Shown(const FtpReply& reply, std::string_view password) {
    return " (" + ShownReply(reply.text, password) + ")";
}

bool Positive(const FtpReply& reply) {
    return reply.code >= 200 && reply.code < 300;
}

bool Preliminary(const FtpReply& reply) {
    return reply.code >= 100 && reply.code < 200;
}

// A parsed decimal number in [0, limit] at the front of `text`, which it consumes. However many
// digits come, a number over the limit is refused, never wrapped.
std::optional<unsigned> TakeNumber(std::string_view& text, unsigned limit) {
    std::size_t used = 0;
    unsigned value = 0;
    bool over = false;
    for (; used < text.size() && IsDigit(text[used]); ++used) {
        const auto digit = static_cast<unsigned>(text[used] - '0');
        over = over || value > (limit - digit) / 10;
        if (!over) {
            value = value * 10 + digit;
        }
    }
    if (used == 0 || over) {
        return std::nullopt;
    }
    text.remove_prefix(used);
    return value;
}

// More preliminary replies than this to one command (or before the greeting) end the upload:
// a host that only ever says "wait" would otherwise hold it until the overall limit.
constexpr int kMaxPreliminaryReplies = 4;

}  // namespace

// The dialogue with its reader; every step returns the failure that ends it.
class FtpsSession::Dialogue {
public:
    Dialogue(FtpsTransport& transport, std::string userName, std::string password)
        : transport_(transport), userName_(std::move(userName)), password_(std::move(password)) {}

    FtpsFailure Open() {
        if (auto refused = RefusedHostValuesText(userName_, password_, "")) {
            return refused;
        }
        if (auto failure = transport_.Connect()) {
            return failure;
        }
        if (auto failure = Greeting()) {
            return failure;
        }
        if (auto failure = Secure()) {
            return failure;
        }
        if (auto failure = LogIn()) {
            return failure;
        }
        for (const char* command : {"PBSZ 0", "PROT P"}) {
            if (auto failure = Expect(command, "The FTP host refused to protect the data")) {
                return failure;
            }
        }
        return Expect("TYPE I", "The FTP host refused binary transfers");
    }

    FtpsFailure Store(const std::string& remotePath, const std::string& content) {
        if (auto refused = RefusedHostValuesText(userName_, password_, remotePath)) {
            return refused;
        }
        if (auto failure = OpenPassiveData()) {
            return failure;
        }
        return StoreData(remotePath, content);
    }

    void Quit() {
        // A courtesy: whatever the host answers, or fails to, the connection ends.
        FtpReply reply;
        Command("QUIT", reply);
    }

private:
    FtpsFailure Read(FtpReply& reply) {
        for (;;) {
            if (auto next = reader_.Next()) {
                reply = std::move(*next);
                if (reply.code == 0) {
                    return "The FTP host's answer could not be understood" +
                           Shown(reply, password_);
                }
                return std::nullopt;
            }
            if (!reader_.Broken().empty()) {
                return reader_.Broken();
            }
            std::string received;
            if (auto failure = transport_.ReceiveControl(received)) {
                return failure;
            }
            reader_.Add(received);
        }
    }

    // Reads on past preliminary (1xx) replies, `seen` of which came already, to the final one.
    FtpsFailure ReadFinal(FtpReply& reply, int seen = 0) {
        for (;;) {
            if (auto failure = Read(reply)) {
                return failure;
            }
            if (!Preliminary(reply)) {
                return std::nullopt;
            }
            if (++seen > kMaxPreliminaryReplies) {
                return "FTP protocol error: the host sent more than " +
                       std::to_string(kMaxPreliminaryReplies) + " preliminary replies" +
                       Shown(reply, password_);
            }
        }
    }

    FtpsFailure Command(const std::string& command, FtpReply& reply) {
        if (auto failure = transport_.SendControl(command + "\r\n")) {
            return failure;
        }
        return Read(reply);
    }

    // A command that must be answered 2xx; `refusal` says what a refusal means.
    FtpsFailure Expect(const std::string& command, const std::string& refusal) {
        FtpReply reply;
        if (auto failure = Command(command, reply)) {
            return failure;
        }
        if (!Positive(reply)) {
            return refusal + Shown(reply, password_);
        }
        return std::nullopt;
    }

    FtpsFailure Greeting() {
        FtpReply reply;
        if (auto failure = ReadFinal(reply)) {  // past "120 ready in a moment"
            return failure;
        }
        if (reply.code != 220) {
            return "The FTP host did not accept the connection" + Shown(reply, password_);
        }
        return std::nullopt;
    }

    FtpsFailure Secure() {
        FtpReply reply;
        if (auto failure = Command("AUTH TLS", reply)) {
            return failure;
        }
        if (reply.code != 234) {
            return "The FTP host does not offer TLS (FTPS); user name and password were not "
                   "sent" +
                   Shown(reply, password_);
        }
        if (auto failure = transport_.SecureControl()) {
            return *failure + "; user name and password were not sent";
        }
        // Whatever came in clear after the 234 could have been put there by anyone.
        reader_.Clear();
        return std::nullopt;
    }

    FtpsFailure LogIn() {
        FtpReply reply;
        if (auto failure = Command("USER " + userName_, reply)) {
            return failure;
        }
        if (reply.code == 230) {
            return std::nullopt;  // no password wanted
        }
        if (reply.code != 331) {
            return "The FTP host refused the user name" + Shown(reply, password_);
        }
        if (auto failure = Command("PASS " + password_, reply)) {
            return failure;
        }
        if (reply.code != 230 && reply.code != 202) {
            return "The FTP host refused the log-in" + Shown(reply, password_);
        }
        return std::nullopt;
    }

    FtpsFailure OpenPassiveData() {
        constexpr const char* kRefused = "The FTP host refused a passive data connection";
        FtpReply reply;
        if (auto failure = Command("EPSV", reply)) {
            return failure;
        }
        std::optional<unsigned> port;
        if (reply.code == 229) {
            port = PortFromEpsvReply(reply.lastLine);
        } else if (reply.code >= 500 || Positive(reply)) {
            // Not known to this host, not allowed, or answered some other way ("202 not
            // implemented"): the older form names the port too.
            if (auto failure = Command("PASV", reply)) {
                return failure;
            }
            if (reply.code != 227) {
                return kRefused + Shown(reply, password_);
            }
            port = PortFromPasvReply(reply.lastLine);
        } else {
            return kRefused + Shown(reply, password_);
        }
        if (!port) {
            return "The FTP host named no data port" + Shown(reply, password_);
        }
        if (auto failure = transport_.OpenData(*port)) {
            return "The data connection could not be made: " + *failure;
        }
        return std::nullopt;
    }

    // After a failed data connection the host often says why on the control connection.
    FtpsFailure DataFailure(const std::string& failure) {
        FtpReply reply;
        if (Read(reply)) {
            return "The file could not be sent: " + failure;
        }
        std::string text = "The file could not be sent: " + failure + Shown(reply, password_);
        if (reply.code == 522) {
            text += "; the host may want the data connection to resume the TLS session";
        }
        return text;
    }

    FtpsFailure StoreData(const std::string& remotePath, const std::string& content) {
        FtpReply reply;
        if (auto failure = Command("STOR " + remotePath, reply)) {
            return failure;
        }
        if (!Preliminary(reply)) {
            return "The FTP host refused to store the file" + Shown(reply, password_);
        }
        if (auto failure = transport_.SecureData()) {
            return DataFailure(*failure);
        }
        if (auto failure = transport_.SendData(content)) {
            return DataFailure(*failure);
        }
        if (auto failure = transport_.CloseData()) {
            return DataFailure(*failure);
        }
        // A host may say "125" at STOR and "150" later, before its verdict.
        if (auto failure = ReadFinal(reply, 1)) {
            return failure;
        }
        if (reply.code == 522) {
            return "The FTP host refused the protected data connection" + Shown(reply, password_) +
                   "; the host may want it to resume the TLS session";
        }
        if (reply.code != 226 && reply.code != 250) {
            return "The FTP host did not store the file" + Shown(reply, password_);
        }
        return std::nullopt;
    }

    FtpsTransport& transport_;
    const std::string userName_;
    const std::string password_;
    FtpReplyReader reader_;
};

FtpsSession::FtpsSession(FtpsTransport& transport, std::string userName, std::string password)
    : dialogue_(std::make_unique<Dialogue>(transport, std::move(userName), std::move(password))) {}

FtpsSession::~FtpsSession() = default;

FtpsFailure FtpsSession::Open() {
    return dialogue_->Open();
}

FtpsFailure FtpsSession::Store(const std::string& remotePath, const std::string& content) {
    return dialogue_->Store(remotePath, content);
}

void FtpsSession::Quit() {
    dialogue_->Quit();
}

void FtpReplyReader::Clear() {
    buffer_.clear();
    scanned_ = 0;
    partial_ = {};
    inReply_ = false;
}

bool FtpReplyReader::TakeLine(std::string_view line) {
    if (line.empty()) {
        return false;  // nothing a reply is made of, wherever it stands
    }
    if (!inReply_) {
        inReply_ = true;
        partial_ = {0, std::string(line), std::string(line)};
        if (!StartsWithCode(line)) {
            return true;  // not a reply: handed out as one the dialogue cannot read
        }
        partial_.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
        return line.size() < 4 || line[3] != '-';
    }
    if (partial_.text.size() + 1 + line.size() > kMaxReplyBytes) {
        broken_ = "FTP protocol error: the host sent a reply of more than " +
                  std::to_string(kMaxReplyBytes) + " bytes";
        return false;
    }
    partial_.text += ' ';
    partial_.text.append(line);
    // Only the reply's own code followed by a blank ends it; other lines are its text.
    if (line.substr(0, 3) == std::string_view(partial_.text).substr(0, 3) &&
        (line.size() == 3 || line[3] == ' ')) {
        partial_.lastLine.assign(line);
        return true;
    }
    return false;
}

std::optional<FtpReply> FtpReplyReader::Next() {
    std::size_t start = 0;
    std::optional<FtpReply> reply;
    while (broken_.empty() && !reply) {
        const std::size_t end = buffer_.find('\n', start + scanned_);
        if (end == std::string::npos) {
            scanned_ = buffer_.size() - start;
            if (scanned_ > kMaxReplyLineBytes) {
                broken_ = "FTP protocol error: the host sent a line of more than " +
                          std::to_string(kMaxReplyLineBytes) + " bytes";
            }
            break;
        }
        const std::string_view line = std::string_view(buffer_).substr(start, end - start);
        start = end + 1;
        scanned_ = 0;
        if (line.size() > kMaxReplyLineBytes) {
            broken_ = "FTP protocol error: the host sent a line of more than " +
                      std::to_string(kMaxReplyLineBytes) + " bytes";
        } else if (TakeLine(WithoutLineEnd(line))) {
            inReply_ = false;
            reply = std::move(partial_);
            partial_ = {};
        }
    }
    // Every line taken leaves the buffer once; what remains is part of a line still coming.
    buffer_.erase(0, start);
    return broken_.empty() ? reply : std::nullopt;
}

std::optional<unsigned> PortFromEpsvReply(std::string_view text) {
    const std::size_t open = text.find('(');
    if (open == std::string_view::npos || text.size() < open + 5) {
        return std::nullopt;
    }
    text.remove_prefix(open + 1);
    const char delimiter = text[0];
    if (text.substr(0, 3) != std::string(3, delimiter)) {
        return std::nullopt;
    }
    text.remove_prefix(3);
    const auto port = TakeNumber(text, 65535);
    if (!port || *port == 0 || text.empty() || text[0] != delimiter) {
        return std::nullopt;
    }
    return port;
}

std::optional<unsigned> PortFromPasvReply(std::string_view text) {
    // The six numbers follow the code, with or without brackets around them.
    text.remove_prefix(std::min<std::size_t>(text.size(), 4));
    while (!text.empty() && !IsDigit(text[0])) {
        text.remove_prefix(1);
    }
    unsigned numbers[6] = {};
    for (int i = 0; i < 6; ++i) {
        const auto number = TakeNumber(text, 255);
        if (!number || (i < 5 && (text.empty() || text[0] != ','))) {
            return std::nullopt;
        }
        numbers[i] = *number;
        if (i < 5) {
            text.remove_prefix(1);
        }
    }
    const unsigned port = numbers[4] * 256 + numbers[5];
    if (port == 0) {
        return std::nullopt;
    }
    return port;
}

FtpsFailure RunFtpsUpload(FtpsTransport& transport, const FtpsUpload& upload) {
    // Nothing is sent, not even the log-in, when the path could not be.
    if (auto refused = RefusedHostValuesText(upload.userName, upload.password, upload.remotePath)) {
        return refused;
    }
    FtpsSession session(transport, upload.userName, upload.password);
    if (auto failure = session.Open()) {
        return failure;
    }
    if (auto failure = session.Store(upload.remotePath, upload.content)) {
        return failure;
    }
    // Polite, but the file is stored already: what QUIT meets no longer matters.
    transport.SendControl("QUIT\r\n");
    return std::nullopt;
}

}  // namespace qel
