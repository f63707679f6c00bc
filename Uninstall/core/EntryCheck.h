// Whether an entry the uninstaller opened by its name inside a folder it holds open may be
// deleted: only a plain file that really lies directly in that very folder, as the system
// reports where each of the two handles is. A name that led elsewhere (through a link, or a
// folder swapped for one) is never deleted: the uninstaller runs with administrator rights.
#pragma once

#include <string>

namespace removal {

struct OpenedEntry {
    bool known;             // its attributes and its place could be asked
    bool folder;            // a folder
    bool reparsePoint;      // a junction, symbolic link or other redirection
    std::string finalPath;  // where the opened entry really is
};

// Why the entry stays (for the trace file); "" when it may be deleted. `heldFolder` is where
// the folder that was listed really is.
std::string WhyNotDeleted(const OpenedEntry& entry, const std::string& heldFolder);

// True when `path` names an entry directly inside `folder` (with or without its trailing
// backslash); names compared without regard to case.
bool LiesDirectlyIn(const std::string& path, const std::string& folder);

}  // namespace removal
