// The harness's FTP server seen from a Windows-side test.
#include "FtpServerControl.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include "HostProfile.h"
#include "Win32FileSystem.h"

namespace qeltest {

namespace {

// One Winsock start-up for as long as a call needs it.
class WinsockScope {
public:
    WinsockScope() { ok_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~WinsockScope() {
        if (ok_) {
            WSACleanup();
        }
    }
    WinsockScope(const WinsockScope&) = delete;
    WinsockScope& operator=(const WinsockScope&) = delete;
    bool Ok() const { return ok_; }

private:
    WSADATA data_{};
    bool ok_ = false;
};

class Socket {
public:
    Socket() : socket_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~Socket() {
        if (socket_ != INVALID_SOCKET) {
            closesocket(socket_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET Get() const { return socket_; }

private:
    SOCKET socket_;
};

}  // namespace

std::optional<FtpServerControl> FtpServerControl::FromEnvironment() {
    auto server = wintest::FtpServerFromEnvironment();
    const auto port = wintest::EnvVar("PELLUCOR_FTP_CONTROL_PORT");
    if (!server || !port) {
        return std::nullopt;
    }
    return FtpServerControl(*server, std::stoi(*port));
}

bool FtpServerControl::Command(const std::string& command) const {
    WinsockScope winsock;
    Socket socket;
    if (!winsock.Ok() || socket.Get() == INVALID_SOCKET) {
        return false;
    }
    DWORD timeoutMs = 5000;
    setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof timeoutMs);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(controlPort_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        return false;
    }
    const std::string line = command + "\n";
    if (send(socket.Get(), line.data(), static_cast<int>(line.size()), 0) !=
        static_cast<int>(line.size())) {
        return false;
    }
    char reply[16] = {};
    const int got = recv(socket.Get(), reply, sizeof reply - 1, 0);
    return got >= 2 && std::string(reply, 2) == "OK";
}

std::string FtpServerControl::MakeTestFolder() const {
    std::string folder = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : folder) {
        c = (c == '/') ? '_' : c;  // parameterised tests are named "Case/0"
    }
    CreateDirectoryA((server_.root + folder).c_str(), nullptr);
    return folder;
}

bool WriteHomeProfile(const std::string& qelFolder, int ftpMethod, const std::string& page,
                      const wintest::FtpTestServer& server, const std::string& host,
                      const std::string& remoteFolder) {
    const std::string settings =
        "home\r\n" + page + "\r\nLab\r\n10\r\n " + std::to_string(ftpMethod) + " \r\n 0 \r\n";
    qel::Win32FileSystem files;
    return wintest::WriteBytes(qelFolder + "Leq.ini", settings) &&
           !qel::SaveHostProfile(files, qelFolder, "home", server.user, host, server.password,
                                 remoteFolder);
}

}  // namespace qeltest
