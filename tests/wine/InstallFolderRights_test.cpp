// The access list the installer leaves on the install folder: no entry lets Users change it, an
// upgrade takes away the Users entry an earlier version added, and every other entry stays.
#include "InstallFolderRights.h"

#include <gtest/gtest.h>

#include <aclapi.h>

#include "WinTestSupport.h"

namespace {

// The entry the earlier version added: Users may modify the folder and all it holds.
setup::UniqueAcl WithOldUsersEntry(PACL existing) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID users = nullptr;
    AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0,
                             0, 0, 0, &users);
    EXPLICIT_ACCESSA access{};
    access.grfAccessPermissions =
        FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPSTR>(users);
    PACL combined = nullptr;
    SetEntriesInAclA(1, &access, existing, &combined);
    FreeSid(users);
    return setup::UniqueAcl(combined);
}

TEST(InstallFolderRights, UsersMayNotChangeTheFolderAndAnUpgradeTakesTheOldEntryAway) {
    wintest::ScratchFolder folder;
    PACL fresh = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(
        GetNamedSecurityInfoA(folder.Path().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &fresh, nullptr, &descriptor),
        DWORD{ERROR_SUCCESS});
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(setup::GrantsUsersChanges(fresh));
    const setup::UniqueAcl kept = setup::WithoutUsersChanges(fresh);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->AceCount, fresh->AceCount) << "a fresh folder's list is left as it is";

    const setup::UniqueAcl upgraded = WithOldUsersEntry(fresh);
    ASSERT_TRUE(upgraded);
    ASSERT_TRUE(setup::GrantsUsersChanges(upgraded.get()));
    const setup::UniqueAcl mended = setup::WithoutUsersChanges(upgraded.get());
    ASSERT_TRUE(mended);
    EXPECT_FALSE(setup::GrantsUsersChanges(mended.get()));
    ASSERT_EQ(mended->AceCount, fresh->AceCount) << "every other entry stays";
    LocalFree(descriptor);

    // Applied to real folders (Wine folds access lists into Unix mode bits, so the lists
    // themselves are checked above).
    EXPECT_EQ(setup::RemoveUsersChanges(folder.Path()), DWORD{ERROR_SUCCESS});
    EXPECT_NE(setup::RemoveUsersChanges(folder / "missing"), DWORD{ERROR_SUCCESS});
}

}  // namespace
