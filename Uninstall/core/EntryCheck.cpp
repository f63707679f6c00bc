// Whether an entry opened inside a held folder may be deleted.
#include "EntryCheck.h"

#include "FolderPath.h"

namespace removal {

bool LiesDirectlyIn(const std::string& path, const std::string& folder) {
    if (folder.empty()) {
        return false;
    }
    const std::string base = pellucor::WithTrailingBackslash(folder);
    return path.size() > base.size() && pellucor::SameFileName(path.substr(0, base.size()), base) &&
           path.find('\\', base.size()) == std::string::npos;
}

std::string WhyNotDeleted(const OpenedEntry& entry, const std::string& heldFolder) {
    if (!entry.known || entry.finalPath.empty() || heldFolder.empty()) {
        return "its place cannot be told";
    }
    if (!LiesDirectlyIn(entry.finalPath, heldFolder)) {
        return "it lies at " + entry.finalPath;
    }
    if (entry.folder || entry.reparsePoint) {
        return "it is not a plain file";
    }
    return {};
}

}  // namespace removal
