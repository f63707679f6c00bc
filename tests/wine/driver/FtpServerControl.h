// The harness's FTP server seen from a Windows-side test: its folder, its command log, and its
// control port, which takes it down and up again.
#pragma once

#include <optional>
#include <string>

#include "WinTestSupport.h"

namespace qeltest {

class FtpServerControl {
public:
    // nullopt when the session has no FTP server (the test should then be skipped).
    static std::optional<FtpServerControl> FromEnvironment();

    const wintest::FtpTestServer& Server() const { return server_; }
    // Sends one command ("DOWN", "UP", "CLEAR") to the control port; true when acknowledged.
    bool Command(const std::string& command) const;
    // A folder on the server for the running test alone, named after it; made if missing.
    std::string MakeTestFolder() const;

private:
    FtpServerControl(wintest::FtpTestServer server, int controlPort)
        : server_(std::move(server)), controlPort_(controlPort) {}

    wintest::FtpTestServer server_;
    int controlPort_;
};

// Qel's settings naming the host profile "home" (page `page`, title "Lab", refresh 10, the
// given upload method, comm method 1), and that profile, in Qel's folder as Qel saves them.
bool WriteHomeProfile(const std::string& qelFolder, int ftpMethod, const std::string& page,
                      const wintest::FtpTestServer& server, const std::string& host,
                      const std::string& remoteFolder);

}  // namespace qeltest
