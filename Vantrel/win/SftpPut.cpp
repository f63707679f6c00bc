// One upload over SFTP: connect, check the host's key, log in, write beside the page, rename.
#include <winsock2.h>

#include "SftpPut.h"

#include <libssh2.h>
#include <libssh2_sftp.h>
#include <openssl/crypto.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "InternetWaits.h"
#include "KnownHostsFile.h"
#include "SshAddress.h"
#include "TcpConnection.h"

namespace qel {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr long kPageMode = 0644;  // readable by the web server: 0600 would answer 403
constexpr std::size_t kWriteChunk = 30000;

struct SessionFree {
    void operator()(LIBSSH2_SESSION* session) const { libssh2_session_free(session); }
};
struct KnownHostsFree {
    void operator()(LIBSSH2_KNOWNHOSTS* hosts) const { libssh2_knownhost_free(hosts); }
};
struct SftpFree {
    void operator()(LIBSSH2_SFTP* sftp) const { libssh2_sftp_shutdown(sftp); }
};
struct HandleClose {
    void operator()(LIBSSH2_SFTP_HANDLE* handle) const { libssh2_sftp_close_handle(handle); }
};

// The library is set up once for the process and stays (its cryptography's random generator).
bool LibraryStarted() {
    static const bool started = libssh2_init(0) == 0;
    return started;
}

// The host key types the known hosts file names, by the library's key type.
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
    return LIBSSH2_KNOWNHOST_KEY_UNKNOWN;
}

std::string SftpStatusText(unsigned long status) {
    switch (status) {
        case LIBSSH2_FX_NO_SUCH_FILE:
        case LIBSSH2_FX_NO_SUCH_PATH:
            return "No such file or folder on the SFTP host";
        case LIBSSH2_FX_PERMISSION_DENIED:
        case LIBSSH2_FX_WRITE_PROTECT:
            return "The SFTP host denied permission";
        case LIBSSH2_FX_NO_SPACE_ON_FILESYSTEM:
        case LIBSSH2_FX_QUOTA_EXCEEDED:
            return "No space left for the page on the SFTP host";
        case LIBSSH2_FX_FILE_ALREADY_EXISTS:
            return "The file already exists on the SFTP host";
        default:
            return "The SFTP host reported failure " + std::to_string(status);
    }
}

// Answers each question of a keyboard-interactive log-in (a PAM "Password:") with the password.
// The library frees the answers with its default deallocator, free().
void AnswerWithPassword(const char*, int, const char*, int, int promptCount,
                        const LIBSSH2_USERAUTH_KBDINT_PROMPT*,
                        LIBSSH2_USERAUTH_KBDINT_RESPONSE* responses, void** abstract) {
    const auto* password = static_cast<const std::string*>(*abstract);
    for (int i = 0; i < promptCount; ++i) {
        responses[i].text = static_cast<char*>(std::malloc(password->size() + 1));
        if (responses[i].text == nullptr) {
            responses[i].length = 0;
            continue;
        }
        std::memcpy(responses[i].text, password->c_str(), password->size() + 1);
        responses[i].length = static_cast<unsigned>(password->size());
    }
}

class SftpUpload {
public:
    SftpUpload(const FtpPutRequest& request, std::optional<UnknownHostKey>& unknownKey)
        : request_(request), unknownKey_(unknownKey) {}
    SftpUpload(const SftpUpload&) = delete;
    SftpUpload& operator=(const SftpUpload&) = delete;
    ~SftpUpload() {
        if (handshaken_) {
            libssh2_session_set_timeout(session_.get(), 1000);  // a goodbye, never a long wait
        }
        sftp_.reset();
        if (handshaken_) {
            libssh2_session_disconnect(session_.get(), "Upload done");
        }
    }

