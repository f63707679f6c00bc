// The four WinINet calls of the upload by session, passed through to wininet.dll, each bounded
// in time: a host that accepts the connection and then stops answering cannot hold the window
// longer than the wait limit, whether or not the library honours the limits it is given.
#pragma once

#include <windows.h>

#include <string>

#include "InternetApi.h"

namespace qel {

class WinInetApi : public InternetApi {
public:
    // The session gets the time limits of InternetWaits.h.
    Handle Open(const std::string& agent) override;
    // Connection set-up and the put give up after kInternetWaitLimitMs with
    // ERROR_INTERNET_TIMEOUT; the abandoned call finishes on its own later, and a connection
    // it opens then is closed at once.
    Handle ConnectFtp(Handle session, const std::string& server, int port, const std::string& user,
                      const std::string& password, bool passive) override;
    bool PutFile(Handle connection, const std::string& localPath, const std::string& remotePath,
                 bool binary) override;
    void CloseHandle(Handle handle) override;

    // GetLastError taken right after the last call that failed; 0 after a success.
    DWORD LastError() const { return lastError_; }

private:
    void Record(bool succeeded);

    DWORD lastError_ = 0;
};

}  // namespace qel
