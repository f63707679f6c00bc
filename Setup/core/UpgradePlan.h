// What an installation over an existing install folder does with what it finds there, and what
// it does to access lists, so that the folder ends as a fresh install would leave it: an
// earlier version let every user change the folder, and anything a user planted there (a DLL
// beside Qel.exe, a replaced program, a link, an entry that grants change rights) would run or
// act with the rights of whoever starts Qel next, administrators included.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace setup {

enum class EntryKind {
    File,    // a plain file, directly in the folder
    Folder,  // a real subfolder
    Link,    // a junction, symbolic link or anything that lies elsewhere
};

enum class UpgradeAction {
    Replace,       // a file the installer ships: its rights reset now, replaced later
    KeepSettings,  // settings an earlier version kept here: kept, their rights reset
    Delete,        // anything else: deleted
    RemoveLink,    // the link itself removed, never what it points to
    RemoveFolder,  // emptied of everything (links removed as links) and removed
};

// The action for one entry of the install folder (names compared without regard to case).
UpgradeAction PlanFor(const std::string& name, EntryKind kind);

// One entry of an access list, as far as the plan needs it.
struct AccessEntry {
    bool allows;      // an allow entry (deny entries only take rights away)
    bool inherited;   // comes from the parent folder
    std::string sid;  // the trustee in string form ("S-1-5-32-544")
    std::uint32_t mask;
};

// Rights that let their holder change a file or folder: its content, what it holds, its
// attributes, its access list or its owner (the generic rights included).
constexpr std::uint32_t kChangeRights =
    0x00000002 /* write data, add file */ | 0x00000004 /* append data, add subfolder */ |
    0x00000010 /* write extended attributes */ | 0x00000040 /* delete child */ |
    0x00000100 /* write attributes */ | 0x00010000 /* delete */ | 0x00040000 /* write DAC */ |
    0x00080000 /* write owner */ | 0x10000000 /* generic all */ | 0x40000000 /* generic write */;

constexpr const char* kAdministratorsSid = "S-1-5-32-544";
constexpr const char* kSystemSid = "S-1-5-18";
constexpr const char* kTrustedInstallerSid =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

enum class AccessTarget {
    InstallFolder,  // keeps its own entries that let nobody untrusted change anything
    KeptFile,       // a kept file keeps no entries of its own: it inherits the folder's
};

// Which entries of a list stay (true) when the list is rewritten: every inherited entry (the
// parent's, recomputed by the system anyway), every deny entry of the folder's own, and the
// folder's own allow entries that give change rights to no one but Administrators, SYSTEM or
// TrustedInstaller. The rewritten list always inherits from the parent, and the owner becomes
// Administrators.
std::vector<bool> EntriesKept(const std::vector<AccessEntry>& entries, AccessTarget target);

}  // namespace setup
