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

private:
    FtpServerControl(wintest::FtpTestServer server, int controlPort)
        : server_(std::move(server)), controlPort_(controlPort) {}

    wintest::FtpTestServer server_;
    int controlPort_;
};

}  // namespace qeltest
