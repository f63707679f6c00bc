// Uploads over explicit FTPS, one by one or many over a kept connection, through Winsock and
// the system's TLS.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "FtpPut.h"
#include "KeptConnection.h"

namespace qel {

// Blocks until the upload has ended; nullopt when the file was stored, otherwise the failure's
// description. Connect, every answer and every send each have the time limit of the other
// upload methods, and none waits past the request's deadline. Concurrent calls on other
// threads share nothing.
std::optional<std::string> PutFileByFtps(const FtpPutRequest& request);

// The same over the connection `kept` when it holds a logged-in FTPS connection (made with the
// same host, user name and password: the caller sees to that), else, or should it fail, over a
// fresh one (KeptConnection.h); the connection the file went over is left in `kept`.
std::optional<std::string> PutFileByFtps(const FtpPutRequest& request,
                                         std::unique_ptr<KeptConnection>& kept);

}  // namespace qel