    std::optional<std::string> Run(const std::string& knownHostsPath) {
        const auto address = SplitSshAddress(request_.host);
        if (!address) {
            return "Not an SFTP host address (host, host:port or [address]:port): " + request_.host;
        }
        hostName_ = KnownHostName(*address);
        if (!LibraryStarted()) {
            return std::string("The SSH library could not be started");
        }
        session_.reset(libssh2_session_init_ex(nullptr, nullptr, nullptr,
                                               const_cast<std::string*>(&request_.password)));
        if (!session_) {
            return std::string("The SSH session could not be made");
        }
        if (auto failure = ReadKnownHostsList(knownHostsPath)) {
            return failure;
        }
        if (Expired()) {
            return std::string(kSftpTimedOut);
        }
        if (auto failure =
                connection_.Connect(address->host, static_cast<unsigned short>(address->port),
                                    static_cast<DWORD>(NextWaitMs()))) {
            return failure;
        }
        libssh2_session_set_blocking(session_.get(), 1);
        PreferKnownKeyTypes();
        SetWait();
        if (const int rc = libssh2_session_handshake(
                session_.get(), static_cast<libssh2_socket_t>(connection_.Socket()))) {
            return rc == LIBSSH2_ERROR_KEX_FAILURE ? std::string(kSftpNoKeyType) : Failure(rc);
        }
        handshaken_ = true;
        if (auto failure = CheckHostKey()) {
            return failure;  // nothing, not even the user name, has gone to the host
        }
        if (auto failure = LogIn()) {
            return failure;
        }
        return Store();
    }

private:
    // Each wait: the usual limit, cut to what is left before the upload is given up.
    long NextWaitMs() const {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(request_.deadline -
                                                                                SteadyClock::now());
        return static_cast<long>(
            std::clamp<std::chrono::milliseconds::rep>(left.count(), 1, kInternetWaitLimitMs));
    }
    bool Expired() const { return SteadyClock::now() >= request_.deadline; }
    void SetWait() { libssh2_session_set_timeout(session_.get(), NextWaitMs()); }

    std::string Failure(int rc) const {
        if (rc == LIBSSH2_ERROR_TIMEOUT || Expired()) {
            return kSftpTimedOut;
        }
        if (rc == LIBSSH2_ERROR_SOCKET_RECV || rc == LIBSSH2_ERROR_SOCKET_SEND ||
            rc == LIBSSH2_ERROR_SOCKET_DISCONNECT) {
            return "The SFTP host closed the connection";
        }
        char* message = nullptr;
        libssh2_session_last_error(session_.get(), &message, nullptr, 0);
        return std::string("SSH failure: ") + (message != nullptr ? message : "unknown");
    }

    std::string SftpFailure(int rc, const std::string& path) const {
        if (rc == LIBSSH2_ERROR_SFTP_PROTOCOL && sftp_) {
            return SftpStatusText(libssh2_sftp_last_error(sftp_.get())) + " (" + path + ")";
        }
        return Failure(rc);
    }

