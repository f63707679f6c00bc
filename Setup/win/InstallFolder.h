// The install folder made as safe as a fresh install leaves it, all through handles. An earlier
// version let every user change the folder: an upgrade first checks that the folder above it
// lets no one untrusted change it, then gives the folder a list of its own (nothing inherited,
// nothing pushed down to what it holds), deletes whatever it neither ships nor keeps (names
// only: a file with other names elsewhere is left as it is), moves aside what is in use, and
// resets the lists of the settings it keeps. Its own files are replaced later by new ones.
#pragma once

#include <memory>
#include <string>

#include "TargetFolder.h"

namespace setup {

// What stopped the install folder from being made safe.
struct FolderProblem {
    std::string heldPath;     // an entry held open by another program; "" for other problems
    std::string description;  // otherwise what went wrong, for the user
};

// Checks the folder above the install folder (`installDir`, with its trailing backslash),
// holds the install folder in it (making it when missing) and gives it the installer's own
// list. Empty with `problem` set when that cannot be done safely.
std::unique_ptr<TargetFolder> TakeInstallFolder(const std::string& installDir,
                                                FolderProblem& problem);

// Deletes every entry the installer neither ships nor keeps (subfolders with all they hold,
// links as links), moves aside what is in use, and resets the lists of the settings it keeps.
// False with `problem` set when something could not be made safe; an entry held open without
// leave to delete it is then marked for deletion when Windows restarts.
bool ClearFolder(TargetFolder& folder, FolderProblem& problem);

}  // namespace setup
