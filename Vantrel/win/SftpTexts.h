// The texts of the SFTP upload's failures that a user must act on; each is followed by details
// where there are.
#pragma once

namespace qel {

inline constexpr char kSftpKeyChanged[] =
    "The SFTP host's key has changed: nothing sent. If the host really has a new key, remove the "
    "host's line from known_hosts: ";
inline constexpr char kSftpKeysOnly[] =
    "The SFTP host accepts no password, only keys, for this user";
inline constexpr char kSftpNoKeyType[] =
    "No key exchange with the SFTP host: it offers no host key type or cipher Qel supports "
    "(RSA, ECDSA and Ed25519 host keys)";
inline constexpr char kSftpLoginRefused[] = "The SFTP host refused the user name or password";
inline constexpr char kSftpMoreThanPassword[] =
    "The SFTP host asks for more than a password at log-in (a code, or several questions)";
// Follows either of the two above, with the local time it ends at.
inline constexpr char kSftpNotSentUntil[] = ": the same password is not sent again until ";
// No key was found to offer, and the password box is empty.
inline constexpr char kSftpNoPassword[] = "No Password set";
inline constexpr char kSftpTimedOut[] = "The SFTP host did not answer in time";

}  // namespace qel
