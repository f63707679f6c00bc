// Pages put on an SFTP host over a logged-in SSH session: each written whole to a hidden file
// beside its place, readable by the web server, then put in place by the rename rule
// (SftpPageRules), so a visitor never reads half a page, nor finds none. The session and the
// store may stay open for many pages.
#pragma once

#include <libssh2.h>
#include <libssh2_sftp.h>

#include <optional>
#include <string>

#include "SftpPageRules.h"
#include "SshSession.h"

namespace qel {

class SftpPageStore : private SftpRenameSteps {
public:
    explicit SftpPageStore(SshSession& session) : session_(session) {}
    SftpPageStore(const SftpPageStore&) = delete;
    SftpPageStore& operator=(const SftpPageStore&) = delete;
    ~SftpPageStore() override;

    // Stores `content` as the file `remotePath` (from the server's root); nullopt when it is
    // there. On failure the hidden file is removed and the page left as it was.
    std::optional<std::string> Put(const std::string& remotePath, const std::string& content);

private:
    std::optional<std::string> Open();
    std::optional<std::string> WriteTemporary(const std::string& temporary,
                                              const std::string& content, bool& made);
    // A result of the library's SFTP calls as the rules read it (SftpPageRules.h): its SFTP
    // status code when it reported the host's answer as a protocol failure.
    int Result(int rc) const;
    std::string StepFailure(int result, const std::string& path) const;

    int PosixRename(const std::string& from, const std::string& to) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Remove(const std::string& path) override;

    SshSession& session_;
    LIBSSH2_SFTP* sftp_ = nullptr;
};

}  // namespace qel
