// Which keyboard-interactive questions get the password, and the rest after a refusal.
#include "SshLogInRules.h"

namespace qel {
namespace {

// Host, user and password in one text that no other three give ('\n' is in none of them).
std::string LogInKey(const std::string& host, const std::string& user,
                     const std::string& password) {
    return host + '\n' + user + '\n' + password;
}

}  // namespace

PromptAnswer AnswerPrompts(const std::vector<LogInPrompt>& prompts, bool passwordSent) {
    if (prompts.empty()) {
        return PromptAnswer::Nothing;
    }
    if (prompts.size() == 1 && !prompts.front().echo && !passwordSent) {
        return PromptAnswer::Password;
    }
    return PromptAnswer::Refuse;
}

std::optional<PasswordRest::TimePoint> PasswordRest::RestsUntil(const std::string& host,
                                                                const std::string& user,
                                                                const std::string& password,
                                                                TimePoint now) const {
    if (now < until_ && refused_ == LogInKey(host, user, password)) {
        return until_;
    }
    return std::nullopt;
}

void PasswordRest::Refused(const std::string& host, const std::string& user,
                           const std::string& password, const std::string& reason, TimePoint now) {
    refused_ = LogInKey(host, user, password);
    reason_ = reason;
    until_ = now + kRest;
}

}  // namespace qel
