// The installer's and uninstaller's logic: the information window's layout rule, the progress
// dots, the files and shortcut of an installation, what an upgrade does with what it finds and
// with access lists, the digest that tells the set's files from others, and the search of a drive
// for stray shortcuts (depth first, one open listing per level, no way round a loop of links).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <new>

#include "EntryCheck.h"
#include "FolderSearch.h"
#include "InstallPlan.h"
#include "PendingDeletions.h"
#include "SetupHelpFormLayout.h"
#include "Sha256.h"
#include "UpgradePlan.h"

namespace {

using setup::HelpFormMeasures;
using setup::LayOutHelpForm;

TEST(HelpFormLayout, FillsTheWindowAndKeepsItsMinimaWhenSmall) {
    // The form as laid out: text box 120 twips in, buttons of 1455 x 495 below it.
    auto places = LayOutHelpForm(HelpFormMeasures{9000, 6600, 120, 120, 1455, 495});
    EXPECT_EQ(places.textWidth, 8760);
    EXPECT_EQ(places.textHeight, 5745);
    EXPECT_EQ(places.command1Left, 2515);
    EXPECT_EQ(places.command2Left, 5030);
    EXPECT_EQ(places.buttonsTop, 5985);
    // A third rounded to the nearest twip: 8546 / 3 = 2848.67.
    places = LayOutHelpForm(HelpFormMeasures{10001, 6600, 120, 120, 1455, 495});
    EXPECT_EQ(places.command1Left, 2849);
    EXPECT_EQ(places.command2Left, 5698);
    // Very narrow and very low: the text box keeps 100 x 20, the buttons go no further left than
    // the edge and sit just below the text box.
    places = LayOutHelpForm(HelpFormMeasures{300, 400, 120, 120, 1455, 495});
    EXPECT_EQ(places.textWidth, 100);
    EXPECT_EQ(places.textHeight, 20);
    EXPECT_EQ(places.command1Left, 0);
    EXPECT_EQ(places.command2Left, 0);
    EXPECT_EQ(places.buttonsTop, 260);
}

TEST(ProgressDots, AddOnePairPerTickAndStartAgainPastAHundredCharacters) {
    setup::ProgressDots dots;
    std::string shown;
    for (int tick = 0; tick < setup::kTicksPerRun; ++tick) {
        shown = dots.Tick();
    }
    EXPECT_EQ(shown, " . . . . . . .");
    for (int tick = setup::kTicksPerRun; tick < 51; ++tick) {
        shown = dots.Tick();
    }
    EXPECT_EQ(shown.size(), 102u) << "the row longer than 100 is still shown once";
    EXPECT_EQ(dots.Tick(), " .");
}

TEST(InstallPlan, FilesAndShortcutOfAnInstallation) {
    const std::string dir = "C:\\Program Files\\Pellucor\\";
    const auto copies = setup::ProgramCopies(dir);
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_EQ(copies[0].source, "Qel.txt");
    EXPECT_EQ(copies[1].destination, dir + "Pointer.html");
    EXPECT_EQ(copies[2].destination, dir + "Qel.exe");
    const auto uninstaller = setup::UninstallerCopy("D:\\set", "C:\\WINDOWS\\");
    EXPECT_EQ(uninstaller.source, "D:\\set\\RemoveQel.exe");
    EXPECT_EQ(uninstaller.destination, "C:\\WINDOWS\\RemoveQel.EXE");
    EXPECT_EQ(setup::CopyFailureText({{"Qel.exe", "Access is denied."}, {"Qel.txt", "Gone."}}),
              "These files could not be copied:\r\nQel.exe - Access is denied.\r\nQel.txt - Gone.");
    const auto link =
        setup::DesktopShortcut("C:\\Users\\ann\\Desktop\\", "Pellucor", dir, "Qel.exe");
    EXPECT_EQ(link.linkPath, "C:\\Users\\ann\\Desktop\\Pellucor.lnk");
    EXPECT_EQ(link.target, dir + "Qel.exe");
    EXPECT_EQ(link.workingFolder, dir);
    EXPECT_EQ(link.description, "Pellucor");
    EXPECT_EQ(setup::ConfirmationText(),
              "This program will install Pellucor on your computer.\r\nDo you wish to continue?");

    // A file of the set is its size and digest; an exception that escapes the run ends it with
    // its own message and exit code.
    EXPECT_TRUE(setup::IsShippedFile("abc", 3, setup::HexOf(setup::Sha256Of("abc"))));
    EXPECT_FALSE(setup::IsShippedFile("abcd", 3, setup::HexOf(setup::Sha256Of("abc"))));
    std::vector<std::string> said;
    const auto report = [&](const std::string& text) { said.push_back(text); };
    EXPECT_EQ(setup::RunGuarded([] { return 3; }, report), 3);
    EXPECT_EQ(setup::RunGuarded([]() -> int { throw std::bad_alloc(); }, report), 4);
    EXPECT_EQ(setup::RunGuarded([]() -> int { throw 1; }, report), 4);
    EXPECT_EQ(said, (std::vector<std::string>{
                        "The installer stopped unexpectedly: not enough memory. Pellucor may be "
                        "installed only in part: run the installer again.",
                        setup::UnexpectedFailureText("a failure of unknown kind")}));
}

TEST(UpgradePlan, KeepsOnlySettingsReplacesItsOwnAndRemovesEverythingElseNeverFollowingLinks) {
    using setup::EntryKind;
    using setup::UpgradeAction;
    const std::vector<std::pair<std::string, UpgradeAction>> files{
        {"QEL.EXE", UpgradeAction::Replace},
        {"Qel.txt", UpgradeAction::Replace},
        {"pointer.html", UpgradeAction::Replace},
        {"Leq.ini", UpgradeAction::KeepSettings},
        {"LEQ.INI.bad", UpgradeAction::KeepSettings},
        {"home.UCI", UpgradeAction::KeepSettings},
        {"version.dll", UpgradeAction::Delete},
        {"Qel.exe.old", UpgradeAction::Delete},
        {".uci", UpgradeAction::Delete},
        {"Leq.ini.txt", UpgradeAction::Delete},
        {"RemoveQel.exe", UpgradeAction::Delete},
        {"page.html", UpgradeAction::Delete}};
    for (const auto& [name, action] : files) {
        EXPECT_EQ(setup::PlanFor(name, EntryKind::File), action) << name;
        EXPECT_EQ(setup::PlanFor(name, EntryKind::Link), UpgradeAction::RemoveLink) << name;
        EXPECT_EQ(setup::PlanFor(name, EntryKind::Folder), UpgradeAction::RemoveFolder) << name;
    }

    // A file with other names elsewhere is never kept or replaced in place: its name goes.
    EXPECT_EQ(setup::PlanFor("Qel.exe", EntryKind::File, 2), UpgradeAction::Delete);
    EXPECT_EQ(setup::PlanFor("Leq.ini", EntryKind::File, 3), UpgradeAction::Delete);
    EXPECT_EQ(setup::PlanFor("Leq.ini ", EntryKind::File), UpgradeAction::Delete);
    EXPECT_EQ(setup::PlanFor("Qel.exe.", EntryKind::File), UpgradeAction::Delete);
}

TEST(UpgradePlan, TheFolderListIsBuiltProtectedAndTheParentMustLetNoOneElseChangeIt) {
    using setup::AccessEntry;
    const setup::AccessList folder = setup::InstallFolderList();
    EXPECT_TRUE(folder.isProtected);
    ASSERT_EQ(folder.entries.size(), 3u);
    for (const AccessEntry& entry : folder.entries) {
        EXPECT_TRUE(entry.allows);
        EXPECT_EQ(entry.flags, setup::kObjectInherit | setup::kContainerInherit) << entry.sid;
    }
    EXPECT_EQ(folder.entries[2].sid, setup::kUsersSid);
    EXPECT_EQ(folder.entries[2].mask & setup::kChangeRights, 0u) << "Users only read and run";
    // Built so, the folder passes the check it makes of the folder above it.
    EXPECT_EQ(setup::CheckParent(setup::kOwnerSid, folder.entries, ""), setup::ParentVerdict::Safe);
    const setup::AccessList kept = setup::KeptFileList();
    EXPECT_FALSE(kept.isProtected);
    for (std::size_t i = 0; i < kept.entries.size(); ++i) {
        EXPECT_EQ(kept.entries[i].flags, setup::kInherited);
        EXPECT_EQ(kept.entries[i].sid, folder.entries[i].sid);
    }

    // Program Files as Windows ships it: owned by TrustedInstaller, CREATOR OWNER full control
    // for what is made in it, Users read and run.
    const std::string me = "S-1-5-21-1-2-3-1001";
    constexpr std::uint8_t kBoth = setup::kObjectInherit | setup::kContainerInherit;
    std::vector<AccessEntry> programFiles{
        {true, 0, setup::kTrustedInstallerSid, setup::kFullControl},
        {true, 0, setup::kSystemSid, 0x1301bf},
        {true, kBoth | setup::kInheritOnly, setup::kCreatorOwnerSid, 0x10000000},
        {true, kBoth | setup::kInheritOnly, setup::kUsersSid, 0xa0000000},
        {false, kBoth, "S-1-1-0", setup::kFullControl},  // a deny entry only takes away
        {true, 0, "S-1-15-2-1", setup::kReadAndExecute}};
    EXPECT_EQ(setup::CheckParent(setup::kTrustedInstallerSid, programFiles, me),
              setup::ParentVerdict::Safe);
    // Owned and fully open to the account the installer runs as (as Wine reports a folder of
    // the Unix user that runs it): that account is the installer itself.
    EXPECT_EQ(setup::CheckParent(me, {{true, kBoth, me, setup::kFullControl}}, me),
              setup::ParentVerdict::Safe);
    EXPECT_EQ(setup::CheckParent(me, {}, "S-1-5-21-9"), setup::ParentVerdict::ForeignOwner);
    // On a drive C: that is not the Windows drive, the root lets Authenticated Users modify,
    // and Program Files inherits that.
    programFiles.push_back({true, kBoth | setup::kInherited, "S-1-5-11", 0x1301bf});
    EXPECT_EQ(setup::CheckParent(setup::kAdministratorsSid, programFiles, me),
              setup::ParentVerdict::OthersMayChange);
    EXPECT_EQ(setup::CheckParent(setup::kAdministratorsSid, {{true, 0, "", 0xFFFFFFFF}}, me),
              setup::ParentVerdict::OthersMayChange)
        << "an entry of a kind not understood";
    EXPECT_EQ(setup::ParentRefusedDescription(setup::ParentVerdict::OthersMayChange,
                                              "C:\\Program Files", 'D'),
              "C:\\Program Files lets accounts that are not administrators change what it "
              "holds, so a folder made there would not be safe. Drive C: is not the Windows "
              "drive (D:), and its folders lack the protection Windows gives its own drive.");
}

TEST(PendingDeletions, AFileInstalledAnewLosesItsDeletionAtRestartAndNothingElseDoes) {
    using namespace std::string_literals;
    const std::u16string path = u"C:\\Program Files\\Pellucor\\Qel.exe";
    const std::u16string list =
        u"\\??\\C:\\PROGRAM FILES\\Pellucor\\Qel.exe\0\0"s
        u"\\??\\C:\\a.tmp\0!\\??\\C:\\b.tmp\0"s
        u"\\??\\C:\\Program Files\\Pellucor\\Qel.exe.old\0\0"s
        u"\\??\\C:\\Program Files\\Pellucor\\Qel.exe\0\0\0"s;
    EXPECT_EQ(setup::WithoutPendingDeletion(list, path),
              u"\\??\\C:\\a.tmp\0!\\??\\C:\\b.tmp\0"s
              u"\\??\\C:\\Program Files\\Pellucor\\Qel.exe.old\0\0"s);
    // A rename of the file away is no deletion; nothing of it in the list: the pairs unchanged.
    const std::u16string renamed = path + u"\0D:\\x\0\0"s;
    EXPECT_EQ(setup::WithoutPendingDeletion(renamed, path), path + u"\0D:\\x\0"s);
    EXPECT_EQ(setup::WithoutPendingDeletion(u"\\??\\" + path + u"\0"s, path), u"");
    EXPECT_EQ(setup::WithoutPendingDeletion(u"", path), u"");
}

TEST(Sha256, MatchesTheStandardsVectorsAcrossBlockBoundaries) {
    EXPECT_EQ(setup::HexOf(setup::Sha256Of("")),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(setup::HexOf(setup::Sha256Of("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(
        setup::HexOf(setup::Sha256Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
        "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    setup::Sha256 pieces;  // a million "a", added in uneven pieces
    for (int added = 0; added < 1000000; added += 999) {
        pieces.Add(std::string(std::min(999, 1000000 - added), 'a'));
    }
    EXPECT_EQ(setup::HexOf(pieces.Finish()),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Lengths where the padding and the length field just fit in the last block, or just
    // do not.
    const std::map<std::size_t, std::string> padding{
        {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {63, "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"}};
    for (const auto& [length, digest] : padding) {
        EXPECT_EQ(setup::HexOf(setup::Sha256Of(std::string(length, 'a'))), digest) << length;
    }
}

// A drive in memory: folder -> entries; a folder missing from the map cannot be opened.
using Tree = std::map<std::string, std::vector<removal::FolderEntry>>;

struct TreeLister {
    const Tree& tree;
    int listings = 0, open = 0, mostOpen = 0;
    removal::ListingOpener Opener() {
        return [this](const std::string& folder) -> std::unique_ptr<removal::FolderListing> {
            ++listings;
            const auto found = tree.find(folder);
            if (found == tree.end()) {
                return nullptr;
            }
            mostOpen = std::max(mostOpen, ++open);
            return std::make_unique<Listing>(folder, found->second, *this);
        };
    }
    // Each file comes with the listing of its own folder, which it is reached through.
    removal::FoundFile Collect(std::vector<std::string>& found) {
        return [&found](removal::FolderListing& folder, const std::string& name,
                        const std::string& path) {
            EXPECT_EQ(static_cast<Listing&>(folder).folder + name, path);
            found.push_back(path);
        };
    }
    struct Listing : removal::FolderListing {
        Listing(const std::string& f, const std::vector<removal::FolderEntry>& e, TreeLister& l)
            : folder(f), entries(e), lister(l) {}
        ~Listing() override { --lister.open; }
        bool Next(removal::FolderEntry& entry) override {
            if (next == entries.size()) {
                return false;
            }
            entry = entries[next++];
            return true;
        }
        std::string folder;
        const std::vector<removal::FolderEntry>& entries;
        TreeLister& lister;
        std::size_t next = 0;
    };
};

TEST(FolderSearch, DepthFirstFindsTheShortcutWhileListingAndNeverEntersLinks) {
    const Tree tree{
        {"C:\\",
         {{"a", true, false},
          {"Pellucor.lnk", false, false},
          {"locked", true, false},
          {"b", true, false}}},
        {"C:\\a\\", {{"deep", true, false}, {"up", true, true}, {"PELLUCOR.LNK", false, false}}},
        {"C:\\a\\deep\\", {{"Pellucor.lnk.txt", false, false}, {"Pellucor.lnk", true, false}}},
        {"C:\\a\\deep\\Pellucor.lnk\\", {}},
        {"C:\\a\\up\\", {{"Pellucor.lnk", false, false}}},  // a link back up: never listed
        {"C:\\b\\",
         {{"Pellucor.lnk", false, false},
          {"..", true, false},
          {".", true, false},
          {"../..", true, false},
          {"x\\y", true, false},
          {"", true, false},
          {"Pellucor.lnk\\..", false, false},
          {"\xc5\x81ukasz \xd0\x96", true, false}}},
        {"C:\\b\\\xc5\x81ukasz \xd0\x96\\", {{"Pellucor.lnk", false, false}}},
    };
    TreeLister lister{tree};
    std::vector<std::string> found;
    const auto outcome =
        removal::SearchFolders("C:\\", "Pellucor.lnk", lister.Opener(), lister.Collect(found));
    // Names that are ".", ".." or hold a separator are never joined into a path; a folder
    // with any other name, Unicode letters included, is entered.
    EXPECT_EQ(found, (std::vector<std::string>{"C:\\a\\PELLUCOR.LNK", "C:\\Pellucor.lnk",
                                               "C:\\b\\Pellucor.lnk",
                                               "C:\\b\\\xc5\x81ukasz \xd0\x96\\Pellucor.lnk"}));
    EXPECT_TRUE(outcome.complete);
    EXPECT_EQ(outcome.folders, 6u);
    EXPECT_EQ(lister.listings, 7) << "each folder is opened once; \"locked\" fails";
    EXPECT_EQ(lister.mostOpen, 4) << "one open listing per level";
    EXPECT_EQ(lister.open, 0);

    // Out of memory part way: the search stops, says so, and what it found stays found.
    found.clear();
    int opened = 0;
    const auto stopped = removal::SearchFolders(
        "C:\\", "Pellucor.lnk",
        [&](const std::string& folder) {
            if (++opened == 6) {  // the folder b
                throw std::bad_alloc();
            }
            return lister.Opener()(folder);
        },
        lister.Collect(found));
    EXPECT_FALSE(stopped.complete);
    EXPECT_EQ(stopped.stopReason, "out of memory");
    EXPECT_EQ(found, (std::vector<std::string>{"C:\\a\\PELLUCOR.LNK", "C:\\Pellucor.lnk"}));
    EXPECT_EQ(lister.open, 0);
}

TEST(FolderSearch, HasNoLimitOnTheNumberOfFolders) {
    Tree tree;
    std::vector<removal::FolderEntry>& top = tree["C:\\"];
    for (int i = 0; i < 40000; ++i) {
        top.push_back({"f" + std::to_string(i), true, false});
        tree["C:\\f" + std::to_string(i) + "\\"] = {};
    }
    tree["C:\\f39999\\"] = {{"Pellucor.lnk", false, false}};
    TreeLister lister{tree};
    std::vector<std::string> found;
    const auto outcome =
        removal::SearchFolders("C:\\", "Pellucor.lnk", lister.Opener(), lister.Collect(found));
    EXPECT_EQ(outcome.folders, 40001u);
    EXPECT_EQ(found, (std::vector<std::string>{"C:\\f39999\\Pellucor.lnk"}));
    EXPECT_EQ(lister.mostOpen, 2);
}

TEST(EntryCheck, OnlyAPlainFileLyingInTheVeryFolderThatWasListedIsDeleted) {
    using removal::OpenedEntry;
    using removal::WhyNotDeleted;
    const std::string listed = "C:\\Users\\ann\\Desktop";
    EXPECT_EQ(WhyNotDeleted({true, false, false, "C:\\USERS\\ann\\Desktop\\Pellucor.lnk"}, listed),
              "");
    EXPECT_EQ(WhyNotDeleted({true, false, false, "C:\\Pellucor.lnk"}, "C:\\"), "");
    // The name led elsewhere: through a link, into a folder whose name begins alike, deeper.
    for (const std::string elsewhere :
         {"C:\\Windows\\System32\\drivers\\x.sys", "C:\\Users\\ann\\Desktop2\\Pellucor.lnk",
          "C:\\Users\\ann\\Desktop\\sub\\Pellucor.lnk", "C:\\Users\\ann\\Desktop"}) {
        EXPECT_EQ(WhyNotDeleted({true, false, false, elsewhere}, listed),
                  "it lies at " + elsewhere);
    }
    EXPECT_EQ(WhyNotDeleted({true, true, false, listed + "\\Pellucor.lnk"}, listed),
              "it is not a plain file");
    EXPECT_EQ(WhyNotDeleted({true, false, true, listed + "\\Pellucor.lnk"}, listed),
              "it is not a plain file");
    EXPECT_EQ(WhyNotDeleted({false, false, false, listed + "\\Pellucor.lnk"}, listed),
              "its place cannot be told");
    EXPECT_EQ(WhyNotDeleted({true, false, false, listed + "\\Pellucor.lnk"}, ""),
              "its place cannot be told");
}

}  // namespace
