// What a password log-in to an SSH host may send: which questions of a keyboard-interactive
// log-in are answered with the password, and how long a refused password rests before it is
// sent again, so that a wrong one does not lock the account or get the address banned.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace qel {

struct LogInPrompt {
    std::string text;   // as the host sent it, for instance "Password:" or "Verification code:"
    bool echo = false;  // the host asks to show the answer as it is typed: not a secret
};

enum class PromptAnswer {
    Password,  // the one hidden question gets the password
    Nothing,   // no question (a message only): an empty answer
    Refuse,    // more than a password is asked for: the password is not sent
};

// The password answers exactly one hidden question, whatever its wording or language, and only
// once per log-in: a second round, several questions at once or a shown answer mean the host
// wants something Qel does not have (a one-time code, a new password).
PromptAnswer AnswerPrompts(const std::vector<LogInPrompt>& prompts, bool passwordSent);

class PasswordRest {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::minutes kRest{5};

    // The moment until which this log-in is not tried, when a host refused it less than
    // kRest ago.
    std::optional<TimePoint> RestsUntil(const std::string& host, const std::string& user,
                                        const std::string& password, TimePoint now) const;
    // The host refused this log-in now, for the reason given (the failure's text).
    void Refused(const std::string& host, const std::string& user, const std::string& password,
                 const std::string& reason, TimePoint now);
    // Why the log-in resting now was refused.
    const std::string& Reason() const { return reason_; }

private:
    std::string refused_;  // host, user and password of the log-in refused last
    std::string reason_;
    TimePoint until_{};
};

}  // namespace qel
