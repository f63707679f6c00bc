// The internet transfer component that upload method 2 hands its request to. It takes a URL
// "ftp://" + host, a user name, a password and an operation "PUT <local> <remote>", and works
// in the background: Execute returns before the transfer has finished.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "SshAddress.h"

namespace qel {

class TransferControl {
public:
    // Called on the user-interface thread when a transfer has ended: nullopt when the file was
    // stored, otherwise the failure's description.
    using Completion = std::function<void(const std::optional<std::string>& failure)>;

    virtual ~TransferControl() = default;
    virtual void SetURL(const std::string& url) = 0;
    virtual void SetUserName(const std::string& userName) = 0;
    virtual void SetPassword(const std::string& password) = 0;
    // Starts the operation. Returns the description of an error met before the transfer
    // started (a request still running, a malformed URL or operation); nullopt when started.
    virtual std::optional<std::string> Execute(const std::string& operation) = 0;
    virtual void SetCompletion(Completion completion) = 0;
    // True from a successful Execute until the transfer has ended; Execute refuses meanwhile.
    virtual bool StillExecuting() const = 0;
    // A connection kept logged in for later transfers is no longer wanted (Run is off, or the
    // values it was made with changed): it is closed politely once no transfer uses it.
    virtual void EndKeptConnection() {}
    // An "sftp://" transfer that ended at a host key not yet trusted: the key, once, for the
    // completion to ask about (taking it clears it); nullopt otherwise.
    virtual std::optional<UnknownHostKey> TakeUnknownHostKey() { return std::nullopt; }
    // Trusts a key the user accepted, for every later transfer to that host; nullopt when
    // stored, otherwise the failure's description.
    virtual std::optional<std::string> TrustHostKey(const UnknownHostKey&) {
        return std::string("Host keys cannot be stored");
    }
};

}  // namespace qel
