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
#include "SetupHelpFormLayout.h"
#include "InstallPlan.h"
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

    // Access lists: the folder keeps deny entries, entries that let no one change anything and
    // the trusted groups' entries; a kept file keeps nothing of its own; inherited ones stay.
    using setup::AccessEntry;
    constexpr std::uint32_t kModify = 0x1301bf, kRead = 0x1200a9, kWriteDac = 0x40000;
    const std::vector<AccessEntry> list{
        {true, false, "S-1-5-32-545", kModify},                // Users may modify
        {true, false, "S-1-1-0", kRead},                       // Everyone may read
        {true, false, "S-1-5-11", 0x10000000},                 // Authenticated Users: generic all
        {true, false, "S-1-5-21-1-2-3-1001", kWriteDac},       // one user may rewrite the list
        {true, false, "S-1-5-4", 0x2},                         // INTERACTIVE may add files
        {false, false, "S-1-5-32-545", kModify},               // a deny entry only takes away
        {true, false, setup::kAdministratorsSid, 0x1f01ff},    // trusted
        {true, false, setup::kSystemSid, 0x1f01ff},            // trusted
        {true, false, setup::kTrustedInstallerSid, 0x1f01ff},  // trusted
        {true, false, "", 0xFFFFFFFF},                         // an entry type not understood
        {true, true, "S-1-5-32-545", kRead},                   // from Program Files
    };
    EXPECT_EQ(
        setup::EntriesKept(list, setup::AccessTarget::InstallFolder),
        (std::vector<bool>{false, true, false, false, false, true, true, true, true, false, true}));
    EXPECT_EQ(setup::EntriesKept(list, setup::AccessTarget::KeptFile),
              (std::vector<bool>{false, false, false, false, false, false, false, false, false,
                                 false, true}));
    EXPECT_TRUE(setup::EntriesKept({}, setup::AccessTarget::InstallFolder).empty());
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
