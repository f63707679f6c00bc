// Files and folders reached through handles that do not follow links.
#include "HandleFiles.h"

#include <vector>

#include "PathText.h"
#include "RelativeFiles.h"

namespace pellucor {

OwnedHandle OpenNoFollow(const std::string& path, DWORD access) {
    return OwnFile(CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

DWORD HandleAttributes(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) {
        return INVALID_FILE_ATTRIBUTES;
    }
    return tag.FileAttributes;
}

std::string FinalPath(HANDLE handle) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) {
            return {};
        }
        if (n < buffer.size()) {
            std::wstring_view path(buffer.data(), n);
            if (path.substr(0, 8) == L"\\\\?\\UNC\\") {
                return "\\\\" + Utf8(path.substr(8));
            }
            if (path.substr(0, 4) == L"\\\\?\\") {
                path.remove_prefix(4);
            }
            return Utf8(path);
        }
        buffer.resize(n + 1);
    }
}

bool SamePath(const std::string& a, const std::string& b) {
    const std::wstring wa = Wide(a), wb = Wide(b);
    return wa.size() == wb.size() &&
           CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

bool LiesDirectlyIn(const std::string& path, const std::string& folder) {
    std::string base = folder;
    if (base.empty()) {
        return false;
    }
    if (base.back() != '\\') {
        base += '\\';
    }
    return path.size() > base.size() && SamePath(path.substr(0, base.size()), base) &&
           path.find('\\', base.size()) == std::string::npos;
}

bool DeleteThrough(HANDLE handle) {
    // A file with other names (hard links) is someone else's too: only this name goes, and the
    // file keeps its attributes.
    FILE_BASIC_INFO basic{};
    if (LinkCount(handle) == 1 &&
        GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0) {
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        }
        SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
    }
    return RemoveEntry(handle);
}

}  // namespace pellucor
