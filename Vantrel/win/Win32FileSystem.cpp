// The file operations Qel needs, on the Windows file API: byte-exact writes that replace a file
// only once the whole new content is on disk, reads, and errors sorted into the kinds the page
// builder acts on.
#include "Win32FileSystem.h"

#include <windows.h>

#include <algorithm>

#include "FindStartupBas.h"
#include "PathText.h"
#include "UniqueHandle.h"
#include "Win32Error.h"

namespace qel {
namespace {

FileError::Kind KindOf(DWORD code) {
    switch (code) {
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return FileError::Kind::Access;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return FileError::Kind::Busy;
        case ERROR_FILE_NOT_FOUND:
            return FileError::Kind::NotFound;
        case ERROR_PATH_NOT_FOUND:
            return FileError::Kind::PathNotFound;
        default:
            return FileError::Kind::Other;
    }
}

FileError ErrorFromCode(DWORD code) {
    return FileError{KindOf(code), ErrorDescription(code)};
}

FileError LastError() {
    return ErrorFromCode(GetLastError());
}

// Windows refuses to replace a read-only file, but Wine running as root lets it through; the
// check here gives the same answer everywhere, so the page builder moves on to its next folder.
bool IsReadOnlyFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(pellucor::Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsBusy(DWORD code) {
    return KindOf(code) == FileError::Kind::Busy;
}

// Runs a file operation again while another program holds the file for a moment (a scanner
// opening a file as it is closed, the search indexer): about 100 ms in all before it gives up.
template <typename Operation>
bool RetryWhileBusy(Operation operation) {
    constexpr int kAttempts = 6;
    constexpr DWORD kPauseMs = 20;
    for (int attempt = 1;; ++attempt) {
        if (operation()) {
            return true;
        }
        const DWORD code = GetLastError();
        if (!IsBusy(code) || attempt == kAttempts) {
            SetLastError(code);
            return false;
        }
        Sleep(kPauseMs);
    }
}

// Chunks stay well below what one WriteFile or ReadFile call can take.
constexpr std::size_t kChunk = 1 << 20;

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(pellucor::Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The new content is written beside the file under a name of its own, and replaces the file
// in one step when it is complete: a full disk or a failed write leaves the old file whole,
// and a reader never sees a half-written one.
class Win32OutputFile : public OutputFile {
public:
    Win32OutputFile(UniqueHandle file, std::string temporaryPath, std::string path)
        : file_(std::move(file)),
          temporaryPath_(std::move(temporaryPath)),
          path_(std::move(path)) {}
    Win32OutputFile(const Win32OutputFile&) = delete;
    Win32OutputFile& operator=(const Win32OutputFile&) = delete;
    ~Win32OutputFile() override {
        if (!committed_) {
            file_.Close();
            DeleteFileW(pellucor::Wide(temporaryPath_).c_str());
        }
    }

    std::optional<FileError> Write(const std::string& bytes) override {
        if (!file_) {
            return ErrorFromCode(ERROR_INVALID_HANDLE);
        }
        for (std::size_t done = 0; done < bytes.size();) {
            const auto chunk = static_cast<DWORD>(std::min(bytes.size() - done, kChunk));
            DWORD written = 0;
            if (!WriteFile(file_.Get(), bytes.data() + done, chunk, &written, nullptr)) {
                return LastError();
            }
            if (written == 0) {
                return ErrorFromCode(ERROR_WRITE_FAULT);  // no progress: do not spin
            }
            done += written;
        }
        return std::nullopt;
    }

    std::optional<FileError> Close() override {
        if (!file_) {
            return std::nullopt;
        }
        // On disk before it replaces the old file, so a power cut leaves one or the other.
        const bool flushed = FlushFileBuffers(file_.Get()) != FALSE;
        const DWORD flushError = GetLastError();
        if (!file_.Close()) {
            return LastError();
        }
        if (!flushed) {
            return ErrorFromCode(flushError);
        }
        if (!RetryWhileBusy([this] { return ReplaceWithTemporary(); })) {
            return LastError();
        }
        committed_ = true;
        return std::nullopt;
    }

private:
    // Replacing a file that another program has open fails with "access denied", as a file we
    // may not delete does; only the first is worth another try. Opening the file for deletion
    // tells them apart: a reader without delete sharing refuses it as a sharing violation, and
    // one that has let go meanwhile lets it through. Only a refusal of the open itself is taken
    // as a lack of rights.
    bool ReplaceWithTemporary() {
        if (MoveFileExW(pellucor::Wide(temporaryPath_).c_str(), pellucor::Wide(path_).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        const DWORD code = GetLastError();
        if (code == ERROR_ACCESS_DENIED) {
            UniqueHandle probe(CreateFileW(pellucor::Wide(path_).c_str(), DELETE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (probe || IsBusy(GetLastError())) {
                SetLastError(ERROR_SHARING_VIOLATION);
                return false;
            }
        }
        SetLastError(code);
        return false;
    }

    UniqueHandle file_;
    std::string temporaryPath_;
    std::string path_;
    bool committed_ = false;
};

}  // namespace

std::unique_ptr<OutputFile> Win32FileSystem::OpenForOutput(const std::string& path,
                                                           FileError& error) {
    if (IsReadOnlyFile(path) || IsFolder(path)) {
        error = ErrorFromCode(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    // One temporary name per file: a second writer of the same file is refused as the file
    // itself would refuse it, and a copy left by a program that was killed is simply reused,
    // even one that something made read-only meanwhile. Others may read it, never write it.
    std::string temporaryPath = path + ".tmp";
    if (IsReadOnlyFile(temporaryPath)) {
        SetFileAttributesW(pellucor::Wide(temporaryPath).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    UniqueHandle file;
    RetryWhileBusy([&] {
        file = UniqueHandle(CreateFileW(pellucor::Wide(temporaryPath).c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        return static_cast<bool>(file);
    });
    if (!file) {
        error = LastError();
        return nullptr;
    }
    return std::make_unique<Win32OutputFile>(std::move(file), std::move(temporaryPath), path);
}

std::optional<FileError> Win32FileSystem::Rename(const std::string& from, const std::string& to) {
    if (!MoveFileExW(pellucor::Wide(from).c_str(), pellucor::Wide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return LastError();
    }
    return std::nullopt;
}

std::optional<std::string> Win32FileSystem::ReadAll(const std::string& path, FileError& error) {
    UniqueHandle file(CreateFileW(pellucor::Wide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = LastError();
        return std::nullopt;
    }
    // Read to the end rather than trust a size taken before: the file may still be growing.
    std::string contents;
    char buffer[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, static_cast<DWORD>(sizeof buffer), &got, nullptr)) {
            error = LastError();
            return std::nullopt;
        }
        if (got == 0) {
            return contents;
        }
        contents.append(buffer, got);
    }
}

std::vector<std::string> Win32FileSystem::ListFiles(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pellucor::Wide(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    constexpr DWORD kNotListed =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    do {
        if ((found.dwFileAttributes & kNotListed) == 0) {
            names.push_back(pellucor::Utf8(found.cFileName));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool Win32FileSystem::FileExists(const std::string& path) {
    return pellucor::FileExists(path);
}

std::string Win32FileSystem::SpecialFolderPath(int csidl) {
    return pellucor::SpecialFolderPath(csidl);
}

std::string Win32FileSystem::PathFromText(const std::string& text) {
    return pellucor::Utf8FromAnsi(text);
}

std::string Win32FileSystem::TextFromPath(const std::string& path) {
    return pellucor::AnsiFromUtf8(path);
}

void Win32FileSystem::Pause(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

}  // namespace qel
