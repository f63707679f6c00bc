// Lists a folder's subfolders and plain files.
#include "FolderListing.h"

#include <windows.h>

#include <memory>

#include "FolderPath.h"

namespace removal {

namespace {

struct SearchClose {
    void operator()(HANDLE search) const { FindClose(search); }
};
using UniqueSearch = std::unique_ptr<void, SearchClose>;

// Calls `each` for every entry of the folder but "." and ".."; false when it cannot be opened.
template <typename Each>
bool ForEachEntry(const std::string& folder, Each each) {
    WIN32_FIND_DATAA found{};
    const std::string pattern = pellucor::WithTrailingBackslash(folder) + "*";
    HANDLE raw = FindFirstFileA(pattern.c_str(), &found);
    if (raw == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;  // opened, but empty
    }
    const UniqueSearch search(raw);
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            each(name, found.dwFileAttributes);
        }
    } while (FindNextFileA(raw, &found));
    return true;
}

}  // namespace

std::optional<std::vector<Subfolder>> ListSubfolders(const std::string& folder) {
    std::vector<Subfolder> subfolders;
    const std::string base = pellucor::WithTrailingBackslash(folder);
    const bool opened = ForEachEntry(folder, [&](const std::string& name, DWORD attributes) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            subfolders.push_back({base + name, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
        }
    });
    if (!opened) {
        return std::nullopt;
    }
    return subfolders;
}

std::vector<std::string> PlainFileNames(const std::string& folder) {
    constexpr DWORD kNotPlain =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    std::vector<std::string> names;
    ForEachEntry(folder, [&](const std::string& name, DWORD attributes) {
        if ((attributes & kNotPlain) == 0) {
            names.push_back(name);
        }
    });
    return names;
}

}  // namespace removal
