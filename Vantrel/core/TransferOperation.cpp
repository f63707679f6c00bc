// Reads the requests the transfer component is given: the host of an "ftp://" (or "ftps://",
// "sftp://") URL and the two paths of a "PUT <local> <remote>" operation.
#include "TransferOperation.h"

#include <algorithm>
#include <cctype>

namespace qel {
namespace {

constexpr std::string_view kFtpScheme = "ftp://";
constexpr std::string_view kFtpsScheme = "ftps://";
constexpr std::string_view kSftpScheme = "sftp://";
constexpr std::string_view kPutVerb = "PUT";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
    });
}

std::optional<PutOperation> SplitAt(std::string_view paths, std::size_t blank) {
    if (blank == 0 || blank + 1 >= paths.size()) {
        return std::nullopt;  // one side would be empty
    }
    return PutOperation{std::string(paths.substr(0, blank)), std::string(paths.substr(blank + 1))};
}

std::optional<std::size_t> FirstBlankAfterExistingFile(
    std::string_view paths, const std::function<bool(const std::string&)>& localFileExists) {
    for (std::size_t blank = paths.find(' '); blank != std::string_view::npos;
         blank = paths.find(' ', blank + 1)) {
        if (blank > 0 && blank + 1 < paths.size() &&
            localFileExists(std::string(paths.substr(0, blank)))) {
            return blank;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> FallbackBlank(std::string_view paths) {
    const std::size_t beforeRemoteRoot = paths.rfind(" /");
    if (beforeRemoteRoot != std::string_view::npos && beforeRemoteRoot > 0) {
        return beforeRemoteRoot;
    }
    const std::size_t first = paths.find(' ');
    if (first != std::string_view::npos) {
        return first;
    }
    return std::nullopt;
}

}  // namespace

bool IsFtpsUrl(std::string_view url) {
    return StartsWithIgnoringCase(url, kFtpsScheme);
}

bool IsSftpUrl(std::string_view url) {
    return StartsWithIgnoringCase(url, kSftpScheme);
}

std::optional<std::string> HostFromFtpUrl(std::string_view url) {
    const std::string_view scheme =
        IsFtpsUrl(url) ? kFtpsScheme : (IsSftpUrl(url) ? kSftpScheme : kFtpScheme);
    if (!StartsWithIgnoringCase(url, scheme)) {
        return std::nullopt;
    }
    const std::string_view rest = url.substr(scheme.size());
    const std::string_view host = rest.substr(0, rest.find('/'));
    if (host.empty()) {
        return std::nullopt;
    }
    return std::string(host);
}

std::optional<PutOperation> ParsePutOperation(
    std::string_view operation, const std::function<bool(const std::string&)>& localFileExists) {
    if (!StartsWithIgnoringCase(operation, kPutVerb) || operation.size() <= kPutVerb.size() ||
        operation[kPutVerb.size()] != ' ') {
        return std::nullopt;
    }
    // A local path never starts with a blank, so extra blanks after the verb are separators.
    std::string_view paths = operation.substr(kPutVerb.size());
    paths.remove_prefix(std::min(paths.find_first_not_of(' '), paths.size()));

    auto blank = FirstBlankAfterExistingFile(paths, localFileExists);
    if (!blank) {
        blank = FallbackBlank(paths);
    }
    if (!blank) {
        return std::nullopt;
    }
    return SplitAt(paths, *blank);
}

std::string WithoutPassword(std::string reply, std::string_view password) {
    if (password.empty()) {
        return reply;
    }
    constexpr std::string_view kMask = "********";
    for (auto at = reply.find(password); at != std::string::npos;
         at = reply.find(password, at + kMask.size())) {
        reply.replace(at, password.size(), kMask);
    }
    return reply;
}

std::string ShownReply(std::string_view reply, std::string_view password) {
    constexpr std::size_t kShownBytes = 300;
    std::string shown = WithoutPassword(std::string(reply), password);
    if (shown.size() > kShownBytes) {
        shown.resize(kShownBytes);
        shown += "...";
    }
    return shown;
}

}  // namespace qel
