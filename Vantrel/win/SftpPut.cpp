// One upload over SFTP: connect, check the host's key, log in, write beside the page, rename.
#include <windows.h>

#include "SftpPut.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <chrono>
#include <mutex>
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

// A line for the history, once per run: an upload a minute must not repeat it each time.
void Note(std::vector<std::string>& notes, const std::string& line) {
    static std::set<std::string> noted;  // guarded by the uploads' turn
    if (noted.insert(line).second) {
        notes.push_back(line);
    }
}

std::optional<std::string> Upload(const FtpPutRequest& request, const SshAddress& address,
                                  const std::string& knownHostsPath,
                                  const std::vector<SshKeyFile>& keyFiles, LogInTries& tries,
                                  std::optional<UnknownHostKey>& unknownKey,
                                  PasswordRest& passwordRest) {
    SshSession session(request.deadline);
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
    SftpPageStore store(session);
    return store.Put(request.remotePath, request.content);
}

}  // namespace

std::optional<std::string> PutFileBySftp(const FtpPutRequest& request,
                                         const std::string& knownHostsPath,
                                         std::optional<UnknownHostKey>& unknownKey,
                                         PasswordRest& passwordRest,
                                         std::vector<std::string>& notes) {
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
    const auto address = SplitSshAddress(request.host);
    if (!address) {
        return "Not an SFTP host address (host, host:port or [address]:port): " + request.host;
    }
    // The key files sit beside known_hosts, in the user's own folder.
    LogInTries tries;
    std::vector<std::string> warnings;
    auto keyFiles = ReadSshKeyFiles(
        knownHostsPath.substr(0, knownHostsPath.find_last_of("\\/") + 1), tries.problems, warnings);
    // The private keys do not outlive the upload in memory.
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
    auto outcome =
        Upload(request, *address, knownHostsPath, keyFiles, tries, unknownKey, passwordRest);
    if (!outcome) {
        // In by another way: a key file that could not be opened is still worth a line.
        for (const std::string& problem : tries.problems) {
            Note(notes, problem);
        }
    }
    return outcome;
}

}  // namespace qel
