// Whether an SFTP host whose key is not yet known is asked about or refused, and what the user
// is shown either way. Keys are never trusted blindly: the user is asked only when Run was
// switched on by hand and the user has not already said No to this host; an unattended run
// (/run) or a No refuses the host in red, naming the key, so the history keeps it too.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "MainView.h"
#include "SshAddress.h"
#include "TransferControl.h"

namespace qel {

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
    // The host chosen anew (the host dialog's Set or Ok, a profile picked) or another upload
    // method: a No no longer stands.
    void ChosenAnew();

    bool Asking() const { return asking_.has_value(); }

    // The first step of a transfer's completion. When the transfer ended at an unknown key that
    // is to be asked about, asks on `view` (the window's thread) and returns true: after Yes the
    // key is trusted and `sendNewest` called, after No the refusal is shown on `status`.
    // Otherwise false (also when the key is refused without a question: its failure text names
    // it), and the completion goes on as for any other outcome.
    bool Settle(TransferControl& transfer, bool runByHand, MainView& view, StatusLine& status,
                const std::function<void()>& sendNewest);

    static std::string QuestionText(const UnknownHostKey& key);
    static std::string RefusalText(const UnknownHostKey& key);

private:
    std::optional<UnknownHostKey> asking_;
    std::optional<std::string> declinedHost_;
};

}  // namespace qel
