// Lists folders for the search of the drive (in place of a hidden window with a folder-list
// control), entry by entry, through the handle of the folder held open while it is listed, each
// subfolder marked when it is a junction or symbolic link.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "FolderSearch.h"

namespace removal {

// A listing that holds its folder open: a file found in it is reached through that very folder.
class HeldListing : public FolderListing {
public:
    virtual HANDLE Folder() const = 0;
    // Where the folder really is.
    virtual const std::string& FolderPath() const = 0;
};

// The folder's open listing; null when it cannot be opened, is a link, or lies elsewhere than
// its path says. Hidden and system entries are listed too.
std::unique_ptr<HeldListing> OpenListing(const std::string& folder);

}  // namespace removal
