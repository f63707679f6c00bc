// Files deleted when Windows next starts, and marks taken back.
#include "RestartDeletion.h"

#include <windows.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "PathText.h"
#include "PendingDeletions.h"

namespace setup {

namespace {

constexpr const wchar_t* kSessionManager = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kPendingValue = L"PendingFileRenameOperations";

}  // namespace

bool MarkForDeletionAtRestart(const std::string& path) {
    // Marked exactly as named: without the prefix the path rules would drop a trailing dot or
    // blank, and mark another file.
    return MoveFileExW(pellucor::Wide("\\\\?\\" + path).c_str(), nullptr,
                       MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool CancelDeletionAtRestart(const std::string& path) {
    HKEY raw = nullptr;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0,
                                KEY_QUERY_VALUE | KEY_SET_VALUE, &raw);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
    const std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&RegCloseKey)> key(raw,
                                                                                   RegCloseKey);
    DWORD type = 0, size = 0;
    status = RegQueryValueExW(key.get(), kPendingValue, nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
    if (status == ERROR_SUCCESS) {
        status = RegQueryValueExW(key.get(), kPendingValue, nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &size);
    }
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
    const std::u16string list(data.begin(), data.begin() + size / sizeof(wchar_t));
    const std::wstring wide = pellucor::Wide(path);
    std::u16string kept = WithoutPendingDeletion(list, std::u16string(wide.begin(), wide.end()));
    if (list.compare(0, kept.size(), kept) == 0 &&
        list.find_first_not_of(u'\0', kept.size()) == std::u16string::npos) {
        return true;  // nothing of this file was waiting
    }
    if (kept.empty()) {
        status = RegDeleteValueW(key.get(), kPendingValue);
    } else {
        kept += u'\0';
        status = RegSetValueExW(key.get(), kPendingValue, 0, REG_MULTI_SZ,
                                reinterpret_cast<const BYTE*>(kept.data()),
                                static_cast<DWORD>(kept.size() * sizeof(char16_t)));
    }
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

}  // namespace setup
