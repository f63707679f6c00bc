// Lists a folder's subfolders for the search of the drive (in place of a hidden window with a
// folder-list control): full paths, each marked when it is a junction or symbolic link.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "FolderSearch.h"

namespace removal {

// nullopt when the folder cannot be opened. Hidden and system folders are listed too.
std::optional<std::vector<Subfolder>> ListSubfolders(const std::string& folder);

// The plain files of a folder: without the hidden or system attribute, no folders.
std::vector<std::string> PlainFileNames(const std::string& folder);

}  // namespace removal
