// An SSH host's key checked against the known hosts file, across key types and hashed lines.
#include "SshHostKeyCheck.h"

#include <algorithm>
#include <array>

#include "HostKeyQuestion.h"
#include "KnownHostsFile.h"
#include "SftpTexts.h"

namespace qel {
namespace {

constexpr int kNameForm = LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW;

// The key types the known hosts file names, by the library's host key type.
int KnownHostKeyType(int hostKeyType) {
    switch (hostKeyType) {
        case LIBSSH2_HOSTKEY_TYPE_RSA:
            return LIBSSH2_KNOWNHOST_KEY_SSHRSA;
        case LIBSSH2_HOSTKEY_TYPE_DSS:
            return LIBSSH2_KNOWNHOST_KEY_SSHDSS;
        case LIBSSH2_HOSTKEY_TYPE_ECDSA_256:
            return LIBSSH2_KNOWNHOST_KEY_ECDSA_256;
        case LIBSSH2_HOSTKEY_TYPE_ECDSA_384:
            return LIBSSH2_KNOWNHOST_KEY_ECDSA_384;
        case LIBSSH2_HOSTKEY_TYPE_ECDSA_521:
            return LIBSSH2_KNOWNHOST_KEY_ECDSA_521;
        case LIBSSH2_HOSTKEY_TYPE_ED25519:
            return LIBSSH2_KNOWNHOST_KEY_ED25519;
        default:
            return LIBSSH2_KNOWNHOST_KEY_UNKNOWN;
    }
}

constexpr std::array kKnownKeyTypes{
    LIBSSH2_KNOWNHOST_KEY_SSHRSA,    LIBSSH2_KNOWNHOST_KEY_ECDSA_256,
    LIBSSH2_KNOWNHOST_KEY_ECDSA_384, LIBSSH2_KNOWNHOST_KEY_ECDSA_521,
    LIBSSH2_KNOWNHOST_KEY_ED25519,   LIBSSH2_KNOWNHOST_KEY_SSHDSS};

// The known hosts key type a host key algorithm signs with.
int AlgorithmKeyType(const std::string& algorithm) {
    if (algorithm == "ssh-rsa" || algorithm.starts_with("rsa-sha2-")) {
        return LIBSSH2_KNOWNHOST_KEY_SSHRSA;
    }
    if (algorithm == "ecdsa-sha2-nistp256") {
        return LIBSSH2_KNOWNHOST_KEY_ECDSA_256;
    }
    if (algorithm == "ecdsa-sha2-nistp384") {
        return LIBSSH2_KNOWNHOST_KEY_ECDSA_384;
    }
    if (algorithm == "ecdsa-sha2-nistp521") {
        return LIBSSH2_KNOWNHOST_KEY_ECDSA_521;
    }
    if (algorithm == "ssh-ed25519") {
        return LIBSSH2_KNOWNHOST_KEY_ED25519;
    }
    if (algorithm == "ssh-dss") {
        return LIBSSH2_KNOWNHOST_KEY_SSHDSS;
    }
    return LIBSSH2_KNOWNHOST_KEY_UNKNOWN;
}

const char* KeyTypeName(int knownKeyType) {
    switch (knownKeyType) {
        case LIBSSH2_KNOWNHOST_KEY_SSHRSA:
            return "RSA";
        case LIBSSH2_KNOWNHOST_KEY_SSHDSS:
            return "DSA";
        case LIBSSH2_KNOWNHOST_KEY_ED25519:
            return "ED25519";
        case LIBSSH2_KNOWNHOST_KEY_ECDSA_256:
        case LIBSSH2_KNOWNHOST_KEY_ECDSA_384:
        case LIBSSH2_KNOWNHOST_KEY_ECDSA_521:
            return "ECDSA";
        default:
            return "other";
    }
}

}  // namespace

SshHostKeyCheck::SshHostKeyCheck(LIBSSH2_SESSION* session, const SshAddress& address)
    : session_(session), names_{KnownHostName(address)} {
    if (const std::string typed = KnownHostNameAsTyped(address); typed != names_.front()) {
        names_.push_back(typed);
    }
}

SshHostKeyCheck::~SshHostKeyCheck() {
    if (hosts_ != nullptr) {
        libssh2_knownhost_free(hosts_);
    }
}

std::optional<std::string> SshHostKeyCheck::Read(const std::string& knownHostsPath) {
    std::string failure;
    const auto bytes = ReadKnownHosts(knownHostsPath, failure);
    if (!bytes) {
        return failure;
    }
    hosts_ = libssh2_knownhost_init(session_);
    if (hosts_ == nullptr) {
        return std::string("The known hosts list could not be made");
    }
    for (const std::string& line : KnownHostsLines(*bytes)) {
        libssh2_knownhost_readline(hosts_, line.data(), line.size(),
                                   LIBSSH2_KNOWNHOST_FILE_OPENSSH);
    }
    return std::nullopt;
}

int SshHostKeyCheck::CheckNames(const char* key, std::size_t length, int keyType,
                                libssh2_knownhost** found) {
    int outcome = LIBSSH2_KNOWNHOST_CHECK_NOTFOUND;
    for (const std::string& name : names_) {
        // The name as the file keeps it ("[host]:port" off port 22), so only that port matches.
        outcome = libssh2_knownhost_checkp(hosts_, name.c_str(), -1, key, length,
                                           kNameForm | keyType, found);
        if (outcome != LIBSSH2_KNOWNHOST_CHECK_NOTFOUND) {
            return outcome;
        }
    }
    return outcome;
}

void SshHostKeyCheck::PreferKnownKeyTypes() {
    // A hashed line hides its name, so each type is asked about with a key no host has: a line
    // of that type for this host then answers "mismatch".
    static constexpr char kNoKey[] = "none";
    std::vector<int> known;
    for (const int type : kKnownKeyTypes) {
        libssh2_knownhost* found = nullptr;
        if (CheckNames(kNoKey, sizeof kNoKey - 1, type, &found) !=
            LIBSSH2_KNOWNHOST_CHECK_NOTFOUND) {
            known.push_back(type);
        }
    }
    if (known.empty()) {
        return;
    }
    const char** algorithms = nullptr;
    const int count = libssh2_session_supported_algs(session_, LIBSSH2_METHOD_HOSTKEY, &algorithms);
    if (count <= 0) {
        return;
    }
    std::vector<std::string> names(algorithms, algorithms + count);
    libssh2_free(session_, algorithms);
    std::stable_partition(names.begin(), names.end(), [&](const std::string& name) {
        return std::find(known.begin(), known.end(), AlgorithmKeyType(name)) != known.end();
    });
    std::string preference;
    for (const std::string& name : names) {
        preference += (preference.empty() ? "" : ",") + name;
    }
    libssh2_session_method_pref(session_, LIBSSH2_METHOD_HOSTKEY, preference.c_str());
}

std::optional<std::string> SshHostKeyCheck::Check(std::optional<UnknownHostKey>& unknownKey) {
    std::size_t length = 0;
    int type = LIBSSH2_HOSTKEY_TYPE_UNKNOWN;
    const char* key = libssh2_session_hostkey(session_, &length, &type);
    const char* hash = libssh2_hostkey_hash(session_, LIBSSH2_HOSTKEY_HASH_SHA256);
    if (key == nullptr || hash == nullptr) {
        return std::string("The SFTP host showed no key");
    }
    const std::string fingerprint = OpenSshFingerprint(std::string_view(hash, 32));
    const std::string typeAndSize = KeyTypeAndSize(std::string_view(key, length));
    const std::string shown = (typeAndSize.empty() ? "" : typeAndSize + " ") + fingerprint;
    const int keyType = KnownHostKeyType(type);
    libssh2_knownhost* found = nullptr;
    switch (CheckNames(key, length, keyType, &found)) {
        case LIBSSH2_KNOWNHOST_CHECK_MATCH:
            return std::nullopt;
        case LIBSSH2_KNOWNHOST_CHECK_MISMATCH:
            return kSftpKeyChanged + names_.front() + " (it shows " + shown + ")";
        case LIBSSH2_KNOWNHOST_CHECK_NOTFOUND:
            break;
        default:
            return std::string("The SFTP host's key could not be checked");
    }
    // Not known by this type: known by another, it is no new host.
    found = nullptr;
    if (CheckNames(key, length, 0, &found) != LIBSSH2_KNOWNHOST_CHECK_NOTFOUND &&
        found != nullptr) {
        return kSftpKeyChanged + names_.front() + " (it shows " + shown +
               "; known_hosts holds its " +
               KeyTypeName(found->typemask & LIBSSH2_KNOWNHOST_KEY_MASK) + " key)";
    }
    return Unknown(key, length, keyType, fingerprint, unknownKey);
}

std::optional<std::string> SshHostKeyCheck::Unknown(const char* key, std::size_t length,
                                                    int keyType, const std::string& fingerprint,
                                                    std::optional<UnknownHostKey>& unknownKey) {
    libssh2_knownhost* added = nullptr;
    char line[16 * 1024];
    std::size_t lineLength = 0;
    const std::string& name = names_.front();
    if (libssh2_knownhost_addc(hosts_, name.c_str(), nullptr, key, length, nullptr, 0,
                               kNameForm | keyType, &added) != 0 ||
        libssh2_knownhost_writeline(hosts_, added, line, sizeof line, &lineLength,
                                    LIBSSH2_KNOWNHOST_FILE_OPENSSH) != 0) {
        return std::string("The SFTP host's key could not be read");
    }
    std::string text(line, lineLength);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    unknownKey = UnknownHostKey{name, fingerprint, std::move(text),
                                KeyTypeAndSize(std::string_view(key, length))};
    return HostKeyQuestion::RefusalText(*unknownKey);
}

}  // namespace qel
