// One SSH session with a host, from the connection to the goodbye: the SSH library's session
// (its memory counted), the TCP connection, a closer that shuts the connection down at the
// upload's deadline so that every wait of the library ends then too, the key exchange and the
// password log-in (keys: SshLogIn.h). Destroying it says goodbye briefly, shuts the connection
// down and frees all the library holds, whatever state the host left it in.
#pragma once

#include <libssh2.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "SocketCloser.h"
#include "SshAddress.h"
#include "TcpConnection.h"

namespace qel {

// The bytes all SSH sessions of the process hold now, through the library's allocation
// callbacks (the cryptography's own allocations are not among them).
std::int64_t SshLibraryBytes();

class SshSession {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    explicit SshSession(Deadline deadline) : deadline_(deadline) {}
    SshSession(const SshSession&) = delete;
    SshSession& operator=(const SshSession&) = delete;
    ~SshSession();

    // Makes the library's session; nullopt, or the failure.
    std::optional<std::string> Start();
    // Looks the host up and connects, within the deadline, and sets the closer on the
    // connection.
    std::optional<std::string> Connect(const SshAddress& address);
    // The key exchange: afterwards the host has shown its key, and nothing else has gone to it.
    std::optional<std::string> Handshake();
    // The log-in methods the host offers the user, asked for by the "none" method, which sends
    // no secret: ",publickey,password," with commas around each. Empty when the host let the
    // user in without any.
    std::optional<std::string> OfferedMethods(const std::string& user, std::string& methods);
    // Logs in with the password, by the password method or, where the host offers only that, by
    // keyboard-interactive (see AnswerPrompts); `methods` must offer one of them. `refused` is
    // set when the host turned the password down or asked for more than it.
    std::optional<std::string> LogIn(const std::string& user, const std::string& password,
                                     const std::string& methods, bool& refused);
    static bool PasswordOffered(const std::string& methods) {
        return methods.find(",password,") != std::string::npos ||
               methods.find(",keyboard-interactive,") != std::string::npos;
    }

    // A kept session's next use (an upload, the goodbye) has a deadline of its own, which the
    // closer watches. A connection the closer shut down stays shut.
    void SetDeadline(Deadline deadline);
    // Shuts the connection down now: the session ends without a goodbye.
    void Abandon() { closer_.CloseNow(); }
    // Between uploads: nothing watches the kept connection.
    void StopWatching() { closer_.Stop(); }

    LIBSSH2_SESSION* Handle() const { return session_; }
    // Sets the library's wait for its next call: the usual limit, cut to what is left.
    void SetWait();
    bool Expired() const { return std::chrono::steady_clock::now() >= deadline_; }
    // The text for a failure the library reported with `rc`.
    std::string Failure(int rc) const;

private:
    struct Prompting {
        const std::string* password = nullptr;
        bool passwordSent = false;
        bool refused = false;  // the host asked for more than the password
    };

    static void AnswerPrompts(const char*, int, const char*, int, int count,
                              const LIBSSH2_USERAUTH_KBDINT_PROMPT* prompts,
                              LIBSSH2_USERAUTH_KBDINT_RESPONSE* responses, void** abstract);
    long NextWaitMs() const;

    Deadline deadline_;
    TcpConnection connection_{HostKind::Ssh};
    SocketCloser closer_;  // stopped before the connection closes its socket
    LIBSSH2_SESSION* session_ = nullptr;
    bool handshaken_ = false;
    Prompting prompting_;
};

}  // namespace qel
