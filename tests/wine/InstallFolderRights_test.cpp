// The access list the installer puts on the install folder: Users may modify it and all it
// will hold, and what the folder allowed before stays allowed.
#include "InstallFolderRights.h"

#include <gtest/gtest.h>

#include <aclapi.h>

#include "WinTestSupport.h"

namespace {

TEST(InstallFolderRights, UsersMayModifyTheFolderAndWhatItWillHold) {
    wintest::ScratchFolder folder;
    PACL before = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(
        GetNamedSecurityInfoA(folder.Path().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &before, nullptr, &descriptor),
        DWORD{ERROR_SUCCESS});
    ASSERT_TRUE(before);
    EXPECT_FALSE(setup::GrantsUsersModify(before));
    const setup::UniqueAcl after = setup::WithUsersModify(before);
    ASSERT_TRUE(after);
    EXPECT_TRUE(setup::GrantsUsersModify(after.get()));
    EXPECT_EQ(after->AceCount, before->AceCount + 1u) << "earlier entries are kept";
    LocalFree(descriptor);

    // Applied to a real folder. The whole-program test reads the installed folder's list back
    // where the platform keeps such lists (Wine folds them into Unix mode bits).
    EXPECT_EQ(setup::GrantUsersModify(folder.Path()), DWORD{ERROR_SUCCESS});
    EXPECT_NE(setup::GrantUsersModify(folder / "missing"), DWORD{ERROR_SUCCESS});
}

}  // namespace
