// Lists a folder's subfolders and plain files by their Unicode names.
#include "FolderListing.h"

#include <windows.h>

#include <memory>

#include "FolderPath.h"
#include "HandleFiles.h"
#include "PathText.h"

namespace removal {

namespace {

struct SearchClose {
    void operator()(HANDLE search) const { FindClose(search); }
};
using UniqueSearch = std::unique_ptr<void, SearchClose>;

std::string WithoutTrailingBackslash(std::string folder) {
    if (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

// The folder held open while it is listed, so that it cannot be swapped for a link meanwhile;
// empty when the opened folder is a link, or lies elsewhere than its path says (a link the
// system followed), or cannot be opened.
pellucor::OwnedHandle HoldRealFolder(const std::string& folder) {
    const std::string name = WithoutTrailingBackslash(folder);
    pellucor::OwnedHandle held =
        pellucor::OpenNoFollow(name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES);
    const DWORD attributes = held ? pellucor::HandleAttributes(held.get()) : 0;
    if (!held || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !pellucor::SamePath(WithoutTrailingBackslash(pellucor::FinalPath(held.get())), name)) {
        return nullptr;
    }
    return held;
}

class FindListing : public FolderListing {
public:
    // `first` is what FindFirstFileW gave with the handle; no handle: an empty folder.
    FindListing(pellucor::OwnedHandle held, UniqueSearch search, const WIN32_FIND_DATAW& first)
        : held_(std::move(held)),
          search_(std::move(search)),
          found_(first),
          pending_(search_ != nullptr) {}

    bool Next(FolderEntry& entry) override {
        for (;;) {
            if (!pending_) {
                if (!search_ || !FindNextFileW(search_.get(), &found_)) {
                    return false;
                }
            }
            pending_ = false;
            const std::string name = pellucor::Utf8(found_.cFileName);
            if (!IsUsableName(name)) {
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
    pellucor::OwnedHandle held_;
    UniqueSearch search_;
    WIN32_FIND_DATAW found_;
    bool pending_;
};

}  // namespace

std::unique_ptr<FolderListing> OpenListing(const std::string& folder) {
    pellucor::OwnedHandle held = HoldRealFolder(folder);
    if (!held) {
        return nullptr;
    }
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = pellucor::Wide(pellucor::WithTrailingBackslash(folder) + "*");
    HANDLE raw = FindFirstFileW(pattern.c_str(), &found);
    if (raw == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) {
            return nullptr;
        }
        return std::make_unique<FindListing>(std::move(held), nullptr, found);  // empty
    }
    UniqueSearch search(raw);
    return std::make_unique<FindListing>(std::move(held), std::move(search), found);
}

std::vector<std::string> PlainFileNames(const std::string& folder) {
    constexpr DWORD kNotPlain =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    std::vector<std::string> names;
    if (const std::unique_ptr<FolderListing> listing = OpenListing(folder)) {
        // The listing's entries carry no hidden or system mark: asked again per name.
        FolderEntry entry;
        while (listing->Next(entry)) {
            const DWORD attributes = GetFileAttributesW(
                pellucor::Wide(pellucor::WithTrailingBackslash(folder) + entry.name).c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotPlain) == 0) {
                names.push_back(entry.name);
            }
        }
    }
    return names;
}

}  // namespace removal
