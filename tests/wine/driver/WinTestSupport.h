// Helpers for the tests that run under Windows (Wine): settings from the environment, a
// scratch folder, small file helpers and waiting for a condition while messages are pumped.
// Paths are UTF-8, as in the programs.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "PathText.h"

namespace wintest {

// A variable of the environment the test runs in; nullopt when it is not set or empty.
inline std::optional<std::string> EnvVar(const char* name) {
    char buffer[1024] = {};
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) {
        return std::nullopt;
    }
    return std::string(buffer, length);
}

inline bool WriteBytes(const std::string& path, const std::string& bytes, DWORD attributes = 0) {
    HANDLE file = CreateFileW(pellucor::Wide(path).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) {
        return false;
    }
    return attributes == 0 || SetFileAttributesW(pellucor::Wide(path).c_str(), attributes);
}

inline std::optional<std::string> ReadBytes(const std::string& path) {
    HANDLE file =
        CreateFileW(pellucor::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}

// Every byte value, with CR LF pairs among them: what a byte-exact transfer must keep.
// How often `part` stands in `text` (a server's log, say).
inline std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

inline std::string AllByteValues() {
    std::string bytes = "line one\r\nline two\r\n";
    for (int value = 0; value < 256; ++value) {
        bytes += static_cast<char>(value);
    }
    return bytes + "\r\n\x80\xff\r\n";
}

// A fresh folder under the temporary folder, removed with all it holds at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& under = {}) {
        std::string base = under;
        if (base.empty()) {
            wchar_t temp[MAX_PATH] = {};
            GetTempPathW(MAX_PATH, temp);
            base = pellucor::Utf8(temp);
        }
        if (base.back() != '\\') {
            base += '\\';
        }
        static int counter = 0;
        name_ = "pellucor-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        path_ = base + name_ + "\\";
        CreateDirectoryW(pellucor::Wide(path_).c_str(), nullptr);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() { Remove(path_); }

    // The folder, ending in "\".
    const std::string& Path() const { return path_; }
    const std::string& Name() const { return name_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    static void Remove(const std::string& folder) {
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW(pellucor::Wide(folder + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = pellucor::Utf8(found.cFileName);
                if (name == "." || name == "..") {
                    continue;
                }
                const std::string path = folder + name;
                SetFileAttributesW(pellucor::Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(path + "\\");
                } else {
                    DeleteFileW(pellucor::Wide(path).c_str());
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(pellucor::Wide(folder).c_str());
    }

    std::string name_;
    std::string path_;
};

// Runs the messages already waiting for this thread, without waiting for more.
inline void PumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Runs the thread's messages until `done` holds or the time is up; true when it held. Waits
// for messages in short slices, so a condition set from another thread is seen promptly too.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        PumpPending();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// The FTP server of the test harness: PELLUCOR_FTP_USER, PELLUCOR_FTP_PASSWORD and
// PELLUCOR_FTP_ROOT (the Windows path of the folder it serves), PELLUCOR_FTP_HOST optional.
struct FtpTestServer {
    std::string host;
    std::string user;
    std::string password;
    std::string root;  // ending in "\"
};

inline std::optional<FtpTestServer> FtpServerFromEnvironment() {
    const auto user = EnvVar("PELLUCOR_FTP_USER");
    const auto password = EnvVar("PELLUCOR_FTP_PASSWORD");
    auto root = EnvVar("PELLUCOR_FTP_ROOT");
    if (!user || !password || !root) {
        return std::nullopt;
    }
    if (root->back() != '\\') {
        *root += '\\';
    }
    return FtpTestServer{EnvVar("PELLUCOR_FTP_HOST").value_or("127.0.0.1"), *user, *password,
                         *root};
}

// The FTP server's log of the commands it received (PELLUCOR_FTP_LOG), one line each; a test
// reads what was added after the mark it set, to see how a client talked to the server.
class FtpCommandLog {
public:
    static std::optional<FtpCommandLog> FromEnvironment() {
        const auto path = EnvVar("PELLUCOR_FTP_LOG");
        if (!path) {
            return std::nullopt;
        }
        FtpCommandLog log(*path);
        log.Mark();
        return log;
    }

    void Mark() { mark_ = ReadBytes(path_).value_or("").size(); }

    std::string SinceMark() const {
        const std::string all = ReadBytes(path_).value_or("");
        return all.size() >= mark_ ? all.substr(mark_) : all;  // the log may have been cleared
    }

    // True when a line added since the mark begins with the command.
    bool Received(const std::string& command) const {
        const std::string lines = "\n" + SinceMark();
        return lines.find("\n" + command) != std::string::npos;
    }

private:
    explicit FtpCommandLog(std::string path) : path_(std::move(path)) {}

    std::string path_;
    std::size_t mark_ = 0;
};

}  // namespace wintest
