// One FTP upload with WinINet from start to end: session, passive connection, binary put of
// bytes held in memory.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace qel {

struct FtpPutRequest {
    std::string host;
    std::string userName;
    std::string password;
    std::string content;  // the file's bytes, taken when the upload was asked for
    std::string remotePath;
    // The upload is given up at this moment, whatever stage it is in: every wait is cut short
    // so that the call returns a failure by then (give or take a second), and its connections
    // are closed. The transfer component sets it from its overall limit.
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

// Blocks until the upload has ended; nullopt when the file was stored, otherwise the failure's
// description, followed by the server's reply in brackets when there is one. Its own session is
// opened and closed each time, so concurrent calls on other threads share nothing.
std::optional<std::string> PutFileByFtp(const FtpPutRequest& request);

}  // namespace qel
