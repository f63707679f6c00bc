// What an installation over an existing install folder does with what it finds there, which
// access lists it gives the folder and the settings it keeps, and when the folder above it
// (Program Files) is safe to install into. An earlier version let every user change the
// folder, and anything a user planted there (a DLL beside Qel.exe, a replaced program, a link,
// an entry that grants change rights) would run or act with the rights of whoever starts Qel
// next, administrators included.
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
    Replace,       // a file the installer ships: replaced later by a new file
    KeepSettings,  // settings an earlier version kept here: kept, their rights reset
    Delete,        // anything else: its name removed, the file itself never changed
    RemoveLink,    // the link itself removed, never what it points to
    RemoveFolder,  // emptied of everything (links removed as links) and removed
};

// The action for one entry of the install folder (names compared without regard to case,
// exactly as written otherwise: "Leq.ini " is not "Leq.ini"). A file with more than one name
// (`links`, hard links) is someone else's too: only its name here is removed.
UpgradeAction PlanFor(const std::string& name, EntryKind kind, unsigned long links = 1);

// ACE flags (as the system numbers them).
constexpr std::uint8_t kObjectInherit = 0x01;
constexpr std::uint8_t kContainerInherit = 0x02;
constexpr std::uint8_t kInheritOnly = 0x08;
constexpr std::uint8_t kInherited = 0x10;

// One entry of an access list.
struct AccessEntry {
    bool allows;         // an allow entry (deny entries only take rights away)
    std::uint8_t flags;  // ACE flags
    std::string sid;     // the trustee in string form ("S-1-5-32-544")
    std::uint32_t mask;
};

struct AccessList {
    bool isProtected;  // inherits nothing from the folder above
    std::vector<AccessEntry> entries;
};

// Rights that let their holder change a file or folder: its content, what it holds, its
// attributes, its access list or its owner (the generic rights included).
constexpr std::uint32_t kChangeRights =
    0x00000002 /* write data, add file */ | 0x00000004 /* append data, add subfolder */ |
    0x00000010 /* write extended attributes */ | 0x00000040 /* delete child */ |
    0x00000100 /* write attributes */ | 0x00010000 /* delete */ | 0x00040000 /* write DAC */ |
    0x00080000 /* write owner */ | 0x10000000 /* generic all */ | 0x40000000 /* generic write */;
constexpr std::uint32_t kFullControl = 0x001F01FF;
constexpr std::uint32_t kReadAndExecute = 0x001200A9;

constexpr const char* kAdministratorsSid = "S-1-5-32-544";
constexpr const char* kSystemSid = "S-1-5-18";
constexpr const char* kUsersSid = "S-1-5-32-545";
constexpr const char* kCreatorOwnerSid = "S-1-3-0";
constexpr const char* kTrustedInstallerSid =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
// The owner every file and folder the installer takes over is given.
constexpr const char* kOwnerSid = kAdministratorsSid;

// The install folder's list, built rather than inherited: SYSTEM and Administrators full
// control, Users read and execute, for the folder and all it holds, protected.
AccessList InstallFolderList();
// A kept file's list: the folder's entries as a file inherits them, nothing of its own.
AccessList KeptFileList();

enum class ParentVerdict {
    Safe,
    ForeignOwner,     // owned by someone who could change its list
    OthersMayChange,  // lets someone untrusted add, change or remove what it holds
};

// Whether the folder the install folder is made in lets only trusted accounts change it: its
// owner must be SYSTEM, Administrators, TrustedInstaller or the account the installer runs as
// (`installerSid`, an administrator: that is the installer itself); no allow entry may give
// change rights to anyone else, on the folder or for what it holds. CREATOR OWNER counts as
// the installer too: it means whoever creates the child, here the installer.
ParentVerdict CheckParent(const std::string& ownerSid, const std::vector<AccessEntry>& entries,
                          const std::string& installerSid);

}  // namespace setup
