// The search of a drive for stray shortcuts.
#include "FolderSearch.h"

#include <new>
#include <vector>

#include "FolderPath.h"

namespace removal {

bool IsUsableName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("\\/:\0", 4)) == std::string::npos;
}

SearchOutcome SearchFolders(const std::string& start, const std::string& fileName,
                            const ListingOpener& open, const FoundFile& found) {
    SearchOutcome outcome;
    try {
        // One open listing per level of the current path, and the path itself.
        struct Level {
            std::unique_ptr<FolderListing> listing;
            std::size_t pathLength;  // the path's length with this level's folder
        };
        std::vector<Level> levels;
        std::string path = pellucor::WithTrailingBackslash(start);
        if (auto listing = open(path)) {
            ++outcome.folders;
            levels.push_back({std::move(listing), path.size()});
        }
        FolderEntry entry;
        while (!levels.empty()) {
            Level& level = levels.back();
            if (!level.listing->Next(entry)) {
                levels.pop_back();
                continue;
            }
            path.resize(level.pathLength);
            if (!IsUsableName(entry.name)) {
                continue;
            }
            if (!entry.folder) {
                if (pellucor::SameFileName(entry.name, fileName)) {
                    found(*level.listing, entry.name, path + entry.name);
                }
                continue;
            }
            if (entry.reparsePoint) {
                continue;
            }
            const std::string sub = path + entry.name + "\\";
            if (auto listing = open(sub)) {
                ++outcome.folders;
                path = sub;
                levels.push_back({std::move(listing), path.size()});
            }
        }
    } catch (const std::bad_alloc&) {
        outcome.complete = false;
        outcome.stopReason = "out of memory";
    }
    return outcome;
}

}  // namespace removal
