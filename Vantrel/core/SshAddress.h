// What the SFTP upload needs to know about its host that involves no system call: the SSH host
// and port a server address names, the name the host's key is kept under in a known_hosts file,
// and a key's fingerprint as OpenSSH shows it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qel {

inline constexpr unsigned kSshPort = 22;

struct SshAddress {
    std::string host;
    unsigned port = kSshPort;

    bool operator==(const SshAddress&) const = default;
};

// "host", "host:port", "[v6]" or "[v6]:port"; an address with several colons and no brackets is
// a bare IPv6 address on port 22. nullopt when the host is empty, a bracket is left open, or the
// port is not a number from 1 to 65535.
std::optional<SshAddress> SplitSshAddress(std::string_view text);

// The host's name in a known_hosts file, as OpenSSH writes it: "host" on port 22, otherwise
// "[host]:port".
std::string KnownHostName(const SshAddress& address);

// A host key an upload met and did not find among the known hosts.
struct UnknownHostKey {
    std::string host;            // the host's name as the known hosts list keeps it
    std::string fingerprint;     // "SHA256:..."
    std::string knownHostsLine;  // the line that trusts it, as OpenSSH writes it (no line end)

    bool operator==(const UnknownHostKey&) const = default;
};

// "SHA256:" and the unpadded base64 of a key's SHA-256 (the 32 bytes of the digest).
std::string OpenSshFingerprint(std::string_view sha256);

}  // namespace qel
