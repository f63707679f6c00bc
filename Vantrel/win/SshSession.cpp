// One SSH session with a host: connection, closer, key exchange, password log-in, goodbye.
#include <winsock2.h>

#include "SshSession.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <malloc.h>
#include <cstring>
#include <vector>

#include "InternetWaits.h"
#include "SftpTexts.h"
#include "SshLogInRules.h"

namespace qel {
namespace {

using SteadyClock = std::chrono::steady_clock;

// A goodbye is a courtesy: never a long wait.
constexpr long kGoodbyeWaitMs = 1000;

// The library's memory, counted. The blocks are the C library's own, sized by it: should the SSH
// library ever hand one to its cryptography to free with free(), that still works.
std::atomic<std::int64_t> librarySessionBytes{0};

std::int64_t BlockSize(void* block) {
    return static_cast<std::int64_t>(_msize(block));
}

void* Allocate(std::size_t count, void**) {
    void* block = std::malloc(count == 0 ? 1 : count);
    if (block != nullptr) {
        librarySessionBytes += BlockSize(block);
    }
    return block;
}

void Free(void* block, void**) {
    if (block != nullptr) {
        librarySessionBytes -= BlockSize(block);
        std::free(block);
    }
}

void* Reallocate(void* block, std::size_t count, void** abstract) {
    if (block == nullptr) {
        return Allocate(count, abstract);
    }
    const std::int64_t old = BlockSize(block);
    void* moved = std::realloc(block, count == 0 ? 1 : count);
    if (moved != nullptr) {
        librarySessionBytes += BlockSize(moved) - old;
    }
    return moved;
}

// The library is set up once for the process and stays (its cryptography's random generator).
bool LibraryStarted() {
    static const bool started = libssh2_init(0) == 0;
    return started;
}

}  // namespace

std::int64_t SshLibraryBytes() {
    return librarySessionBytes.load();
}

SshSession::~SshSession() {
    if (session_ != nullptr) {
        if (handshaken_ && !closer_.Closed()) {
            libssh2_session_set_timeout(session_, std::min(NextWaitMs(), kGoodbyeWaitMs));
            libssh2_session_disconnect(session_, "Upload done");
        }
        // Whatever the library still frees must find nothing to wait for on the host: a host
        // that has stopped answering would otherwise keep the session's memory for ever.
        closer_.CloseNow();
        libssh2_session_free(session_);
    }
    closer_.Stop();
}

std::optional<std::string> SshSession::Start() {
    if (!LibraryStarted()) {
        return std::string("The SSH library could not be started");
    }
    session_ = libssh2_session_init_ex(&Allocate, &Free, &Reallocate, &prompting_);
    if (session_ == nullptr) {
        return std::string("The SSH session could not be made");
    }
    libssh2_session_set_blocking(session_, 1);
    return std::nullopt;
}

std::optional<std::string> SshSession::Connect(const SshAddress& address) {
    if (Expired()) {
        return std::string(kSftpTimedOut);
    }
    connection_.SetDeadline(deadline_);
    if (auto failure = connection_.Connect(address.host, static_cast<unsigned short>(address.port),
                                           kInternetWaitLimitMs)) {
        return Expired() ? std::string(kSftpTimedOut) : *failure;
    }
    if (!closer_.Watch(connection_.Socket(), deadline_)) {
        return std::string("The SSH connection's time limit could not be set");
    }
    return std::nullopt;
}

void SshSession::SetDeadline(Deadline deadline) {
    deadline_ = deadline;
    connection_.SetDeadline(deadline);
    if (connection_.Connected() && !closer_.Closed() &&
        !closer_.Watch(connection_.Socket(), deadline)) {
        closer_.CloseNow();  // no wait may go unwatched: the session is given up instead
    }
}

std::optional<std::string> SshSession::Handshake() {
    SetWait();
    if (const int rc = libssh2_session_handshake(
            session_, static_cast<libssh2_socket_t>(connection_.Socket()))) {
        return rc == LIBSSH2_ERROR_KEX_FAILURE ? std::string(kSftpNoKeyType) : Failure(rc);
    }
    handshaken_ = true;
    return std::nullopt;
}

void SshSession::AnswerPrompts(const char*, int, const char*, int, int count,
                               const LIBSSH2_USERAUTH_KBDINT_PROMPT* prompts,
                               LIBSSH2_USERAUTH_KBDINT_RESPONSE* responses, void** abstract) {
    auto& prompting = *static_cast<Prompting*>(*abstract);
    std::vector<LogInPrompt> asked;
    for (int i = 0; i < count; ++i) {
        asked.push_back(
            {std::string(reinterpret_cast<const char*>(prompts[i].text), prompts[i].length),
             prompts[i].echo != 0});
        responses[i].text = nullptr;
        responses[i].length = 0;
    }
    switch (qel::AnswerPrompts(asked, prompting.passwordSent)) {
        case PromptAnswer::Nothing:
            return;
        case PromptAnswer::Refuse:
            prompting.refused = true;  // empty answers: the host ends the log-in
            return;
        case PromptAnswer::Password:
            break;
    }
    // The library frees the answers with the session's own deallocator.
    const std::string& password = *prompting.password;
    void* text = Allocate(password.size() + 1, abstract);
    if (text == nullptr) {
        return;
    }
    std::memcpy(text, password.c_str(), password.size() + 1);
    responses[0].text = static_cast<char*>(text);
    responses[0].length = static_cast<unsigned>(password.size());
    prompting.passwordSent = true;
}

std::optional<std::string> SshSession::OfferedMethods(const std::string& user,
                                                      std::string& methods) {
    methods.clear();
    SetWait();
    const char* offered =
        libssh2_userauth_list(session_, user.c_str(), static_cast<unsigned>(user.size()));
    if (offered == nullptr) {
        if (libssh2_userauth_authenticated(session_)) {
            return std::nullopt;  // the host asks for nothing
        }
        return Failure(libssh2_session_last_errno(session_));
    }
    methods = std::string(",") + offered + ",";
    return std::nullopt;
}

std::optional<std::string> SshSession::LogIn(const std::string& user, const std::string& password,
                                             const std::string& methods, bool& refused) {
    refused = false;
    const auto userLength = static_cast<unsigned>(user.size());
    const bool byPassword = methods.find(",password,") != std::string::npos;
    // One attempt per log-in: a refused password is not sent again by the other method.
    prompting_ = Prompting{&password};
    SetWait();
    const int rc = byPassword ? libssh2_userauth_password_ex(
                                    session_, user.c_str(), userLength, password.c_str(),
                                    static_cast<unsigned>(password.size()), nullptr)
                              : libssh2_userauth_keyboard_interactive_ex(
                                    session_, user.c_str(), userLength, &AnswerPrompts);
    if (rc == 0) {
        return std::nullopt;
    }
    if (prompting_.refused && !Expired()) {
        refused = true;
        return std::string(kSftpMoreThanPassword);
    }
    if (rc == LIBSSH2_ERROR_AUTHENTICATION_FAILED || rc == LIBSSH2_ERROR_PASSWORD_EXPIRED) {
        refused = true;
        return std::string(kSftpLoginRefused);
    }
    return Failure(rc);
}

long SshSession::NextWaitMs() const {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - SteadyClock::now());
    return static_cast<long>(
        std::clamp<std::chrono::milliseconds::rep>(left.count(), 1, kInternetWaitLimitMs));
}

void SshSession::SetWait() {
    libssh2_session_set_timeout(session_, NextWaitMs());
}

std::string SshSession::Failure(int rc) const {
    if (rc == LIBSSH2_ERROR_TIMEOUT || Expired()) {
        return kSftpTimedOut;
    }
    if (rc == LIBSSH2_ERROR_SOCKET_RECV || rc == LIBSSH2_ERROR_SOCKET_SEND ||
        rc == LIBSSH2_ERROR_SOCKET_DISCONNECT) {
        return "The SFTP host closed the connection";
    }
    char* message = nullptr;
    libssh2_session_last_error(session_, &message, nullptr, 0);
    return std::string("SSH failure: ") + (message != nullptr ? message : "unknown");
}

}  // namespace qel
