// Logs in to an SSH host by agent keys, key files and the password, in that order.
#include <windows.h>

#include "SshLogIn.h"

#include <algorithm>

#include "SftpTexts.h"

namespace qel {
namespace {

using SteadyClock = std::chrono::steady_clock;

// The host turned the key down (rather than the connection failing on the way).
bool KeyRefused(int rc) {
    return rc == LIBSSH2_ERROR_PUBLICKEY_UNVERIFIED || rc == LIBSSH2_ERROR_AUTHENTICATION_FAILED;
}

bool ConnectionLost(const SshSession& session, int rc) {
    return rc == LIBSSH2_ERROR_TIMEOUT || rc == LIBSSH2_ERROR_SOCKET_RECV ||
           rc == LIBSSH2_ERROR_SOCKET_SEND || rc == LIBSSH2_ERROR_SOCKET_DISCONNECT ||
           session.Expired();
}

class Agent {
public:
    explicit Agent(LIBSSH2_SESSION* session) : agent_(libssh2_agent_init(session)) {}
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;
    ~Agent() {
        if (agent_ != nullptr) {
            libssh2_agent_disconnect(agent_);
            libssh2_agent_free(agent_);
        }
    }
    // Pageant when it runs, else the OpenSSH agent: the library stops at the first it reaches.
    bool Connect() {
        if (agent_ == nullptr) {
            return false;
        }
        libssh2_agent_set_identity_path(agent_, kOpenSshAgentPipe);
        return libssh2_agent_connect(agent_) == 0 && libssh2_agent_list_identities(agent_) == 0;
    }
    libssh2_agent_publickey* Next(libssh2_agent_publickey* previous) {
        libssh2_agent_publickey* key = nullptr;
        return libssh2_agent_get_identity(agent_, &key, previous) == 0 ? key : nullptr;
    }
    LIBSSH2_AGENT* Handle() const { return agent_; }

private:
    LIBSSH2_AGENT* agent_;
};

// Offers the agent's keys, at most kMaxAgentKeys; `in` when one was accepted.
std::optional<std::string> OfferAgentKeys(SshSession& session, const std::string& user,
                                          LogInTries& tries, bool& in) {
    Agent agent(session.Handle());
    if (!agent.Connect()) {
        return std::nullopt;  // no agent: nothing to offer
    }
    for (libssh2_agent_publickey* key = agent.Next(nullptr);
         key != nullptr && tries.agentKeys < kMaxAgentKeys; key = agent.Next(key)) {
        session.SetWait();
        const int rc = libssh2_agent_userauth(agent.Handle(), user.c_str(), key);
        ++tries.agentKeys;
        if (rc == 0) {
            in = true;
            return std::nullopt;
        }
        if (ConnectionLost(session, rc)) {
            return session.Failure(rc);
        }
    }
    return std::nullopt;
}

// Offers one key file, opened with the password as its passphrase; `in` when accepted.
std::optional<std::string> OfferKeyFile(SshSession& session, const std::string& user,
                                        const SshKeyFile& file, const std::string& password,
                                        LogInTries& tries, bool& in) {
    const bool noPassphrase = file.form == KeyFileForm::Encrypted && password.empty();
    if (file.form == KeyFileForm::NotAKey || noPassphrase) {
        tries.problems.push_back(KeyFileProblem(file.name, file.form, password.empty()));
        return std::nullopt;
    }
    session.SetWait();
    // The public key is taken from the private one: it must be opened before anything is sent.
    const int rc = libssh2_userauth_publickey_frommemory(session.Handle(), user.c_str(),
                                                         user.size(), nullptr, 0, file.text.data(),
                                                         file.text.size(), password.c_str());
    if (rc == 0) {
        in = true;
    } else if (KeyRefused(rc)) {
        tries.keyFiles.push_back(file.name);
    } else if (ConnectionLost(session, rc)) {
        return session.Failure(rc);
    } else {
        tries.problems.push_back(KeyFileProblem(file.name, file.form, password.empty()));
    }
    return std::nullopt;
}

}  // namespace

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

std::optional<std::string> LogInToSshHost(SshSession& session, const FtpPutRequest& request,
                                          const std::vector<SshKeyFile>& keyFiles,
                                          LogInTries& tries, PasswordRest& rest) {
    const std::string& user = request.userName;
    std::string methods;
    if (auto failure = session.OfferedMethods(user, methods)) {
        return failure;
    }
    if (methods.empty()) {
        return std::nullopt;  // in without a log-in
    }
    bool in = false;
    if (methods.find(",publickey,") != std::string::npos) {
        if (auto failure = OfferAgentKeys(session, user, tries, in); failure || in) {
            return failure;
        }
        for (const SshKeyFile& file : keyFiles) {
            if (tries.agentKeys + static_cast<int>(tries.keyFiles.size()) >= kMaxKeysOffered) {
                break;
            }
            if (auto failure = OfferKeyFile(session, user, file, request.password, tries, in);
                failure || in) {
                return failure;
            }
        }
    }
    std::string refusal;
    std::string until;
    const auto now = SteadyClock::now();
    if (const auto restsUntil = rest.RestsUntil(request.host, user, request.password, now)) {
        refusal = rest.Reason();
        until = kSftpNotSentUntil + LocalTimeOf(*restsUntil);
    } else if (!request.password.empty() && SshSession::PasswordOffered(methods)) {
        tries.password = true;
        bool refused = false;
        auto failure = session.LogIn(user, request.password, methods, refused);
        if (!failure || !refused) {
            return failure;
        }
        rest.Refused(request.host, user, request.password, *failure, now);
        refusal = *failure;
        until = kSftpNotSentUntil + LocalTimeOf(now + PasswordRest::kRest);
    }
    return LogInFailureText(tries, refusal, until,
                            SshSession::PasswordOffered(methods) ? kSftpNoPassword : kSftpKeysOnly);
}

}  // namespace qel
