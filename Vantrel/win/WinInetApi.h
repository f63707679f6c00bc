// The four WinINet calls of the upload by session, passed through to wininet.dll, each bounded
// in time: a host that accepts the connection and then stops answering cannot hold the window
// longer than the wait limit, whether or not the library honours the limits it is given.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "InternetApi.h"

namespace qel {

struct BoundedCall;  // one WinINet call on a helper thread

class WinInetApi : public InternetApi {
public:
    // The session gets the time limits of InternetWaits.h.
    Handle Open(const std::string& agent) override;
    // Connection set-up and the put give up after kInternetWaitLimitMs with
    // ERROR_INTERNET_TIMEOUT; the abandoned call finishes on its own later, and a connection
    // it opens then is closed at once. Until it has, StillWorking is true and both refuse at
    // once: one abandoned call at a time. While they wait, the calling thread handles the
    // messages sent to its windows, and nothing else.
    Handle ConnectFtp(Handle session, const std::string& server, int port, const std::string& user,
                      const std::string& password, bool passive) override;
    bool PutFile(Handle connection, const std::string& localPath, const std::string& remotePath,
                 bool binary) override;
    // Closing the session of a call given up on cancels the call: StillWorking is false from
    // then on, and whatever the call made is freed with the session, not closed again.
    void CloseHandle(Handle handle) override;
    bool StillWorking() const override;

    // GetLastError taken right after the last call that failed; 0 after a success.
    DWORD LastError() const { return lastError_; }

private:
    // Runs `call` (which returns a handle, or 1/0 for a Boolean) on a helper thread and waits
    // at most the limit; on time-out `discard` receives whatever the call returns later.
    Handle CallWithin(const std::function<Handle()>& call,
                      const std::function<void(Handle)>& discard);
    void Record(bool succeeded);

    DWORD lastError_ = 0;
    std::shared_ptr<BoundedCall> abandoned_;  // the call given up on last
    Handle session_ = 0;                      // the session opened last and not closed yet
};

}  // namespace qel
