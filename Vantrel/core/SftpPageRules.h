// How a page is put in its place on an SFTP host without a moment where a visitor reads half a
// page, or none: the hidden names beside the page, the order of the renames on a host that
// offers no replacing rename, and which refusals still leave the page published.
#pragma once

#include <optional>
#include <string>

namespace qel {

// The result of one SFTP step, as these rules read it: 0 done; above 0 an SFTP status code (the
// host's answer, or the library's on the host's behalf, as for an extension the host lacks);
// below 0 the SSH library's own failure (the connection, a time-out).
inline constexpr int kSftpNoSuchFile = 2;
inline constexpr int kSftpOpUnsupported = 8;

// The steps on the host that the rename rule needs.
class SftpRenameSteps {
public:
    virtual ~SftpRenameSteps() = default;
    // OpenSSH's rename that replaces the target in one step (posix-rename@openssh.com).
    virtual int PosixRename(const std::string& from, const std::string& to) = 0;
    // SFTP version 3's own rename, which never replaces a file that exists.
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Remove(const std::string& path) = 0;
};

// The hidden file the page is written to first, beside it: ".name.tmp". One fixed name per
// page, so one left by an upload that was cut off is simply written again.
std::string SftpTemporaryName(const std::string& pagePath);
// Where the old page waits while the new one takes its name: ".name.old".
std::string SftpAsideName(const std::string& pagePath);

struct SftpStepFailure {
    int result;        // as above, never 0
    std::string path;  // the name the failed step was about

    bool operator==(const SftpStepFailure&) const = default;
};

// Puts the written temporary file in the page's place. With the replacing rename when the host
// has it; otherwise the old page is renamed aside, the new one renamed into its place, and the
// old one removed only then; if the second rename fails, whatever waits aside is put back. The
// page is missing at most between the two renames and never lost. The temporary file is left
// for the caller to remove on failure.
std::optional<SftpStepFailure> PutPageInPlace(SftpRenameSteps& host, const std::string& temporary,
                                              const std::string& page);

// A host may refuse to set a file's permissions (not offered, or not allowed): the page it
// wrote is still whole and published. Only a broken connection or a time-out stops the upload.
inline bool PermissionChangeStopsUpload(int result) {
    return result < 0;
}

}  // namespace qel
