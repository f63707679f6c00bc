// Lists a folder's entries by their Unicode names, through the folder's handle.
#include "FolderListing.h"

#include "HandleFiles.h"
#include "PathText.h"
#include "RelativeFiles.h"

namespace removal {

namespace {

std::string WithoutTrailingBackslash(std::string folder) {
    if (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

class FindListing : public HeldListing {
public:
    FindListing(pellucor::OwnedHandle held, std::string path)
        : held_(std::move(held)), path_(std::move(path)), reader_(held_.get()) {}

    bool Next(FolderEntry& entry) override {
        pellucor::ListedEntry listed;
        while (reader_.Next(listed)) {
            if (!IsUsableName(listed.name)) {
                continue;
            }
            entry.name = listed.name;
            entry.folder = (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entry.reparsePoint = (listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            return true;
        }
        return false;
    }

    HANDLE Folder() const override { return held_.get(); }
    const std::string& FolderPath() const override { return path_; }

private:
    pellucor::OwnedHandle held_;
    std::string path_;
    pellucor::FolderReader reader_;
};

}  // namespace

std::unique_ptr<HeldListing> OpenListing(const std::string& folder) {
    // Held so that it cannot be swapped for a link while it is listed and its files deleted.
    const std::string name = WithoutTrailingBackslash(folder);
    pellucor::OwnedHandle held =
        pellucor::OpenNoFollow(name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES);
    const DWORD attributes = held ? pellucor::HandleAttributes(held.get()) : 0;
    const std::string real = held ? pellucor::FinalPath(held.get()) : std::string();
    if (!held || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !pellucor::SamePath(WithoutTrailingBackslash(real), name)) {
        return nullptr;
    }
    return std::make_unique<FindListing>(std::move(held), real);
}

}  // namespace removal
