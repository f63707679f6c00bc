// Reads the known hosts file and adds a line to it by write-then-replace, with wide paths.
#include "KnownHostsFile.h"

#include <windows.h>

#include "PathText.h"
#include "UniqueHandle.h"
#include "Win32Error.h"

namespace qel {

std::optional<std::string> ReadKnownHosts(const std::string& path, std::string& failure) {
    UniqueHandle file(CreateFileW(pellucor::Wide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            return std::string();
        }
        failure = ErrorDescription(code) + " reading " + pellucor::AnsiFromUtf8(path);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[16 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
            failure = ErrorDescription(GetLastError()) + " reading " + pellucor::AnsiFromUtf8(path);
            return std::nullopt;
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(buffer, got);
    }
}

std::optional<std::string> AppendKnownHost(const std::string& path, const std::string& line) {
    std::string failure;
    std::optional<std::string> bytes = ReadKnownHosts(path, failure);
    if (!bytes) {
        return failure;
    }
    if (!bytes->empty() && bytes->back() != '\n') {
        *bytes += '\n';
    }
    // OpenSSH's own line ends, so its tools can read and edit the file too.
    *bytes += line + "\n";

    const std::wstring target = pellucor::Wide(path);
    const std::wstring temporary = target + L".tmp";
    const auto fail = [&](DWORD code) {
        DeleteFileW(temporary.c_str());
        return ErrorDescription(code) + " saving " + pellucor::AnsiFromUtf8(path);
    };
    UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return fail(GetLastError());
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes->data(), static_cast<DWORD>(bytes->size()), &written,
                   nullptr) ||
        written != bytes->size() || !FlushFileBuffers(file.Get())) {
        const DWORD code = GetLastError();
        file.Close();
        return fail(code == ERROR_SUCCESS ? ERROR_WRITE_FAULT : code);
    }
    if (!file.Close() || !MoveFileExW(temporary.c_str(), target.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return fail(GetLastError());
    }
    return std::nullopt;
}

}  // namespace qel
