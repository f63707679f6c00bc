// The SSH host and port of a server address, the known_hosts name and the key fingerprint text.
#include "SshAddress.h"

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

std::string KnownHostName(const SshAddress& address) {
    if (address.port == kSshPort) {
        return address.host;
    }
    return "[" + address.host + "]:" + std::to_string(address.port);
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

}  // namespace qel
