// The four WinINet calls of the upload by session, passed straight through to wininet.dll.
#pragma once

#include <windows.h>

#include <string>

#include "InternetApi.h"

namespace qel {

class WinInetApi : public InternetApi {
public:
    Handle Open(const std::string& agent) override;
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
