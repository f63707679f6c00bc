// The user's SSH key files, read with wide paths from the folder that holds known_hosts, and
// whether an agent (Pageant, or the OpenSSH agent of Windows) is there to ask for keys.
#pragma once

#include <string>
#include <vector>

#include "SshKeyLogIn.h"

namespace qel {

struct SshKeyFile {
    std::string name;  // "id_ed25519"
    std::string text;
    KeyFileForm form = KeyFileForm::NotAKey;
};

// The key files of `folder` (UTF-8, ending in a separator) in the order they are tried; those
// missing are left out, one that cannot be read is named in `problems` with the reason. A file
// that other users of the computer may read adds a warning to `warnings`.
std::vector<SshKeyFile> ReadSshKeyFiles(const std::string& folder,
                                        std::vector<std::string>& problems,
                                        std::vector<std::string>& warnings);

// The pipe of Windows' own OpenSSH agent, named for the library, which would otherwise follow
// SSH_AUTH_SOCK (set by other tools to sockets it cannot open).
inline constexpr char kOpenSshAgentPipe[] = R"(\\.\pipe\openssh-ssh-agent)";

// Pageant's window or the OpenSSH agent's pipe is there.
bool SshAgentRunning();

}  // namespace qel
