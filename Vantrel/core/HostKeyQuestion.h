// Whether an SFTP host whose key is not yet known is asked about or refused, and what the user
// is shown either way. Keys are never trusted blindly: the user is asked only when Run was
// switched on by hand and the user has not already said No to this host; an unattended run
// (/run) or a No refuses the host in red, naming the key, so the history keeps it too.
#pragma once

#include <optional>
#include <string>

namespace qel {

// A host key an upload met and did not find among the known hosts.
struct UnknownHostKey {
    std::string host;            // the host's name as the known hosts list keeps it
    std::string fingerprint;     // "SHA256:..."
    std::string knownHostsLine;  // the line that trusts it, as OpenSSH writes it (no line end)

    bool operator==(const UnknownHostKey&) const = default;
};

class HostKeyQuestion {
public:
    enum class Step {
        Ask,     // show the question (QuestionText), then call Answered
        Refuse,  // show RefusalText in red; nothing is sent
        Ignore,  // the question about this key is already open: the newest page waits for it
    };

    // An upload ended at this unknown key. `runByHand`: Run was switched on by the user, not
    // by the /run start.
    Step Met(const UnknownHostKey& key, bool runByHand);
    // The user's answer to the open question. Yes: the caller stores the key and sends the
    // newest page. No: the host is refused from now on (RefusalText) until ChosenAnew.
    void Answered(bool yes);
    // Another host profile or another upload method: a No no longer stands.
    void ChosenAnew();

    bool Asking() const { return asking_.has_value(); }

    static std::string QuestionText(const UnknownHostKey& key);
    static std::string RefusalText(const UnknownHostKey& key);

private:
    std::optional<UnknownHostKey> asking_;
    std::optional<std::string> declinedHost_;
};

}  // namespace qel
