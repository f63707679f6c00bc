// Uploads over SFTP: the host's key checked against the known hosts file
// before anything else is sent, a log-in by key or password, and the page written beside its place
// and renamed into it, so a visitor never reads half a page.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FtpPut.h"
#include "HostKeyQuestion.h"
#include "KeptConnection.h"
#include "SftpTexts.h"
#include "SshLogInRules.h"

namespace qel {

// Blocks until the upload has ended; nullopt when the file was stored, otherwise the failure's
// description. `request.host` is the SSH host ("host", "host:port", "[v6]:port"); the remote path
// is from the server's root. Keys are looked up in the file `knownHostsPath` (UTF-8); a host that
// is not in it sends nothing and sets `unknownKey` (the failure then names the fingerprint).
// The log-in offers an agent's keys, then the key files beside the known hosts file, then the
// password (SshLogIn.h). A password the host refused rests in `passwordRest`: the same password is
// not sent to it again until the rest is over. Every wait is at most the usual limit and ends by
// request.deadline, with everything the upload held freed. Calls on several threads take turns: the
// library's random generator is one for the process. `notes` gets lines for the history, each once
// per run: a key file others may read, one that could not be opened when another way got in.
std::optional<std::string> PutFileBySftp(const FtpPutRequest& request,
                                         const std::string& knownHostsPath,
                                         std::optional<UnknownHostKey>& unknownKey,
                                         PasswordRest& passwordRest,
                                         std::vector<std::string>& notes);

// The same over the session `kept` when it holds a logged-in SFTP session (made with the same
// host, user name, password and known hosts file: the caller sees to that), else, or should it
// fail, over a fresh one (KeptConnection.h), which alone checks the host's key and logs in;
// the session the file went over is left in `kept`, unwatched until its next use.
std::optional<std::string> PutFileBySftp(const FtpPutRequest& request,
                                         const std::string& knownHostsPath,
                                         std::optional<UnknownHostKey>& unknownKey,
                                         PasswordRest& passwordRest,
                                         std::vector<std::string>& notes,
                                         std::unique_ptr<KeptConnection>& kept);

}  // namespace qel
