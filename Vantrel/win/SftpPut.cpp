// One upload over SFTP: connect, check the host's key, log in, write beside the page, rename.
#include <windows.h>

#include "SftpPut.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#include "SftpPageStore.h"
#include "SshHostKeyCheck.h"
#include "SshSession.h"

namespace qel {
namespace {

using SteadyClock = std::chrono::steady_clock;

// The local time of day a moment on the steady clock falls on, in the user's time format.
std::string LocalTimeOf(SteadyClock::time_point moment) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER at{};
    at.LowPart = now.dwLowDateTime;
    at.HighPart = now.dwHighDateTime;
    using Ticks = std::chrono::duration<long long, std::ratio<1, 10000000>>;  // FILETIME's 100 ns
    at.QuadPart += static_cast<ULONGLONG>(std::max<long long>(
        0, std::chrono::duration_cast<Ticks>(moment - SteadyClock::now()).count()));
    const FILETIME then{at.LowPart, at.HighPart};
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    char text[64] = {};
    if (!FileTimeToSystemTime(&then, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local) ||
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &local, nullptr, text, sizeof text) == 0) {
        return "five minutes from now";
    }
    return text;
}

std::optional<std::string> Upload(const FtpPutRequest& request, const SshAddress& address,
                                  const std::string& knownHostsPath,
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
    bool refused = false;
    if (auto failure = session.LogIn(request.userName, request.password, refused)) {
        if (refused) {
            const auto now = SteadyClock::now();
            passwordRest.Refused(request.host, request.userName, request.password, *failure, now);
            return *failure + kSftpNotSentUntil + LocalTimeOf(now + PasswordRest::kRest);
        }
        return failure;
    }
    SftpPageStore store(session);
    return store.Put(request.remotePath, request.content);
}

}  // namespace

std::optional<std::string> PutFileBySftp(const FtpPutRequest& request,
                                         const std::string& knownHostsPath,
                                         std::optional<UnknownHostKey>& unknownKey,
                                         PasswordRest& passwordRest) {
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
    if (const auto until = passwordRest.RestsUntil(request.host, request.userName, request.password,
                                                   SteadyClock::now())) {
        return passwordRest.Reason() + kSftpNotSentUntil + LocalTimeOf(*until);
    }
    return Upload(request, *address, knownHostsPath, unknownKey, passwordRest);
}

}  // namespace qel
