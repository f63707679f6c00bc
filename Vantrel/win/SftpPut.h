// One upload over SFTP from start to end (libssh2 over a Winsock connection): the host's key
// checked against the known hosts file before anything else is sent, a password log-in, and the
// page written beside its place and renamed over it, so a visitor never reads half a page.
#pragma once

#include <optional>
#include <string>

#include "FtpPut.h"
#include "HostKeyQuestion.h"

namespace qel {

// The texts of the failures a user must act on; each is followed by details where there are.
inline constexpr char kSftpKeyChanged[] =
    "The SFTP host's key has changed: nothing sent. If the host really has a new key, remove the "
    "host's line from known_hosts: ";
inline constexpr char kSftpKeysOnly[] =
    "The SFTP host accepts no password, only keys, for this user";
inline constexpr char kSftpNoKeyType[] =
    "No key exchange with the SFTP host: it offers no host key type or cipher Qel supports "
    "(RSA, ECDSA and Ed25519 host keys)";
inline constexpr char kSftpLoginRefused[] = "The SFTP host refused the user name or password";
inline constexpr char kSftpTimedOut[] = "The SFTP host did not answer in time";

// Blocks until the upload has ended; nullopt when the file was stored, otherwise the failure's
// description. `request.host` is the SSH host ("host", "host:port", "[v6]:port"); the remote path
// is from the server's root. Keys are looked up in the file `knownHostsPath` (UTF-8); a host that
// is not in it sends nothing and sets `unknownKey` (the failure then names the fingerprint).
// Every wait is at most the usual limit and ends by request.deadline. Calls on several threads
// take turns: the library's random generator is one for the process.
std::optional<std::string> PutFileBySftp(const FtpPutRequest& request,
                                         const std::string& knownHostsPath,
                                         std::optional<UnknownHostKey>& unknownKey);

}  // namespace qel
