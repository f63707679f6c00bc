// Lets the local Users group modify the install folder.
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

}  // namespace

UniqueAcl WithUsersModify(PACL existing) {
    const UniqueSid users = UsersSid();
    if (!users) {
        return nullptr;
    }
    EXPLICIT_ACCESSA access{};
    access.grfAccessPermissions = kModifyRights;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPSTR>(users.get());
    PACL combined = nullptr;
    if (SetEntriesInAclA(1, &access, existing, &combined) != ERROR_SUCCESS) {
        return nullptr;
    }
    return UniqueAcl(combined);
}

bool GrantsUsersModify(PACL dacl) {
    const UniqueSid users = UsersSid();
    if (!dacl || !users) {
        return false;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw)) {
            continue;
        }
        const auto* header = static_cast<ACE_HEADER*>(raw);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            continue;
        }
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        if (EqualSid(&ace->SidStart, users.get()) && (ace->Mask & kModifyRights) == kModifyRights &&
            (header->AceFlags & kInheritedBySubfoldersAndFiles) == kInheritedBySubfoldersAndFiles) {
            return true;
        }
    }
    return false;
}

DWORD GrantUsersModify(const std::string& folder) {
    PACL existing = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD status = GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, &existing, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    // `existing` points into the descriptor.
    const pellucor::LocalMemory<void> owner(descriptor);
    const UniqueAcl combined = WithUsersModify(existing);
    if (!combined) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    std::string name = folder;
    return SetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, combined.get(), nullptr);
}

}  // namespace setup
