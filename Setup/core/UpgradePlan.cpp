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

bool IsTrusted(const std::string& sid, const std::string& installerSid) {
    return sid == kAdministratorsSid || sid == kSystemSid || sid == kTrustedInstallerSid ||
           (!installerSid.empty() && sid == installerSid);
}

std::vector<AccessEntry> FolderEntries(std::uint8_t flags) {
    return {{true, flags, kSystemSid, kFullControl},
            {true, flags, kAdministratorsSid, kFullControl},
            {true, flags, kUsersSid, kReadAndExecute}};
}

}  // namespace

UpgradeAction PlanFor(const std::string& name, EntryKind kind, unsigned long links) {
    if (kind == EntryKind::Link) {
        return UpgradeAction::RemoveLink;
    }
    if (kind == EntryKind::Folder) {
        return UpgradeAction::RemoveFolder;
    }
    if (links > 1) {
        return UpgradeAction::Delete;
    }
    for (const char* shipped :
         {pellucor::kInformationFileName, pellucor::kPointerPageName, pellucor::kProgramFileName}) {
        if (pellucor::SameFileName(name, shipped)) {
            return UpgradeAction::Replace;
        }
    }
    if (pellucor::SameFileName(name, "Leq.ini") || pellucor::SameFileName(name, "Leq.ini.bad") ||
        EndsWith(name, ".uci")) {
        return UpgradeAction::KeepSettings;
    }
    return UpgradeAction::Delete;
}

AccessList InstallFolderList() {
    return {true, FolderEntries(kObjectInherit | kContainerInherit)};
}

AccessList KeptFileList() {
    return {false, FolderEntries(kInherited)};
}

ParentVerdict CheckParent(const std::string& ownerSid, const std::vector<AccessEntry>& entries,
                          const std::string& installerSid) {
    if (!IsTrusted(ownerSid, installerSid)) {
        return ParentVerdict::ForeignOwner;
    }
    for (const AccessEntry& entry : entries) {
        if (entry.allows && (entry.mask & kChangeRights) != 0 &&
            !IsTrusted(entry.sid, installerSid) && entry.sid != kCreatorOwnerSid) {
            return ParentVerdict::OthersMayChange;
        }
    }
    return ParentVerdict::Safe;
}

}  // namespace setup
