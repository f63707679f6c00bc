// The rules of an SSH log-in by key, kept apart from the library that signs: which key files are
// looked for and in what order, how many agent keys are offered, how a key file is told apart
// (encrypted, not encrypted, no private key at all) by its own text, and the one text a log-in
// that found no way in ends with.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qel {

// OpenSSH's names, in the order OpenSSH's client tries them.
inline constexpr std::array<const char*, 3> kSshKeyFileNames{"id_ed25519", "id_ecdsa", "id_rsa"};

// A host usually allows six attempts (OpenSSH's MaxAuthTries): agent keys take at most this many,
// so that the key files and the password still get their turn.
inline constexpr int kMaxAgentKeys = 3;
// Keys offered in all, agent's and files': one attempt of the six is always left for the password.
inline constexpr int kMaxKeysOffered = 5;

enum class KeyFileForm {
    NotAKey,    // no private key in a form Qel reads (a public key, a PuTTY file, anything else)
    Plain,      // a private key in OpenSSH's own format or in PEM, not encrypted
    Encrypted,  // the same, encrypted with a passphrase
};

// Tells the form by the file's header alone (OpenSSH's format keeps its cipher's name in the
// encoded part; PEM says so in its first lines), since the library reports a wrong passphrase and
// a file that holds no key alike.
KeyFileForm KeyFileFormOf(std::string_view text);

// Why the key file `name` of the form given could not be opened with the passphrase given:
// "id_ed25519: wrong passphrase", "id_rsa: not a private key".
std::string KeyFileProblem(const std::string& name, KeyFileForm form, bool passphraseEmpty);

// What a log-in offered the host, each of which it refused, and what could not be offered.
struct LogInTries {
    std::vector<std::string> problems;  // key files that could not be opened, with the reason
    int agentKeys = 0;
    std::vector<std::string> keyFiles;
    bool password = false;
};

// The text of a log-in the host accepted none of: the problems first, then what was offered.
// `passwordRefusal` is why the password is resting (refused now, or before and not sent), empty
// when it is not; `until` follows it ("...: the same password is not sent again until 14:05").
// Where neither a key was offered nor the password refused, `nothingOffered` is what is shown.
std::string LogInFailureText(const LogInTries& tries, const std::string& passwordRefusal,
                             const std::string& until, const std::string& nothingOffered);

}  // namespace qel
