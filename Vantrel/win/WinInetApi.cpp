// The four WinINet calls of the upload by session, passed straight through to wininet.dll.
#include "WinInetApi.h"

#include <wininet.h>

namespace qel {
namespace {

HINTERNET ToNative(InternetApi::Handle handle) {
    return reinterpret_cast<HINTERNET>(handle);
}

InternetApi::Handle FromNative(HINTERNET handle) {
    return reinterpret_cast<InternetApi::Handle>(handle);
}

}  // namespace

void WinInetApi::Record(bool succeeded) {
    lastError_ = succeeded ? 0 : GetLastError();
}

InternetApi::Handle WinInetApi::Open(const std::string& agent) {
    HINTERNET session =
        InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    Record(session != nullptr);
    return FromNative(session);
}

InternetApi::Handle WinInetApi::ConnectFtp(Handle session, const std::string& server, int port,
                                           const std::string& user, const std::string& password,
                                           bool passive) {
    HINTERNET connection = InternetConnectA(
        ToNative(session), server.c_str(), static_cast<INTERNET_PORT>(port), user.c_str(),
        password.c_str(), INTERNET_SERVICE_FTP, passive ? INTERNET_FLAG_PASSIVE : 0, 0);
    Record(connection != nullptr);
    return FromNative(connection);
}

bool WinInetApi::PutFile(Handle connection, const std::string& localPath,
                         const std::string& remotePath, bool binary) {
    const BOOL stored = FtpPutFileA(ToNative(connection), localPath.c_str(), remotePath.c_str(),
                                    binary ? FTP_TRANSFER_TYPE_BINARY : FTP_TRANSFER_TYPE_ASCII, 0);
    Record(stored != FALSE);
    return stored != FALSE;
}

void WinInetApi::CloseHandle(Handle handle) {
    Record(InternetCloseHandle(ToNative(handle)) != FALSE);
}

}  // namespace qel
