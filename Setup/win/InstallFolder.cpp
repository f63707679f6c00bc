// The install folder made safe and its files replaced, through handles.
#include "InstallFolder.h"

#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <vector>

#include "HandleFiles.h"
#include "InstallPlan.h"
#include "OwnedHandle.h"
#include "PathText.h"
#include "SystemErrorText.h"

namespace setup {

namespace {

constexpr DWORD kRightsAccess = READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES;
constexpr DWORD kDeleteAccess = kRightsAccess | DELETE | FILE_WRITE_ATTRIBUTES;

struct SidFree {
    void operator()(void* sid) const { FreeSid(sid); }
};
using UniqueSid = std::unique_ptr<void, SidFree>;

UniqueSid BuiltinSid(DWORD rid) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    const DWORD count = rid == 0 ? 1 : 2;
    const DWORD first = rid == 0 ? SECURITY_LOCAL_SYSTEM_RID : SECURITY_BUILTIN_DOMAIN_RID;
    if (!AllocateAndInitializeSid(&nt, static_cast<BYTE>(count), first, rid, 0, 0, 0, 0, 0, 0,
                                  &sid)) {
        return nullptr;
    }
    return UniqueSid(sid);
}

std::string SidText(PSID sid) {
    LPSTR text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) {
        return {};
    }
    const pellucor::LocalMemory<char> owner(text);
    return text;
}

// The plan's view of an entry; entry types it does not know count as untrusted allow entries
// with every right, so that they go.
AccessEntry Describe(const ACE_HEADER* header) {
    const bool inherited = (header->AceFlags & INHERITED_ACE) != 0;
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
        const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        return {header->AceType == ACCESS_ALLOWED_ACE_TYPE, inherited,
                SidText(const_cast<DWORD*>(&ace->SidStart)), ace->Mask};
    }
    return {true, inherited, {}, 0xFFFFFFFF};
}

// Full control for Administrators and SYSTEM, reading and running for Users: what Program
// Files gives, for a folder whose list would otherwise allow no one anything.
bool AddDefaultEntries(PACL acl) {
    constexpr BYTE kInherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    const UniqueSid admins = BuiltinSid(DOMAIN_ALIAS_RID_ADMINS), system = BuiltinSid(0),
                    users = BuiltinSid(DOMAIN_ALIAS_RID_USERS);
    return admins && system && users &&
           AddAccessAllowedAceEx(acl, ACL_REVISION, kInherit, FILE_ALL_ACCESS, admins.get()) &&
           AddAccessAllowedAceEx(acl, ACL_REVISION, kInherit, FILE_ALL_ACCESS, system.get()) &&
           AddAccessAllowedAceEx(acl, ACL_REVISION, kInherit,
                                 FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, users.get());
}

// The list the plan keeps: its own entries first, then the inherited ones, in their order.
std::vector<BYTE> KeptList(PACL existing, AccessTarget target) {
    std::vector<ACE_HEADER*> headers;
    std::vector<AccessEntry> entries;
    for (DWORD i = 0; existing && i < existing->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(existing, i, &raw)) {
            return {};
        }
        headers.push_back(static_cast<ACE_HEADER*>(raw));
        entries.push_back(Describe(headers.back()));
    }
    const std::vector<bool> kept = EntriesKept(entries, target);
    std::vector<BYTE> list(sizeof(ACL) + 3 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE) +
                           (existing ? existing->AclSize : 0));
    auto* acl = reinterpret_cast<PACL>(list.data());
    if (!InitializeAcl(acl, static_cast<DWORD>(list.size()), ACL_REVISION_DS)) {
        return {};
    }
    bool allows = false;  // does any kept entry, of its own or inherited, allow anything?
    for (std::size_t i = 0; i < headers.size(); ++i) {
        allows = allows || (kept[i] && entries[i].allows);
    }
    for (const bool inheritedPass : {false, true}) {
        if (inheritedPass && !allows && target == AccessTarget::InstallFolder &&
            !AddDefaultEntries(acl)) {
            return {};
        }
        for (std::size_t i = 0; i < headers.size(); ++i) {
            if (kept[i] && entries[i].inherited == inheritedPass &&
                !AddAce(acl, ACL_REVISION_DS, MAXDWORD, headers[i], headers[i]->AceSize)) {
                return {};
            }
        }
    }
    return list;
}

// What the handle is, seen from the folder it should lie in.
EntryKind KindOf(HANDLE handle, const std::string& folder) {
    const DWORD attributes = pellucor::HandleAttributes(handle);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !pellucor::LiesDirectlyIn(pellucor::FinalPath(handle), folder)) {
        return EntryKind::Link;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Folder : EntryKind::File;
}

struct SearchClose {
    void operator()(HANDLE search) const { FindClose(search); }
};
using UniqueSearch = std::unique_ptr<void, SearchClose>;

