// The search of a drive for stray shortcuts: every folder below the start that can be opened,
// level by level. Folders that are junctions or symbolic links are not entered: one that points
// back up the tree would make the search endless, and the folders behind one are reached by
// their own path anyway. The list has no size limit.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace removal {

struct Subfolder {
    std::string path;   // full path, with or without a trailing backslash
    bool reparsePoint;  // a junction, symbolic link or other redirection
};

// The subfolders of a folder, or nullopt when the folder cannot be opened.
using SubfolderLister =
    std::function<std::optional<std::vector<Subfolder>>(const std::string& folder)>;

// `start` and every folder below it reached through real subfolders, breadth first, each
// ending in "\". A folder that cannot be opened stays in the list without its subfolders.
std::vector<std::string> MapFolders(const std::string& start, const SubfolderLister& list);

}  // namespace removal
