// Uploads over SFTP: connect, check the host's key, log in, write beside the page, rename; the
// session may be kept for the next page.
#include <windows.h>

#include "SftpPut.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "SftpPageStore.h"
#include "SshHostKeyCheck.h"
#include "SshKeyFiles.h"
#include "SshLogIn.h"
#include "SshSession.h"

namespace qel {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Calls on several threads take turns: the library's random generator is one for the process.
std::timed_mutex& Turn() {
    static std::timed_mutex turn;
    return turn;
}

// The cryptography keeps state per thread (its random generators), which a statically linked
// library cannot free when the thread ends; each upload, and each goodbye, runs on a thread of
// its own.
struct ThreadCryptoState {
    ThreadCryptoState() = default;
    ThreadCryptoState(const ThreadCryptoState&) = delete;
    ThreadCryptoState& operator=(const ThreadCryptoState&) = delete;
    ~ThreadCryptoState() { OPENSSL_thread_stop(); }
};

// A line for the history, once per run: an upload a minute must not repeat it each time.
void Note(std::vector<std::string>& notes, const std::string& line) {
    static std::set<std::string> noted;  // guarded by the uploads' turn
    if (noted.insert(line).second) {
        notes.push_back(line);
    }
}

// A logged-in SSH session and its SFTP channel, kept for the next page to the same host.
class SftpConnection final : public KeptConnection {
public:
    explicit SftpConnection(SshSession::Deadline deadline) { session_.emplace(deadline); }

    SshSession& Session() { return *session_; }

    std::optional<std::string> Put(const FtpPutRequest& request) {
        session_->SetDeadline(request.deadline);
        if (!store_) {
            store_.emplace(*session_);
        }
        auto failure = store_->Put(request.remotePath, request.content);
        session_->StopWatching();
        return failure;
    }

    void Goodbye(std::chrono::milliseconds limit) noexcept override {
        const ThreadCryptoState threadState;
        std::unique_lock lock(Turn(), std::defer_lock);
        if (!lock.try_lock_for(limit)) {
            session_->Abandon();  // an upload holds the library: the connection just closes
        } else {
            session_->SetDeadline(SteadyClock::now() + limit);
        }
        store_.reset();  // the channel's goodbye first, then the session's
        session_.reset();
    }

private:
    std::optional<SshSession> session_;
    std::optional<SftpPageStore> store_;  // after the session it uses: destroyed first
};

// A fresh connection: the host's key checked, then the log-in by agent, key file or password.
std::optional<std::string> OpenSftp(const FtpPutRequest& request, const SshAddress& address,
                                    const std::string& knownHostsPath,
                                    std::optional<UnknownHostKey>& unknownKey,
                                    PasswordRest& passwordRest, std::vector<std::string>& notes,
                                    std::unique_ptr<SftpConnection>& fresh) {
    // The key files sit beside known_hosts, in the user's own folder.
    LogInTries tries;
    std::vector<std::string> warnings;
    auto keyFiles = ReadSshKeyFiles(
        knownHostsPath.substr(0, knownHostsPath.find_last_of("\\/") + 1), tries.problems, warnings);
    // The private keys do not outlive the log-in in memory.
    struct Wipe {
        std::vector<SshKeyFile>& files;
        ~Wipe() {
            for (SshKeyFile& file : files) {
                OPENSSL_cleanse(file.text.data(), file.text.size());
            }
        }
    } const wipe{keyFiles};
    for (const std::string& warning : warnings) {
        Note(notes, warning);
    }
    // A resting password with no key to offer instead: the host is not even called.
    if (const auto until = passwordRest.RestsUntil(request.host, request.userName, request.password,
                                                   SteadyClock::now());
        until && keyFiles.empty() && !SshAgentRunning()) {
        return LogInFailureText(tries, passwordRest.Reason(),
                                kSftpNotSentUntil + LocalTimeOf(*until), "");
    }
    fresh = std::make_unique<SftpConnection>(request.deadline);
    SshSession& session = fresh->Session();
    if (auto failure = session.Start()) {
        return failure;
    }
    SshHostKeyCheck hostKey(session.Handle(), address);
    if (auto failure = hostKey.Read(knownHostsPath)) {
        return failure;
    }
    if (auto failure = session.Connect(address)) {
        return failure;
    }
    hostKey.PreferKnownKeyTypes();
    if (auto failure = session.Handshake()) {
        return failure;
    }
    if (auto failure = hostKey.Check(unknownKey)) {
        return failure;  // nothing, not even the user name, has gone to the host
    }
    if (auto failure = LogInToSshHost(session, request, keyFiles, tries, passwordRest)) {
        return failure;
    }
    // In by another way: a key file that could not be opened is still worth a line.
    for (const std::string& problem : tries.problems) {
        Note(notes, problem);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> PutFileBySftp(const FtpPutRequest& request,
                                         const std::string& knownHostsPath,
                                         std::optional<UnknownHostKey>& unknownKey,
                                         PasswordRest& passwordRest,
                                         std::vector<std::string>& notes,
                                         std::unique_ptr<KeptConnection>& kept) {
    unknownKey.reset();
    std::unique_lock lock(Turn(), std::defer_lock);
    // A bounded wait: a far deadline would overflow the conversion to the system clock.
    const auto left = std::min<SteadyClock::duration>(request.deadline - SteadyClock::now(),
                                                      std::chrono::minutes(10));
    if (!lock.try_lock_for(left)) {
        return std::string(kSftpTimedOut);
    }
    const ThreadCryptoState threadState;
    const auto address = SplitSshAddress(request.host);
    if (!address) {
        return "Not an SFTP host address (host, host:port or [address]:port): " + request.host;
    }
    return PutOverKept<SftpConnection>(
        kept,
        [&](std::unique_ptr<SftpConnection>& fresh) {
            return OpenSftp(request, *address, knownHostsPath, unknownKey, passwordRest, notes,
                            fresh);
        },
        [&request](SftpConnection& connection) { return connection.Put(request); });
}

std::optional<std::string> PutFileBySftp(const FtpPutRequest& request,
                                         const std::string& knownHostsPath,
                                         std::optional<UnknownHostKey>& unknownKey,
                                         PasswordRest& passwordRest,
                                         std::vector<std::string>& notes) {
    std::unique_ptr<KeptConnection> connection;
    auto failure =
        PutFileBySftp(request, knownHostsPath, unknownKey, passwordRest, notes, connection);
    if (connection) {
        connection->Goodbye(std::chrono::milliseconds(1000));
    }
    return failure;
}

}  // namespace qel
