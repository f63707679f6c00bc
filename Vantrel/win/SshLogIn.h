// The log-in to an SSH host once its key is trusted, in OpenSSH's order: keys an agent holds,
// then the user's key files, then the password; the first the host accepts wins.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "FtpPut.h"
#include "SshKeyFiles.h"
#include "SshLogInRules.h"
#include "SshSession.h"

namespace qel {

// nullopt once logged in; otherwise the failure's text, naming what was offered and each key
// file that could not be opened (LogInFailureText). `tries.problems` may hold key files that
// could not be read already. A password the host refuses rests in `rest`; a resting one is not
// sent.
std::optional<std::string> LogInToSshHost(SshSession& session, const FtpPutRequest& request,
                                          const std::vector<SshKeyFile>& keyFiles,
                                          LogInTries& tries, PasswordRest& rest);

// The local time of day a moment on the steady clock falls on, in the user's time format.
std::string LocalTimeOf(std::chrono::steady_clock::time_point moment);

}  // namespace qel
