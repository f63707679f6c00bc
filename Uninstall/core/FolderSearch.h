// The search of a drive for stray shortcuts: depth first, with one open listing per level and
// nothing else kept, so its memory does not grow with the number of folders on the drive. Each
// file of the wanted name is reported while its folder is listed. Folders that are junctions or
// symbolic links are not entered: one that points back up the tree would make the search
// endless, and the folders behind one are reached by their own path anyway.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace removal {

struct FolderEntry {
    std::string name;   // without folder
    bool folder;        // a subfolder
    bool reparsePoint;  // a junction, symbolic link or other redirection
};

// True for a name that can be joined to its folder's path: not empty, not "." or "..", and
// without a path separator, a colon (a drive or a stream) or NUL. A listing may return such
// names: the system's best-fit mapping of Unicode letters, or a damaged file system.
bool IsUsableName(const std::string& name);

// One open listing of a folder, read entry by entry (names that are not usable left out).
class FolderListing {
public:
    virtual ~FolderListing() = default;
    // The next entry; false at the end of the listing.
    virtual bool Next(FolderEntry& entry) = 0;
};

// Opens a folder's listing; null when the folder cannot be opened.
using ListingOpener = std::function<std::unique_ptr<FolderListing>(const std::string& folder)>;

struct SearchOutcome {
    unsigned long long folders = 0;  // folders listed
    bool complete = true;            // false when the search had to stop
    std::string stopReason;          // why it stopped
};

// Called for each file found, while its folder is listed: that folder's open listing (so the
// file can be reached through the very folder that was listed), the file's name as listed and
// its full path.
using FoundFile =
    std::function<void(FolderListing& folder, const std::string& name, const std::string& path)>;

// Lists `start` and every folder below it reached through real subfolders, depth first, and
// calls `found` for every file named `fileName` (compared without regard to case). A folder
// that cannot be opened is passed over with everything below it, and so is any entry whose
// name is not usable. Running out of memory stops the search; the outcome says so and the
// caller goes on.
SearchOutcome SearchFolders(const std::string& start, const std::string& fileName,
                            const ListingOpener& open, const FoundFile& found);

}  // namespace removal
