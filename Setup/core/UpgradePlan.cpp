// What an installation over an existing install folder does with what it finds there.
#include "UpgradePlan.h"

#include "FolderPath.h"
#include "InstallNames.h"

namespace setup {

namespace {

bool EndsWith(const std::string& name, const std::string& ending) {
    return name.size() > ending.size() &&
           pellucor::SameFileName(name.substr(name.size() - ending.size()), ending);
}

bool IsTrusted(const std::string& sid) {
    return sid == kAdministratorsSid || sid == kSystemSid || sid == kTrustedInstallerSid;
}

}  // namespace

UpgradeAction PlanFor(const std::string& name, EntryKind kind) {
    if (kind == EntryKind::Link) {
        return UpgradeAction::RemoveLink;
    }
    if (kind == EntryKind::Folder) {
        return UpgradeAction::RemoveFolder;
    }
    for (const char* shipped :
         {pellucor::kInformationFileName, pellucor::kPointerPageName, pellucor::kProgramFileName}) {
        if (pellucor::SameFileName(name, shipped)) {
            return UpgradeAction::Replace;
        }
    }
    if (pellucor::SameFileName(name, "Leq.ini") || pellucor::SameFileName(name, "Leq.ini.bad") || EndsWith(name, ".uci")) {
        return UpgradeAction::KeepSettings;
    }
    return UpgradeAction::Delete;
}

std::vector<bool> EntriesKept(const std::vector<AccessEntry>& entries, AccessTarget target) {
    std::vector<bool> kept;
    for (const AccessEntry& entry : entries) {
        if (entry.inherited) {
            kept.push_back(true);
        } else if (target == AccessTarget::KeptFile) {
            kept.push_back(false);
        } else {
            kept.push_back(!entry.allows || IsTrusted(entry.sid) ||
                           (entry.mask & kChangeRights) == 0);
        }
    }
    return kept;
}

}  // namespace setup
