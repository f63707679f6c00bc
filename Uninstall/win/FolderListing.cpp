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

namespace {

class FindListing : public FolderListing {
public:
    // `first` is what FindFirstFileA gave with the handle; no handle: an empty folder.
    FindListing(UniqueSearch search, const WIN32_FIND_DATAA& first)
        : search_(std::move(search)), found_(first), pending_(search_ != nullptr) {}

    bool Next(FolderEntry& entry) override {
        for (;;) {
            if (!pending_) {
                if (!search_ || !FindNextFileA(search_.get(), &found_)) {
                    return false;
                }
            }
            pending_ = false;
            const std::string name = found_.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const DWORD attributes = found_.dwFileAttributes;
            entry.name = name;
            entry.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entry.reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            return true;
        }
    }

private:
    UniqueSearch search_;
    WIN32_FIND_DATAA found_;
    bool pending_;
};

}  // namespace

std::unique_ptr<FolderListing> OpenListing(const std::string& folder) {
    WIN32_FIND_DATAA found{};
    const std::string pattern = pellucor::WithTrailingBackslash(folder) + "*";
    HANDLE raw = FindFirstFileA(pattern.c_str(), &found);
    if (raw == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) {
            return nullptr;
        }
        return std::make_unique<FindListing>(nullptr, found);  // opened, but empty
    }
    UniqueSearch search(raw);
    return std::make_unique<FindListing>(std::move(search), found);
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
