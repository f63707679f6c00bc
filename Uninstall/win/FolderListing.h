// Lists folders for the search of the drive (in place of a hidden window with a folder-list
// control), entry by entry, each subfolder marked when it is a junction or symbolic link; and a
// folder's plain files for the emptying of the install folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FolderSearch.h"

namespace removal {

// The folder's open listing; null when it cannot be opened. Hidden and system entries are
// listed too.
std::unique_ptr<FolderListing> OpenListing(const std::string& folder);

// The plain files of a folder: without the hidden or system attribute, no folders.
std::vector<std::string> PlainFileNames(const std::string& folder);

}  // namespace removal
