// One upload over explicit FTPS from start to end, through Winsock and the system's TLS.
#pragma once

#include <optional>
#include <string>

#include "FtpPut.h"

namespace qel {

// Blocks until the upload has ended; nullopt when the file was stored, otherwise the failure's
// description. Connect, every answer and every send each have the time limit of the other
// upload methods, and none waits past the request's deadline. Concurrent calls on other
// threads share nothing.
std::optional<std::string> PutFileByFtps(const FtpPutRequest& request);

}  // namespace qel