    // Lines the library cannot read (a key type it lacks, a marker) are skipped here and kept in
    // the file: only a line is ever added to it.
    std::optional<std::string> ReadKnownHostsList(const std::string& path) {
        std::string failure;
        const auto bytes = ReadKnownHosts(path, failure);
        if (!bytes) {
            return failure;
        }
        knownHosts_.reset(libssh2_knownhost_init(session_.get()));
        if (!knownHosts_) {
            return std::string("The known hosts list could not be made");
        }
        std::size_t start = 0;
        while (start < bytes->size()) {
            std::size_t end = bytes->find('\n', start);
            if (end == std::string::npos) {
                end = bytes->size();
            }
            std::string line = bytes->substr(start, end - start);
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
                line.pop_back();
            }
            if (!line.empty()) {
                libssh2_knownhost_readline(knownHosts_.get(), line.data(), line.size(),
                                           LIBSSH2_KNOWNHOST_FILE_OPENSSH);
            }
            start = end + 1;
        }
        return std::nullopt;
    }

    // As OpenSSH does: the key types already known for this host are asked for first, so a host
    // with several keys shows the one that was trusted rather than look like a new host.
    void PreferKnownKeyTypes() {
        std::vector<int> known;
        libssh2_knownhost* entry = nullptr;
        while (libssh2_knownhost_get(knownHosts_.get(), &entry, entry) == 0) {
            if (entry->name != nullptr && hostName_ == entry->name) {
                known.push_back(entry->typemask & LIBSSH2_KNOWNHOST_KEY_MASK);
            }
        }
        if (known.empty()) {
            return;
        }
        const char** algorithms = nullptr;
        const int count =
            libssh2_session_supported_algs(session_.get(), LIBSSH2_METHOD_HOSTKEY, &algorithms);
        if (count <= 0) {
            return;
        }
        std::vector<std::string> names(algorithms, algorithms + count);
        libssh2_free(session_.get(), algorithms);
        std::stable_partition(names.begin(), names.end(), [&](const std::string& name) {
            return std::find(known.begin(), known.end(), AlgorithmKeyType(name)) != known.end();
        });
        std::string preference;
        for (const std::string& name : names) {
            preference += (preference.empty() ? "" : ",") + name;
        }
        libssh2_session_method_pref(session_.get(), LIBSSH2_METHOD_HOSTKEY, preference.c_str());
    }

    std::optional<std::string> CheckHostKey() {
        std::size_t length = 0;
        int type = LIBSSH2_HOSTKEY_TYPE_UNKNOWN;
        const char* key = libssh2_session_hostkey(session_.get(), &length, &type);
        const char* hash = libssh2_hostkey_hash(session_.get(), LIBSSH2_HOSTKEY_HASH_SHA256);
        if (key == nullptr || hash == nullptr) {
            return std::string("The SFTP host showed no key");
        }
        const std::string fingerprint = OpenSshFingerprint(std::string_view(hash, 32));
        const int typemask =
            LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW | KnownHostKeyType(type);
        libssh2_knownhost* found = nullptr;
        // The name as the file keeps it ("[host]:port" off port 22), so only that port matches.
        switch (libssh2_knownhost_checkp(knownHosts_.get(), hostName_.c_str(), -1, key, length,
                                         typemask, &found)) {
            case LIBSSH2_KNOWNHOST_CHECK_MATCH:
                return std::nullopt;
            case LIBSSH2_KNOWNHOST_CHECK_MISMATCH:
                return kSftpKeyChanged + hostName_ + " (it shows " + fingerprint + ")";
            case LIBSSH2_KNOWNHOST_CHECK_NOTFOUND:
                return UnknownKey(key, length, typemask, fingerprint);
            default:
                return std::string("The SFTP host's key could not be checked");
        }
    }

    std::optional<std::string> UnknownKey(const char* key, std::size_t length, int typemask,
                                          const std::string& fingerprint) {
        libssh2_knownhost* added = nullptr;
        char line[16 * 1024];
        std::size_t lineLength = 0;
        if (libssh2_knownhost_addc(knownHosts_.get(), hostName_.c_str(), nullptr, key, length,
                                   nullptr, 0, typemask, &added) != 0 ||
            libssh2_knownhost_writeline(knownHosts_.get(), added, line, sizeof line, &lineLength,
                                        LIBSSH2_KNOWNHOST_FILE_OPENSSH) != 0) {
            return std::string("The SFTP host's key could not be read");
        }
        std::string text(line, lineLength);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        unknownKey_ = UnknownHostKey{hostName_, fingerprint, std::move(text)};
        return HostKeyQuestion::RefusalText(*unknownKey_);
    }

    std::optional<std::string> LogIn() {
        const std::string& user = request_.userName;
        const auto userLength = static_cast<unsigned>(user.size());
        SetWait();
        const char* offered = libssh2_userauth_list(session_.get(), user.c_str(), userLength);
        if (offered == nullptr) {
            if (libssh2_userauth_authenticated(session_.get())) {
                return std::nullopt;  // the host asks for nothing
            }
            return Failure(libssh2_session_last_errno(session_.get()));
        }
        const std::string methods = std::string(",") + offered + ",";
        const bool password = methods.find(",password,") != std::string::npos;
        const bool interactive = methods.find(",keyboard-interactive,") != std::string::npos;
        if (!password && !interactive) {
            return std::string(kSftpKeysOnly);
        }
        int rc = LIBSSH2_ERROR_AUTHENTICATION_FAILED;
        if (password) {
            SetWait();
            rc = libssh2_userauth_password_ex(
                session_.get(), user.c_str(), userLength, request_.password.c_str(),
                static_cast<unsigned>(request_.password.size()), nullptr);
        }
        if (rc != 0 && interactive && rc != LIBSSH2_ERROR_TIMEOUT && !Expired()) {
            SetWait();
            rc = libssh2_userauth_keyboard_interactive_ex(session_.get(), user.c_str(), userLength,
                                                          &AnswerWithPassword);
        }
        if (rc == 0) {
            return std::nullopt;
        }
        if (rc == LIBSSH2_ERROR_AUTHENTICATION_FAILED || rc == LIBSSH2_ERROR_PASSWORD_EXPIRED) {
            return std::string(kSftpLoginRefused);
        }
        return Failure(rc);
    }

    std::optional<std::string> Store() {
        SetWait();
        sftp_.reset(libssh2_sftp_init(session_.get()));
        if (!sftp_) {
            return Failure(libssh2_session_last_errno(session_.get()));
        }
        const std::string& path = request_.remotePath;
        const std::size_t slash = path.rfind('/');
        const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
        // One fixed name per page, hidden from listings: one left by an upload that was cut off
        // is simply written again.
        temporary_ = path.substr(0, nameStart) + "." + path.substr(nameStart) + ".tmp";
        std::optional<std::string> failure = WriteTemporary();
        if (!failure) {
            failure = RenameOverPage();
        }
        if (failure && temporaryMade_) {
            libssh2_session_set_timeout(session_.get(), std::max(NextWaitMs(), 1000L));
            libssh2_sftp_unlink_ex(sftp_.get(), temporary_.c_str(),
                                   static_cast<unsigned>(temporary_.size()));
        }
        return failure;
    }

    std::optional<std::string> WriteTemporary() {
        SetWait();
        std::unique_ptr<LIBSSH2_SFTP_HANDLE, HandleClose> file(libssh2_sftp_open_ex(
            sftp_.get(), temporary_.c_str(), static_cast<unsigned>(temporary_.size()),
            LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT | LIBSSH2_FXF_TRUNC, kPageMode,
            LIBSSH2_SFTP_OPENFILE));
        if (!file) {
            return SftpFailure(libssh2_session_last_errno(session_.get()), temporary_);
        }
        temporaryMade_ = true;
        // An abandoned file keeps its old mode through the open: set it.
        LIBSSH2_SFTP_ATTRIBUTES attributes{};
        attributes.flags = LIBSSH2_SFTP_ATTR_PERMISSIONS;
        attributes.permissions = kPageMode;
        SetWait();
        if (const int rc = libssh2_sftp_fsetstat(file.get(), &attributes)) {
            return SftpFailure(rc, temporary_);
        }
        const std::string& bytes = request_.content;
        for (std::size_t done = 0; done < bytes.size();) {
            SetWait();
            const ssize_t sent = libssh2_sftp_write(file.get(), bytes.data() + done,
                                                    std::min(bytes.size() - done, kWriteChunk));
            if (sent <= 0) {
                return SftpFailure(sent == 0 ? LIBSSH2_ERROR_SOCKET_SEND : static_cast<int>(sent),
                                   temporary_);
            }
            done += static_cast<std::size_t>(sent);
        }
        SetWait();
        if (const int rc = libssh2_sftp_close_handle(file.release())) {
            return SftpFailure(rc, temporary_);
        }
        return std::nullopt;
    }

    // OpenSSH's posix-rename replaces the page in one step; a server without it gets the old
    // page removed first (SFTP version 3's own rename never replaces a file).
    std::optional<std::string> RenameOverPage() {
        const std::string& path = request_.remotePath;
        const auto pathLength = static_cast<unsigned>(path.size());
        const auto temporaryLength = static_cast<unsigned>(temporary_.size());
        SetWait();
        int rc = libssh2_sftp_posix_rename_ex(sftp_.get(), temporary_.c_str(), temporaryLength,
                                              path.c_str(), pathLength);
        if (rc == LIBSSH2_ERROR_SFTP_PROTOCOL &&
            libssh2_sftp_last_error(sftp_.get()) == LIBSSH2_FX_OP_UNSUPPORTED) {
            SetWait();
            libssh2_sftp_unlink_ex(sftp_.get(), path.c_str(), pathLength);
            SetWait();
            rc = libssh2_sftp_rename_ex(sftp_.get(), temporary_.c_str(), temporaryLength,
                                        path.c_str(), pathLength,
                                        LIBSSH2_SFTP_RENAME_OVERWRITE | LIBSSH2_SFTP_RENAME_ATOMIC |
                                            LIBSSH2_SFTP_RENAME_NATIVE);
        }
        return rc == 0 ? std::nullopt : std::optional(SftpFailure(rc, path));
    }

    const FtpPutRequest& request_;
    std::optional<UnknownHostKey>& unknownKey_;
    std::string hostName_;
    std::string temporary_;
    bool temporaryMade_ = false;
    bool handshaken_ = false;
    TcpConnection connection_;
    // Destroyed in reverse: the file transfer, the list, the session, then the connection.
    std::unique_ptr<LIBSSH2_SESSION, SessionFree> session_;
    std::unique_ptr<LIBSSH2_KNOWNHOSTS, KnownHostsFree> knownHosts_;
    std::unique_ptr<LIBSSH2_SFTP, SftpFree> sftp_;
};

}  // namespace

std::optional<std::string> PutFileBySftp(const FtpPutRequest& request,
                                         const std::string& knownHostsPath,
                                         std::optional<UnknownHostKey>& unknownKey) {
    unknownKey.reset();
    static std::timed_mutex turn;
    std::unique_lock lock(turn, std::defer_lock);
    // A bounded wait: a far deadline would overflow the conversion to the system clock.
    const auto left = std::min<SteadyClock::duration>(request.deadline - SteadyClock::now(),
                                                      std::chrono::minutes(10));
    if (!lock.try_lock_for(left)) {
        return std::string(kSftpTimedOut);
    }
    // The cryptography keeps state per thread (its random generators), which a statically linked
    // library cannot free when the thread ends; each upload runs on a thread of its own.
    struct ThreadCryptoState {
        ~ThreadCryptoState() { OPENSSL_thread_stop(); }
    } const threadState;
    SftpUpload upload(request, unknownKey);
    return upload.Run(knownHostsPath);
}

}  // namespace qel
