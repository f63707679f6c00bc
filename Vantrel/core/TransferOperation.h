// Reads the requests the transfer component is given: the host of an "ftp://" URL and the two
// paths of a "PUT <local> <remote>" operation.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qel {

// The host of "ftp://host", "ftps://host" or "sftp://host" (the scheme in any case); whatever
// follows the host
// ("/path") is ignored. nullopt for another scheme or an empty host. Only the scheme is checked: a
// doubled "ftp://ftp://host" gives the host "ftp:", which then simply cannot be reached.
std::optional<std::string> HostFromFtpUrl(std::string_view url);
// "ftps://": the upload goes over explicit FTPS (upload method 3), never in clear.
bool IsFtpsUrl(std::string_view url);
// "sftp://": the upload goes over SFTP (upload method 4); the host may carry a ":port".
bool IsSftpUrl(std::string_view url);

struct PutOperation {
    std::string localPath;
    std::string remotePath;

    bool operator==(const PutOperation&) const = default;
};

// Splits "PUT <local> <remote>" (verb in any case, paths unquoted). The local path may hold
// blanks: the split is at the first blank whose left side names an existing local file; when
// none does, at the last " /" (remote paths are absolute), else at the first blank.
std::optional<PutOperation> ParsePutOperation(
    std::string_view operation, const std::function<bool(const std::string&)>& localFileExists);

// A server's reply as a failure text may quote it: the password, should the server ever echo
// it, never reaches the status line or the history. Our own texts are never built from it.
std::string WithoutPassword(std::string reply, std::string_view password);
// A server's reply as the status line shows it and the history keeps it: the password masked
// first, then cut to its first 300 bytes ("..." marks the cut), so no part of it survives.
std::string ShownReply(std::string_view reply, std::string_view password);

}  // namespace qel
