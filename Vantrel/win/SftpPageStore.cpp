// Pages written beside their place on an SFTP host and renamed into it.
#include "SftpPageStore.h"

#include <algorithm>
#include <memory>

namespace qel {
namespace {

constexpr long kPageMode = 0644;  // readable by the web server: 0600 would answer 403
constexpr std::size_t kWriteChunk = 30000;

struct HandleClose {
    void operator()(LIBSSH2_SFTP_HANDLE* handle) const { libssh2_sftp_close_handle(handle); }
};

std::string SftpStatusText(int status) {
    switch (status) {
        case LIBSSH2_FX_NO_SUCH_FILE:
        case LIBSSH2_FX_NO_SUCH_PATH:
            return "No such file or folder on the SFTP host";
        case LIBSSH2_FX_PERMISSION_DENIED:
        case LIBSSH2_FX_WRITE_PROTECT:
            return "The SFTP host denied permission";
        case LIBSSH2_FX_NO_SPACE_ON_FILESYSTEM:
        case LIBSSH2_FX_QUOTA_EXCEEDED:
            return "No space left for the page on the SFTP host";
        case LIBSSH2_FX_FILE_ALREADY_EXISTS:
            return "The file already exists on the SFTP host";
        default:
            return "The SFTP host reported failure " + std::to_string(status);
    }
}

unsigned Length(const std::string& text) {
    return static_cast<unsigned>(text.size());
}

}  // namespace

SftpPageStore::~SftpPageStore() {
    if (sftp_ != nullptr) {
        libssh2_session_set_timeout(session_.Handle(), 1000);  // a goodbye, never a long wait
        libssh2_sftp_shutdown(sftp_);
    }
}

std::optional<std::string> SftpPageStore::Open() {
    if (sftp_ != nullptr) {
        return std::nullopt;
    }
    session_.SetWait();
    sftp_ = libssh2_sftp_init(session_.Handle());
    if (sftp_ == nullptr) {
        return session_.Failure(libssh2_session_last_errno(session_.Handle()));
    }
    return std::nullopt;
}

int SftpPageStore::Result(int rc) const {
    if (rc == LIBSSH2_ERROR_SFTP_PROTOCOL && sftp_ != nullptr) {
        if (const unsigned long status = libssh2_sftp_last_error(sftp_); status != 0) {
            return static_cast<int>(status);
        }
    }
    return rc;
}

std::string SftpPageStore::StepFailure(int result, const std::string& path) const {
    if (result > 0) {
        return SftpStatusText(result) + " (" + path + ")";
    }
    return session_.Failure(result);
}

std::optional<std::string> SftpPageStore::Put(const std::string& remotePath,
                                              const std::string& content) {
    if (auto failure = Open()) {
        return failure;
    }
    const std::string temporary = SftpTemporaryName(remotePath);
    bool made = false;
    std::optional<std::string> failure = WriteTemporary(temporary, content, made);
    if (!failure) {
        if (const auto placed = PutPageInPlace(*this, temporary, remotePath)) {
            failure = StepFailure(placed->result, placed->path);
        }
    }
    if (failure && made) {
        Remove(temporary);
    }
    return failure;
}

std::optional<std::string> SftpPageStore::WriteTemporary(const std::string& temporary,
                                                         const std::string& content, bool& made) {
    session_.SetWait();
    std::unique_ptr<LIBSSH2_SFTP_HANDLE, HandleClose> file(
        libssh2_sftp_open_ex(sftp_, temporary.c_str(), Length(temporary),
                             LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT | LIBSSH2_FXF_TRUNC, kPageMode,
                             LIBSSH2_SFTP_OPENFILE));
    if (!file) {
        return StepFailure(Result(libssh2_session_last_errno(session_.Handle())), temporary);
    }
    made = true;
    // An abandoned file keeps its old mode through the open: set it, where the host allows.
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    attributes.flags = LIBSSH2_SFTP_ATTR_PERMISSIONS;
    attributes.permissions = kPageMode;
    session_.SetWait();
    if (const int result = Result(libssh2_sftp_fsetstat(file.get(), &attributes));
        PermissionChangeStopsUpload(result)) {
        return StepFailure(result, temporary);
    }
    for (std::size_t done = 0; done < content.size();) {
        session_.SetWait();
        const ssize_t sent = libssh2_sftp_write(file.get(), content.data() + done,
                                                std::min(content.size() - done, kWriteChunk));
        if (sent <= 0) {
            return StepFailure(
                Result(sent == 0 ? LIBSSH2_ERROR_SOCKET_SEND : static_cast<int>(sent)), temporary);
        }
        done += static_cast<std::size_t>(sent);
    }
    session_.SetWait();
    if (const int rc = libssh2_sftp_close_handle(file.release())) {
        return StepFailure(Result(rc), temporary);
    }
    return std::nullopt;
}

int SftpPageStore::PosixRename(const std::string& from, const std::string& to) {
    session_.SetWait();
    return Result(
        libssh2_sftp_posix_rename_ex(sftp_, from.c_str(), from.size(), to.c_str(), to.size()));
}

int SftpPageStore::Rename(const std::string& from, const std::string& to) {
    session_.SetWait();
    return Result(libssh2_sftp_rename_ex(
        sftp_, from.c_str(), Length(from), to.c_str(), Length(to),
        LIBSSH2_SFTP_RENAME_OVERWRITE | LIBSSH2_SFTP_RENAME_ATOMIC | LIBSSH2_SFTP_RENAME_NATIVE));
}

int SftpPageStore::Remove(const std::string& path) {
    session_.SetWait();
    return Result(libssh2_sftp_unlink_ex(sftp_, path.c_str(), Length(path)));
}

}  // namespace qel
