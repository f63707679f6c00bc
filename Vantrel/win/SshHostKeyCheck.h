// Whether an SSH host's key is the one the known hosts file trusts for it, decided after the key
// exchange and before anything else goes to the host. Lines of OpenSSH's file, plain or hashed,
// under the name as OpenSSH writes it (lower case) or as typed before names were lowered. A key
// of a type the file does not hold for a host it knows by another key is refused like a changed
// key: a man in the middle needs only a key type missing from the file.
#pragma once

#include <libssh2.h>

#include <optional>
#include <string>
#include <vector>

#include "SshAddress.h"

namespace qel {

class SshHostKeyCheck {
public:
    SshHostKeyCheck(LIBSSH2_SESSION* session, const SshAddress& address);
    SshHostKeyCheck(const SshHostKeyCheck&) = delete;
    SshHostKeyCheck& operator=(const SshHostKeyCheck&) = delete;
    ~SshHostKeyCheck();

    // Reads the file (UTF-8 path); no file is an empty list. Lines the library cannot read (a
    // key type it lacks, a marker) are skipped here and kept in the file.
    std::optional<std::string> Read(const std::string& knownHostsPath);
    // Before the key exchange: as OpenSSH does, the key types already known for this host are
    // asked for first, so that a host with several keys shows the one that was trusted.
    void PreferKnownKeyTypes();
    // After the key exchange: nullopt when the key is trusted. A host not known at all sets
    // `unknownKey` (the line that would trust it) and is refused for now.
    std::optional<std::string> Check(std::optional<UnknownHostKey>& unknownKey);

private:
    // The check of `key` under each of the host's names: LIBSSH2_KNOWNHOST_CHECK_*. `keyType`
    // 0 matches any type; `found` is the matching or the first mismatching line.
    int CheckNames(const char* key, std::size_t length, int keyType, libssh2_knownhost** found);
    std::optional<std::string> Unknown(const char* key, std::size_t length, int keyType,
                                       const std::string& fingerprint,
                                       std::optional<UnknownHostKey>& unknownKey);

    LIBSSH2_SESSION* session_;
    LIBSSH2_KNOWNHOSTS* hosts_ = nullptr;
    std::vector<std::string> names_;  // OpenSSH's form first
};

}  // namespace qel
