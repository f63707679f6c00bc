// The search of a drive for stray shortcuts.
#include "FolderSearch.h"

#include "FolderPath.h"

namespace removal {

std::vector<std::string> MapFolders(const std::string& start, const SubfolderLister& list) {
    std::vector<std::string> folders{pellucor::WithTrailingBackslash(start)};
    // Indices, not iterators: the list grows while it is walked.
    for (std::size_t cursor = 0; cursor < folders.size(); ++cursor) {
        const auto subfolders = list(folders[cursor]);
        if (!subfolders) {
            continue;
        }
        for (const Subfolder& sub : *subfolders) {
            if (!sub.reparsePoint) {
                folders.push_back(pellucor::WithTrailingBackslash(sub.path));
            }
        }
    }
    return folders;
}

}  // namespace removal
