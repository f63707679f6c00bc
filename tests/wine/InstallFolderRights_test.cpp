// The installer takes over what it keeps of an install folder through handles: owner
// Administrators, an access list that inherits. Wine folds access lists into Unix mode bits and
// reads back a list of its own making, so only the calls' outcome can be checked here; which
// entries go is the plan's, checked natively.
#include "InstallFolder.h"

#include <gtest/gtest.h>

#include "HandleFiles.h"
#include "WinTestSupport.h"

namespace {

TEST(InstallFolderRights, AFolderAndAFileAreTakenOverThroughTheirHandlesWithTheRightsToDoSo) {
    wintest::ScratchFolder folder;
    ASSERT_TRUE(wintest::WriteBytes(folder / "Leq.ini", "home\r\n"));
    constexpr DWORD kTakeOver = READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES;
    const pellucor::OwnedHandle held = pellucor::OpenNoFollow(folder.Path(), kTakeOver);
    const pellucor::OwnedHandle kept = pellucor::OpenNoFollow(folder / "Leq.ini", kTakeOver);
    ASSERT_TRUE(held && kept);
    EXPECT_EQ(setup::ResetRights(held.get(), setup::AccessTarget::InstallFolder),
              DWORD{ERROR_SUCCESS});
    EXPECT_EQ(setup::ResetRights(kept.get(), setup::AccessTarget::KeptFile), DWORD{ERROR_SUCCESS});
    const pellucor::OwnedHandle readOnly =
        pellucor::OpenNoFollow(folder / "Leq.ini", FILE_READ_ATTRIBUTES);
    ASSERT_TRUE(readOnly);
    EXPECT_NE(setup::ResetRights(readOnly.get(), setup::AccessTarget::KeptFile),
              DWORD{ERROR_SUCCESS});
}

}  // namespace
