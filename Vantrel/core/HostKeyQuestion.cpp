// When an unknown SFTP host key is asked about, and the texts that show it.
#include "HostKeyQuestion.h"

namespace qel {

HostKeyQuestion::Step HostKeyQuestion::Met(const UnknownHostKey& key, bool runByHand) {
    if (asking_) {
        // One question at a time; an answer about another key would not cover this one.
        return asking_->host == key.host ? Step::Ignore : Step::Refuse;
    }
    if (!runByHand || declinedHost_ == key.host) {
        return Step::Refuse;
    }
    asking_ = key;
    return Step::Ask;
}

void HostKeyQuestion::Answered(bool yes) {
    if (asking_ && !yes) {
        declinedHost_ = asking_->host;
    }
    asking_.reset();
}

void HostKeyQuestion::ChosenAnew() {
    declinedHost_.reset();
}

bool HostKeyQuestion::Settle(TransferControl& transfer, bool runByHand, MainView& view,
                             StatusLine& status, const std::function<void()>& sendNewest) {
    const std::optional<UnknownHostKey> key = transfer.TakeUnknownHostKey();
    if (!key) {
        return false;
    }
    switch (Met(*key, runByHand)) {
        case Step::Refuse:
            return false;
        case Step::Ignore:
            return true;  // the newest page waits for the answer
        case Step::Ask:
            break;
    }
    bool yes = false;
    try {
        yes = view.AskYesNo(QuestionText(*key));
    } catch (...) {
        asking_.reset();  // an open question would hold every later page back
        throw;
    }
    Answered(yes);
    if (!yes) {
        status.ShowStatus(RefusalText(*key) + " doing FTP", StatusColour::Failure);
    } else if (auto failure = transfer.TrustHostKey(*key)) {
        status.ShowStatus(*failure + " doing FTP", StatusColour::Failure);
    } else {
        sendNewest();
    }
    return true;
}

std::string HostKeyQuestion::QuestionText(const UnknownHostKey& key) {
    return "The SFTP host " + key.host + " is not known yet. Its key has the fingerprint\r\n\r\n" +
           (key.keyType.empty() ? "" : key.keyType + " ") + key.fingerprint +
           "\r\n\r\nCompare it with the one your host publishes. Trust this key and upload?";
}

std::string HostKeyQuestion::RefusalText(const UnknownHostKey& key) {
    return "Host key not trusted: " + key.host + " " + key.fingerprint;
}

}  // namespace qel
