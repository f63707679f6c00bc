// The installer's folder work through handles: the check of Program Files as this prefix
// reports it, lists set through handles, and files replaced through a held folder while other
// programs hold the old ones, names kept exactly, nothing made where the folder's path no
// longer leads.
#include <gtest/gtest.h>

#include <set>

#include "AccessLists.h"
#include "HandleFiles.h"
#include "Installation.h"
#include "RelativeFiles.h"
#include "RestartDeletion.h"
#include "TargetFolder.h"
#include "WinTestSupport.h"

namespace {

using setup::Replaced;

using qeltest::PendingDeletions;

TEST(InstallFolderRights, ProgramFilesHereIsTheInstallersOwnAndAFolderGetsItsOwnList) {
    // Wine makes an owner and a list from the Unix owner and mode bits: Program Files belongs
    // to the account the tests run as, which may change it, and everyone else may read it.
    // That account is the one the installer runs as: the check lets it pass for that reason.
    const pellucor::OwnedHandle programFiles = pellucor::OwnFile(
        CreateFileW(L"C:\\Program Files", READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(programFiles);
    std::string owner;
    std::vector<setup::AccessEntry> entries;
    ASSERT_EQ(setup::ReadList(programFiles.get(), owner, entries), DWORD{ERROR_SUCCESS});
    EXPECT_EQ(owner, setup::ProcessUserSid());
    EXPECT_EQ(setup::CheckParent(owner, entries, setup::ProcessUserSid()),
              setup::ParentVerdict::Safe);
    EXPECT_EQ(setup::CheckParent(owner, entries, "S-1-5-21-9-9-9-1001"),
              setup::ParentVerdict::ForeignOwner)
        << "for anyone else it would not be safe";

    // The list is set through the handle, which needs the rights to do so.
    wintest::ScratchFolder folder;
    constexpr DWORD kTakeOver = READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES;
    const pellucor::OwnedHandle held = pellucor::OpenNoFollow(folder.Path(), kTakeOver);
    ASSERT_TRUE(wintest::WriteBytes(folder / "Leq.ini", "home\r\n"));
    const pellucor::OwnedHandle kept = pellucor::OpenNoFollow(folder / "Leq.ini", kTakeOver);
    ASSERT_TRUE(held && kept);
    EXPECT_EQ(setup::ApplyList(held.get(), setup::InstallFolderList()), DWORD{ERROR_SUCCESS});
    EXPECT_EQ(setup::ApplyList(kept.get(), setup::KeptFileList()), DWORD{ERROR_SUCCESS});
    const pellucor::OwnedHandle readOnly =
        pellucor::OpenNoFollow(folder / "Leq.ini", FILE_READ_ATTRIBUTES);
    ASSERT_TRUE(readOnly);
    EXPECT_NE(setup::ApplyList(readOnly.get(), setup::KeptFileList()), DWORD{ERROR_SUCCESS});
}

TEST(InstallFolderRights, FilesAreReplacedThroughTheHeldFolderWhateverHoldsTheOldOnes) {
    wintest::ScratchFolder scratch;
    const std::string path = scratch.Path().substr(0, scratch.Path().size() - 1);
    setup::TargetFolder folder(
        pellucor::OpenNoFollow(path, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES),
        path);
    ASSERT_TRUE(folder.Handle() && folder.StillInPlace());
    EXPECT_EQ(folder.Replace("Qel.exe", "first"), Replaced::Done);
    EXPECT_EQ(wintest::ReadBytes(scratch / "Qel.exe"), "first");

    // Held by a reader that allows deleting (a scanner): replaced all the same.
    const HANDLE scanner = CreateFileW(pellucor::Wide(scratch / "Qel.exe").c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    EXPECT_EQ(folder.Replace("Qel.exe", "second"), Replaced::Done);
    EXPECT_EQ(wintest::ReadBytes(scratch / "Qel.exe"), "second");
    CloseHandle(scanner);

    // Held without leave to delete it: it stays as it was, marked for deletion at restart,
    // and the mark goes when the name gets a new file after all.
    const HANDLE holder = CreateFileW(pellucor::Wide(scratch / "Qel.exe").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(folder.Replace("Qel.exe", "third"), Replaced::Held);
    EXPECT_EQ(wintest::ReadBytes(scratch / "Qel.exe"), "second");
    EXPECT_NE(PendingDeletions().find(folder.PathOf("Qel.exe") + "||"), std::string::npos);
    CloseHandle(holder);
    EXPECT_EQ(folder.Replace("Qel.exe", "third"), Replaced::Done);
    EXPECT_TRUE(setup::CancelDeletionAtRestart(folder.PathOf("Qel.exe")));
    EXPECT_EQ(PendingDeletions().find(folder.PathOf("Qel.exe") + "||"), std::string::npos);
    folder.Finish();

    // Names are taken exactly as written: a trailing dot is no other name.
    const pellucor::OwnedHandle dotted = pellucor::OpenIn(
        folder.Handle(), "version.dll.", GENERIC_WRITE, pellucor::Disposition::NewFile);
    EXPECT_TRUE(dotted);
    std::vector<pellucor::ListedEntry> listed;
    ASSERT_TRUE(pellucor::ListThrough(folder.Handle(), listed));
    std::set<std::string> names;
    for (const pellucor::ListedEntry& entry : listed) {
        names.insert(entry.name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"Qel.exe", "version.dll."}));
    EXPECT_FALSE(pellucor::OpenIn(folder.Handle(), "version.dll", FILE_READ_ATTRIBUTES));

    // Held through a path that leads elsewhere (here a link, as a folder swapped for a
    // junction would): nothing is made, there or anywhere.
    const std::string link = path + "-link";
    ASSERT_TRUE(qeltest::MakeUnixLink(path, link));
    {
        setup::TargetFolder diverted(pellucor::OpenNoFollow(link, FILE_LIST_DIRECTORY), link);
        EXPECT_FALSE(diverted.StillInPlace());
        EXPECT_EQ(diverted.Replace("Pointer.html", "page"), Replaced::Diverted);
    }
    EXPECT_TRUE(qeltest::RemoveUnixLink(link));
    listed.clear();
    ASSERT_TRUE(pellucor::ListThrough(folder.Handle(), listed));
    EXPECT_EQ(listed.size(), 2u);

    // A disk that fills up while the new file is written: the old one stays whole, and
    // nothing half-written is left beside it.
    const auto smallDisk = wintest::EnvVar("PELLUCOR_SMALL_DISK");
    if (!smallDisk) {
        GTEST_SKIP() << "no small disk in this session (mounting one needs root)";
    }
    const std::string full = *smallDisk + "\\Qel.exe";
    ASSERT_TRUE(wintest::WriteBytes(full, "the program before"));
    setup::TargetFolder small(pellucor::OpenNoFollow(*smallDisk, FILE_LIST_DIRECTORY), *smallDisk);
    EXPECT_EQ(small.Replace("Qel.exe", std::string(1 << 20, 'x')), Replaced::Failed);
    EXPECT_EQ(wintest::ReadBytes(full), "the program before");
    listed.clear();
    ASSERT_TRUE(pellucor::ListThrough(small.Handle(), listed));
    EXPECT_EQ(listed.size(), 1u);
    DeleteFileA(full.c_str());
}

}  // namespace
