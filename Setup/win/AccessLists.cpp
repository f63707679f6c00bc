// Access lists and owners, set and read through handles.
#include "AccessLists.h"

#include <aclapi.h>
#include <sddl.h>

#include <memory>

#include "OwnedHandle.h"

namespace setup {

namespace {

std::string SidText(PSID sid) {
    LPSTR text = nullptr;
    if (!sid || !ConvertSidToStringSidA(sid, &text)) {
        return {};
    }
    const pellucor::LocalMemory<char> owner(text);
    return text;
}

pellucor::LocalMemory<void> SidOf(const std::string& text) {
    PSID sid = nullptr;
    if (!ConvertStringSidToSidA(text.c_str(), &sid)) {
        return nullptr;
    }
    return pellucor::LocalMemory<void>(sid);
}

AccessEntry Describe(const ACE_HEADER* header) {
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
        const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        return {header->AceType == ACCESS_ALLOWED_ACE_TYPE, header->AceFlags,
                SidText(const_cast<DWORD*>(&ace->SidStart)), ace->Mask};
    }
    return {true, header->AceFlags, {}, 0xFFFFFFFF};
}

}  // namespace

DWORD ApplyList(HANDLE handle, const AccessList& list) {
    std::vector<pellucor::LocalMemory<void>> sids;
    DWORD size = sizeof(ACL);
    for (const AccessEntry& entry : list.entries) {
        sids.push_back(SidOf(entry.sid));
        if (!sids.back()) {
            return GetLastError();
        }
        size += sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sids.back().get());
    }
    std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
    auto* acl = reinterpret_cast<PACL>(buffer.data());
    if (!InitializeAcl(acl, static_cast<DWORD>(buffer.size() * sizeof(DWORD)), ACL_REVISION)) {
        return GetLastError();
    }
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        const AccessEntry& entry = list.entries[i];
        const BOOL added =
            entry.allows
                ? AddAccessAllowedAceEx(acl, ACL_REVISION, entry.flags, entry.mask, sids[i].get())
                : AddAccessDeniedAceEx(acl, ACL_REVISION, entry.flags, entry.mask, sids[i].get());
        if (!added) {
            return GetLastError();
        }
    }
    const pellucor::LocalMemory<void> owner = SidOf(kOwnerSid);
    SECURITY_DESCRIPTOR descriptor;
    if (!owner || !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(&descriptor, owner.get(), FALSE) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
        return GetLastError();
    }
    // A list that inherits says so, so that the system recomputes it from the folder later on.
    const SECURITY_DESCRIPTOR_CONTROL control =
        list.isProtected ? SE_DACL_PROTECTED : SE_DACL_AUTO_INHERITED;
    if (!SetSecurityDescriptorControl(&descriptor, control, control)) {
        return GetLastError();
    }
    // The kernel's own call: unlike SetSecurityInfo it changes this object only. The
    // descriptor's control bits say whether the list inherits.
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    return SetKernelObjectSecurity(handle, what, &descriptor) ? ERROR_SUCCESS : GetLastError();
}

DWORD ReadList(HANDLE handle, std::string& ownerSid, std::vector<AccessEntry>& entries) {
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = GetSecurityInfo(handle, SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         &owner, nullptr, &list, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const pellucor::LocalMemory<void> held(descriptor);  // `owner` and `list` point into it
    ownerSid = SidText(owner);
    entries.clear();
    if (!list) {
        // No list at all lets everyone do everything.
        entries.push_back({true, 0, "S-1-1-0", 0xFFFFFFFF});
    }
    for (DWORD i = 0; list && i < list->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(list, i, &ace)) {
            return GetLastError();
        }
        entries.push_back(Describe(static_cast<const ACE_HEADER*>(ace)));
    }
    return ERROR_SUCCESS;
}

std::string ProcessUserSid() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return {};
    }
    const pellucor::OwnedHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(),
                             static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &size)) {
        return {};
    }
    return SidText(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
}

}  // namespace setup
