// The four WinINet calls the upload by session makes, behind an interface so the upload's
// logic can be tested without a network.
#pragma once

#include <cstdint>
#include <string>

namespace qel {

class InternetApi {
public:
    using Handle = std::uintptr_t;  // 0 = failure / none
    static constexpr int kDefaultFtpPort = 21;

    virtual ~InternetApi() = default;
    // InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0)
    virtual Handle Open(const std::string& agent) = 0;
    // InternetConnectA(session, server, port, user, password, INTERNET_SERVICE_FTP,
    //                  passive ? INTERNET_FLAG_PASSIVE : 0, 0)
    virtual Handle ConnectFtp(Handle session, const std::string& server, int port,
                              const std::string& user, const std::string& password,
                              bool passive) = 0;
    // FtpPutFile(connection, local, remote, binary ? BINARY : ASCII, 0); the local path is
    // UTF-8, the remote one ANSI text
    virtual bool PutFile(Handle connection, const std::string& localPath,
                         const std::string& remotePath, bool binary) = 0;
    // InternetCloseHandle
    virtual void CloseHandle(Handle handle) = 0;
    // True while a call that was given up on for taking too long still runs on its own.
    virtual bool StillWorking() const = 0;
};

}  // namespace qel
