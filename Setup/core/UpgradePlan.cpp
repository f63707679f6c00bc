// What an installation over an existing install folder does with what it finds there.
#include "UpgradePlan.h"

#include <algorithm>
#include <cctype>

#include "InstallNames.h"

namespace setup {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool EndsWith(const std::string& name, const std::string& ending) {
    return name.size() > ending.size() &&
           SameName(name.substr(name.size() - ending.size()), ending);
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
        if (SameName(name, shipped)) {
            return UpgradeAction::Replace;
        }
    }
    if (SameName(name, "Leq.ini") || SameName(name, "Leq.ini.bad") || EndsWith(name, ".uci")) {
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
