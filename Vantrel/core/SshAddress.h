// What the SFTP upload needs to know about its host that involves no system call: the SSH host
// and port a server address names, the name the host's key is kept under in a known_hosts file,
// the file's lines, and a key's fingerprint, type and size as OpenSSH shows them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// "[host]:port", in lower case (host names know no case).
std::string KnownHostName(const SshAddress& address);
// The same with the host as typed: lines kept under that name before names were lowered still
// count. Equal to KnownHostName when the host has no capitals.
std::string KnownHostNameAsTyped(const SshAddress& address);

// The lines of a known_hosts file, without their line ends; a UTF-8 byte order mark (an editor's
// mark, not part of the first line) and blank lines are left out.
std::vector<std::string> KnownHostsLines(std::string_view bytes);

// A host key an upload met and did not find among the known hosts.
struct UnknownHostKey {
    std::string host;            // the host's name as the known hosts list keeps it
    std::string fingerprint;     // "SHA256:..."
    std::string knownHostsLine;  // the line that trusts it, as OpenSSH writes it (no line end)
    std::string keyType = {};    // the key's type and size, "RSA 3072", "ECDSA 256"

    bool operator==(const UnknownHostKey&) const = default;
};

// "SHA256:" and the unpadded base64 of a key's SHA-256 (the 32 bytes of the digest).
std::string OpenSshFingerprint(std::string_view sha256);
// The type and size of a host key given in the SSH wire form, as ssh-keygen names them
// ("RSA 3072", "ECDSA 256", "ED25519 256", "DSA 1024"); empty when the form is not understood.
std::string KeyTypeAndSize(std::string_view keyBlob);

}  // namespace qel
