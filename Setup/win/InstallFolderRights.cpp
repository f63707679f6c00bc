// The install folder's access list: no change rights for Users.
#include "InstallFolderRights.h"

#include <aclapi.h>

namespace setup {

namespace {

struct SidFree {
    void operator()(void* sid) const { FreeSid(sid); }
};
using UniqueSid = std::unique_ptr<void, SidFree>;

UniqueSid UsersSid() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0,
                                  0, 0, 0, 0, &sid)) {
        return nullptr;
    }
    return UniqueSid(sid);
}

// An allow entry that gives Users a change right.
bool IsUsersChangeEntry(void* raw, PSID users) {
    const auto* header = static_cast<ACE_HEADER*>(raw);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
        return false;
    }
    auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
    return EqualSid(&ace->SidStart, users) && (ace->Mask & kChangeRights) != 0;
}

}  // namespace

bool GrantsUsersChanges(PACL dacl) {
    const UniqueSid users = UsersSid();
    if (!dacl || !users) {
        return false;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (GetAce(dacl, i, &raw) && IsUsersChangeEntry(raw, users.get())) {
            return true;
        }
    }
    return false;
}

UniqueAcl WithoutUsersChanges(PACL existing) {
    const UniqueSid users = UsersSid();
    if (!existing || !users) {
        return nullptr;
    }
    UniqueAcl result(static_cast<ACL*>(LocalAlloc(LPTR, existing->AclSize)));
    if (!result || !InitializeAcl(result.get(), existing->AclSize, existing->AclRevision)) {
        return nullptr;
    }
    for (DWORD i = 0; i < existing->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(existing, i, &raw)) {
            return nullptr;
        }
        const auto* header = static_cast<ACE_HEADER*>(raw);
        // Inherited entries come from the parent folder and are the rights to keep.
        if ((header->AceFlags & INHERITED_ACE) == 0 && IsUsersChangeEntry(raw, users.get())) {
            continue;
        }
        if (!AddAce(result.get(), existing->AclRevision, MAXDWORD, raw, header->AceSize)) {
            return nullptr;
        }
    }
    return result;
}

DWORD RemoveUsersChanges(const std::string& folder) {
    PACL existing = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD status = GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, &existing, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    // `existing` points into the descriptor.
    const pellucor::LocalMemory<void> owner(descriptor);
    if (!existing) {
        return ERROR_SUCCESS;  // no list at all: nothing of ours to take away
    }
    const UniqueAcl kept = WithoutUsersChanges(existing);
    if (!kept) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (kept->AceCount == existing->AceCount) {
        return ERROR_SUCCESS;
    }
    std::string name = folder;
    return SetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, kept.get(), nullptr);
}

}  // namespace setup