// The names in a folder, "." and ".." left out; false when it cannot be listed.
bool ListNames(const std::string& folder, std::vector<std::string>& names) {
    WIN32_FIND_DATAW found{};
    HANDLE raw = FindFirstFileW(pellucor::Wide(folder + "\\*").c_str(), &found);
    if (raw == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    const UniqueSearch search(raw);
    do {
        const std::string name = pellucor::Utf8(found.cFileName);
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search.get(), &found));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

class Clearing {
public:
    explicit Clearing(std::string& problem) : problem_(problem) {}

    // Works through one folder's entries; `top` for the install folder itself, below which
    // nothing is kept.
    bool Folder(const std::string& folder, bool top) {
        std::vector<std::string> names;
        if (!ListNames(folder, names)) {
            return Fail(GetLastError());
        }
        for (const std::string& name : names) {
            if (!Entry(folder, name, top)) {
                return false;
            }
        }
        return true;
    }

private:
    bool Entry(const std::string& folder, const std::string& name, bool top) {
        const std::string path = folder + "\\" + name;
        pellucor::OwnedHandle entry = pellucor::OpenNoFollow(path, kDeleteAccess);
        if (!entry && GetLastError() == ERROR_SHARING_VIOLATION) {
            // In use (a running Qel): its rights can still be reset, and it is replaced later.
            entry = pellucor::OpenNoFollow(path, kRightsAccess);
        }
        if (!entry) {
            return GetLastError() == ERROR_FILE_NOT_FOUND || Fail(GetLastError());
        }
        const EntryKind kind = KindOf(entry.get(), folder);
        UpgradeAction action = PlanFor(name, kind);
        if (!top && (action == UpgradeAction::Replace || action == UpgradeAction::KeepSettings)) {
            action = UpgradeAction::Delete;
        }
        switch (action) {
            case UpgradeAction::Replace:
            case UpgradeAction::KeepSettings: {
                const DWORD status = ResetRights(entry.get(), AccessTarget::KeptFile);
                return status == ERROR_SUCCESS || Fail(status);
            }
            case UpgradeAction::RemoveLink:
                // Only a handle on the link itself may be deleted: one that reached the link's
                // target (as under Wine) would delete the target.
                if (!pellucor::LiesDirectlyIn(pellucor::FinalPath(entry.get()), folder)) {
                    problem_ = LinkNotRemovedDescription(path);
                    return false;
                }
                return Delete(entry.get());
            case UpgradeAction::RemoveFolder:
                // Listed without our handle, which the listing's own open would not share with;
                // deleted through a new one, checked again.
                entry.reset();
                return Folder(path, false) && DeleteFolder(folder, path);
            case UpgradeAction::Delete:
                return Delete(entry.get());
        }
        return false;
    }

    bool DeleteFolder(const std::string& folder, const std::string& path) {
        const pellucor::OwnedHandle again = pellucor::OpenNoFollow(path, kDeleteAccess);
        if (!again) {
            return Fail(GetLastError());
        }
        if (KindOf(again.get(), folder) != EntryKind::Folder) {
            problem_ = LinkNotRemovedDescription(path);
            return false;
        }
        return Delete(again.get());
    }

    bool Delete(HANDLE handle) { return pellucor::DeleteThrough(handle) || Fail(GetLastError()); }

    bool Fail(DWORD status) {
        problem_ = pellucor::SystemErrorText(status);
        return false;
    }

    std::string& problem_;
};

}  // namespace

DWORD ResetRights(HANDLE handle, AccessTarget target) {
    PACL existing = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD status = GetSecurityInfo(handle, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                   nullptr, &existing, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const pellucor::LocalMemory<void> owner(descriptor);  // `existing` points into it
    std::vector<BYTE> kept = KeptList(existing, target);
    const UniqueSid admins = BuiltinSid(DOMAIN_ALIAS_RID_ADMINS);
    if (kept.empty() || !admins) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return SetSecurityInfo(handle, SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                               UNPROTECTED_DACL_SECURITY_INFORMATION,
                           admins.get(), nullptr, reinterpret_cast<PACL>(kept.data()), nullptr);
}

bool ClearFolder(const std::string& folder, std::string& problem) {
    return Clearing(problem).Folder(folder, true);
}

DWORD ReplaceFile(const std::string& folder, const std::string& name, const std::string& bytes) {
    const std::string path = folder + "\\" + name;
    if (const pellucor::OwnedHandle old = pellucor::OpenNoFollow(path, kDeleteAccess)) {
        if (KindOf(old.get(), folder) != EntryKind::File) {
            return ERROR_DIRECTORY;
        }
        if (!pellucor::DeleteThrough(old.get())) {
            return GetLastError();
        }
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        return GetLastError();
    }
    const pellucor::OwnedHandle created =
        pellucor::OwnFile(CreateFileW(pellucor::Wide(path).c_str(), GENERIC_WRITE | DELETE, 0,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!created) {
        return GetLastError();
    }
    DWORD written = 0;
    if (!WriteFile(created.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size()) {
        const DWORD status = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        pellucor::DeleteThrough(created.get());  // no half file under the program's name
        return status;
    }
    return ERROR_SUCCESS;
}

}  // namespace setup
