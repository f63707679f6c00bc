// The control-connection dialogue of one upload over explicit FTPS (RFC 4217).
#include "FtpsDialogue.h"

#include <algorithm>
#include <cctype>
#include <vector>

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

std::string Shown(const FtpReply& reply) {
    return " (" + reply.text + ")";
}

bool Positive(const FtpReply& reply) {
    return reply.code >= 200 && reply.code < 300;
}

bool Preliminary(const FtpReply& reply) {
    return reply.code >= 100 && reply.code < 200;
}

// A parsed decimal number in [0, limit] at the front of `text`, which it consumes.
std::optional<unsigned> TakeNumber(std::string_view& text, unsigned limit) {
    std::size_t used = 0;
    unsigned value = 0;
    while (used < text.size() && IsDigit(text[used]) && used < 6) {
        value = value * 10 + static_cast<unsigned>(text[used] - '0');
        ++used;
    }
    if (used == 0 || value > limit) {
        return std::nullopt;
    }
    text.remove_prefix(used);
    return value;
}

// The dialogue with its reader; every step returns the failure that ends the upload.
class Dialogue {
public:
    Dialogue(FtpsTransport& transport, const FtpsUpload& upload)
        : transport_(transport), upload_(upload) {}

    FtpsFailure Run() {
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
        if (auto failure = Expect("TYPE I", "The FTP host refused binary transfers")) {
            return failure;
        }
        if (auto failure = OpenPassiveData()) {
            return failure;
        }
        if (auto failure = Store()) {
            return failure;
        }
        // Polite, but the file is stored already: what QUIT meets no longer matters.
        transport_.SendControl("QUIT\r\n");
        return std::nullopt;
    }

private:
    FtpsFailure Read(FtpReply& reply) {
        for (;;) {
            if (auto next = reader_.Next()) {
                reply = std::move(*next);
                if (reply.code == 0) {
                    return "The FTP host's answer could not be understood" + Shown(reply);
                }
                return std::nullopt;
            }
            std::string received;
            if (auto failure = transport_.ReceiveControl(received)) {
                return failure;
            }
            reader_.Add(received);
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
            return refusal + Shown(reply);
        }
        return std::nullopt;
    }

    FtpsFailure Greeting() {
        FtpReply reply;
        do {
            if (auto failure = Read(reply)) {
                return failure;
            }
        } while (Preliminary(reply));  // "120 ready in a moment"
        if (reply.code != 220) {
            return "The FTP host did not accept the connection" + Shown(reply);
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
                   Shown(reply);
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
        if (auto failure = Command("USER " + upload_.userName, reply)) {
            return failure;
        }
        if (reply.code == 230) {
            return std::nullopt;  // no password wanted
        }
        if (reply.code != 331) {
            return "The FTP host refused the user name" + Shown(reply);
        }
        if (auto failure = Command("PASS " + upload_.password, reply)) {
            return failure;
        }
        if (reply.code != 230 && reply.code != 202) {
            return "The FTP host refused the log-in" + Shown(reply);
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
            port = PortFromEpsvReply(reply.text);
        } else if (reply.code >= 500) {
            // Not known to this host (or not allowed): the older form names the port too.
            if (auto failure = Command("PASV", reply)) {
                return failure;
            }
            if (reply.code != 227) {
                return kRefused + Shown(reply);
            }
            port = PortFromPasvReply(reply.text);
        } else {
            return kRefused + Shown(reply);
        }
        if (!port) {
            return "The FTP host named no data port" + Shown(reply);
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
        std::string text = "The file could not be sent: " + failure + Shown(reply);
        if (reply.code == 522) {
            text += "; the host may want the data connection to resume the TLS session";
        }
        return text;
    }

    FtpsFailure Store() {
        FtpReply reply;
        if (auto failure = Command("STOR " + upload_.remotePath, reply)) {
            return failure;
        }
        if (!Preliminary(reply)) {
            return "The FTP host refused to store the file" + Shown(reply);
        }
        if (auto failure = transport_.SecureData()) {
            return DataFailure(*failure);
        }
        if (auto failure = transport_.SendData(upload_.content)) {
            return DataFailure(*failure);
        }
        if (auto failure = transport_.CloseData()) {
            return DataFailure(*failure);
        }
        if (auto failure = Read(reply)) {
            return failure;
        }
        if (reply.code == 522) {
            return "The FTP host refused the protected data connection" + Shown(reply) +
                   "; the host may want it to resume the TLS session";
        }
        if (reply.code != 226 && reply.code != 250) {
            return "The FTP host did not store the file" + Shown(reply);
        }
        return std::nullopt;
    }

    FtpsTransport& transport_;
    const FtpsUpload& upload_;
    FtpReplyReader reader_;
};

}  // namespace

std::optional<FtpReply> FtpReplyReader::Next() {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::string code;
    for (;;) {
        const std::size_t end = buffer_.find('\n', start);
        if (end == std::string::npos) {
            return std::nullopt;
        }
        const std::string_view line =
            WithoutLineEnd(std::string_view(buffer_).substr(start, end - start));
        start = end + 1;
        lines.push_back(line);
        if (lines.size() == 1) {
            if (!StartsWithCode(line)) {
                break;  // not a reply: handed out as one the dialogue cannot read
            }
            code.assign(line.substr(0, 3));
            if (line.size() < 4 || line[3] != '-') {
                break;
            }
        } else if (line.substr(0, 3) == code && (line.size() == 3 || line[3] == ' ')) {
            break;
        }
    }
    FtpReply reply;
    reply.code = code.empty() ? 0 : std::stoi(code);
    for (const std::string_view line : lines) {
        if (!reply.text.empty()) {
            reply.text += ' ';
        }
        reply.text.append(line);
    }
    buffer_.erase(0, start);
    return reply;
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
    return Dialogue(transport, upload).Run();
}

}  // namespace qel
