// The status history's file and clock on Windows.
#include "Win32StatusHistory.h"

#include <windows.h>

#include "FindStartupBas.h"
#include "PathText.h"
#include "UniqueHandle.h"

namespace qel {

namespace {

constexpr int kCsidlAppData = 0x1A;

std::uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

std::string Win32HistoryFile::Folder() {
    const std::string appData = pellucor::SpecialFolderPath(kCsidlAppData);
    return appData.empty() ? appData : appData + kFolderName + "\\";
}

std::optional<std::uint64_t> Win32HistoryFile::Size() {
    const std::string folder = Folder();
    if (folder.empty()) {
        return std::nullopt;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(pellucor::Wide(folder + kFileName).c_str(), GetFileExInfoStandard,
                              &data)) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return 0;
        }
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Win32HistoryFile::Append(const std::string& bytes) {
    const std::string folder = Folder();
    if (folder.empty()) {
        return false;
    }
    CreateDirectoryW(pellucor::Wide(folder).c_str(), nullptr);  // most often there already
    // Append-only access puts each line at the end even if another program writes there too;
    // readers, and a viewer that renames or deletes the file, are never locked out.
    UniqueHandle file(CreateFileW(pellucor::Wide(folder + kFileName).c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    const bool wrote =
        WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    return file.Close() && wrote;
}

bool Win32HistoryFile::MoveToOlder() {
    const std::string folder = Folder();
    return !folder.empty() && MoveFileExW(pellucor::Wide(folder + kFileName).c_str(),
                                          pellucor::Wide(folder + kOlderFileName).c_str(),
                                          MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool Win32HistoryFile::KeepNewestHalf() {
    const std::string folder = Folder();
    if (folder.empty()) {
        return false;
    }
    // In place: a folder where the older file cannot be replaced may not take a new file either.
    UniqueHandle file(CreateFileW(pellucor::Wide(folder + kFileName).c_str(),
                                  GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > 64LL * 1024 * 1024) {
        return false;
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        return false;
    }
    const std::size_t lineStart = bytes.find('\n', bytes.size() / 2);
    const std::string kept = lineStart == std::string::npos ? "" : bytes.substr(lineStart + 1);
    DWORD written = 0;
    LARGE_INTEGER start{};
    return SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN) &&
           WriteFile(file.Get(), kept.data(), static_cast<DWORD>(kept.size()), &written, nullptr) &&
           written == kept.size() && SetEndOfFile(file.Get()) && file.Close();
}

std::uint64_t Win32HistoryClock::Milliseconds() {
    return GetTickCount64();
}

LocalTime Win32HistoryClock::Now() {
    // One instant, seen in UTC and in local time; their difference is the offset in force then
    // (summer time included). Both are taken to the millisecond, so it is whole minutes.
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    SYSTEMTIME utc{};
    FileTimeToSystemTime(&now, &utc);
    SYSTEMTIME local{};
    FILETIME utcTime{};
    FILETIME localTime{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !SystemTimeToFileTime(&utc, &utcTime) || !SystemTimeToFileTime(&local, &localTime)) {
        local = utc;  // no time zone to be had: UTC, and said so
        localTime = utcTime;
    }
    constexpr std::int64_t kTicksPerMinute = 60LL * 10000000LL;
    const auto difference = static_cast<std::int64_t>(FileTimeValue(localTime)) -
                            static_cast<std::int64_t>(FileTimeValue(utcTime));
    return {local.wYear,
            local.wMonth,
            local.wDay,
            local.wHour,
            local.wMinute,
            local.wSecond,
            static_cast<int>(difference / kTicksPerMinute)};
}

}  // namespace qel
