// The SSH host and port of a server address, the known_hosts names and lines, and the texts
// that describe a host key.
#include "SshAddress.h"

#include <algorithm>
#include <cstdint>

namespace qel {
namespace {

std::optional<unsigned> ParsePort(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) {
        return std::nullopt;
    }
    unsigned port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        port = port * 10 + static_cast<unsigned>(c - '0');
    }
    if (port == 0 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

}  // namespace

std::optional<SshAddress> SplitSshAddress(std::string_view text) {
    SshAddress address;
    std::string_view rest;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        address.host = std::string(text.substr(1, close - 1));
        rest = text.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            return std::nullopt;
        }
    } else {
        const auto colon = text.find(':');
        const bool oneColon = colon != std::string_view::npos && text.rfind(':') == colon;
        address.host = std::string(oneColon ? text.substr(0, colon) : text);
        rest = oneColon ? text.substr(colon) : std::string_view();
    }
    if (address.host.empty()) {
        return std::nullopt;
    }
    if (!rest.empty()) {
        const auto port = ParsePort(rest.substr(1));
        if (!port) {
            return std::nullopt;
        }
        address.port = *port;
    }
    return address;
}

std::string KnownHostNameAsTyped(const SshAddress& address) {
    if (address.port == kSshPort) {
        return address.host;
    }
    return "[" + address.host + "]:" + std::to_string(address.port);
}

std::string KnownHostName(const SshAddress& address) {
    std::string name = KnownHostNameAsTyped(address);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

std::vector<std::string> KnownHostsLines(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find('\n'), bytes.size());
        std::string_view line = bytes.substr(0, end);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            lines.emplace_back(line);
        }
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
    }
    return lines;
}

std::string OpenSshFingerprint(std::string_view sha256) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text = "SHA256:";
    std::uint32_t bits = 0;
    int held = 0;
    for (unsigned char byte : sha256) {
        bits = (bits << 8) | byte;
        held += 8;
        while (held >= 6) {
            held -= 6;
            text += kAlphabet[(bits >> held) & 0x3F];
        }
    }
    if (held > 0) {
        text += kAlphabet[(bits << (6 - held)) & 0x3F];
    }
    return text;
}

namespace {

// Reads one SSH wire string (a 32-bit big-endian length, then the bytes) off the front of
// `blob`; false when the blob ends first.
bool TakeWireString(std::string_view& blob, std::string_view& value) {
    if (blob.size() < 4) {
        return false;
    }
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) {
        length = (length << 8) | static_cast<unsigned char>(blob[i]);
    }
    blob.remove_prefix(4);
    if (length > blob.size()) {
        return false;
    }
    value = blob.substr(0, length);
    blob.remove_prefix(length);
    return true;
}

// The number of significant bits of an unsigned big-endian number.
std::size_t BitLength(std::string_view number) {
    while (!number.empty() && number.front() == '\0') {
        number.remove_prefix(1);
    }
    if (number.empty()) {
        return 0;
    }
    std::size_t bits = number.size() * 8;
    for (auto top = static_cast<unsigned char>(number.front()); (top & 0x80) == 0; top <<= 1) {
        --bits;
    }
    return bits;
}

}  // namespace

std::string KeyTypeAndSize(std::string_view keyBlob) {
    std::string_view type;
    std::string_view first;
    if (!TakeWireString(keyBlob, type) || !TakeWireString(keyBlob, first)) {
        return {};
    }
    if (type == "ssh-rsa") {
        std::string_view modulus;  // after the public exponent
        return TakeWireString(keyBlob, modulus) ? "RSA " + std::to_string(BitLength(modulus))
                                                : std::string();
    }
    if (type == "ssh-dss") {
        return "DSA " + std::to_string(BitLength(first));  // the prime p
    }
    if (type == "ssh-ed25519") {
        return "ED25519 256";
    }
    constexpr std::string_view kEcdsa = "ecdsa-sha2-nistp";
    if (type.starts_with(kEcdsa)) {
        return "ECDSA " + std::string(type.substr(kEcdsa.size()));
    }
    return {};
}

}  // namespace qel
