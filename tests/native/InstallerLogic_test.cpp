// The installer's and uninstaller's logic: the information window's layout rule, the progress
// dots, the files and shortcut of an installation, and the search of a drive for stray
// shortcuts (depth first, one open listing per level, no way round a loop of links).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <new>

#include "FolderSearch.h"
#include "SetupHelpFormLayout.h"
#include "InstallPlan.h"

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
    // Run from a drive's root the clean-up names no doubled backslash.
    EXPECT_EQ(setup::CleanUpPaths("E:\\"),
              (std::vector<std::string>{"E:\\Qel.txt", "E:\\Pointer.html", "E:\\RemoveQel.exe",
                                        "E:\\Qel.exe"}));
    // Only a file that was the source of a copy that succeeded is cleaned out.
    EXPECT_EQ(setup::CleanUpPaths("E:\\set", {"e:\\SET\\qel.txt", "D:\\other\\Qel.exe"}),
              (std::vector<std::string>{"E:\\set\\Qel.txt"}));
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
            return std::make_unique<Listing>(found->second, *this);
        };
    }
    struct Listing : removal::FolderListing {
        Listing(const std::vector<removal::FolderEntry>& e, TreeLister& l)
            : entries(e), lister(l) {}
        ~Listing() override { --lister.open; }
        bool Next(removal::FolderEntry& entry) override {
            if (next == entries.size()) {
                return false;
            }
            entry = entries[next++];
            return true;
        }
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
        {"C:\\b\\", {{"Pellucor.lnk", false, false}}},
    };
    TreeLister lister{tree};
    std::vector<std::string> found;
    const auto outcome = removal::SearchFolders("C:\\", "Pellucor.lnk", lister.Opener(),
                                                [&](const std::string& p) { found.push_back(p); });
    EXPECT_EQ(found, (std::vector<std::string>{"C:\\a\\PELLUCOR.LNK", "C:\\Pellucor.lnk",
                                               "C:\\b\\Pellucor.lnk"}));
    EXPECT_TRUE(outcome.complete);
    EXPECT_EQ(outcome.folders, 5u);
    EXPECT_EQ(lister.listings, 6) << "each folder is opened once; \"locked\" fails";
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
        [&](const std::string& p) { found.push_back(p); });
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
    const auto outcome = removal::SearchFolders("C:\\", "Pellucor.lnk", lister.Opener(),
                                                [&](const std::string& p) { found.push_back(p); });
    EXPECT_EQ(outcome.folders, 40001u);
    EXPECT_EQ(found, (std::vector<std::string>{"C:\\f39999\\Pellucor.lnk"}));
    EXPECT_EQ(lister.mostOpen, 2);
}

}  // namespace
