// The installer's and uninstaller's logic: the information window's layout rule, the progress
// dots, the files and shortcut of an installation, and the search of a drive for stray
// shortcuts (no size limit, no way round a loop of links).
#include <gtest/gtest.h>

#include <map>

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
    const auto link =
        setup::DesktopShortcut("C:\\Users\\ann\\Desktop\\", "Pellucor", dir, "Qel.exe");
    EXPECT_EQ(link.linkPath, "C:\\Users\\ann\\Desktop\\Pellucor.lnk");
    EXPECT_EQ(link.target, dir + "Qel.exe");
    EXPECT_EQ(link.workingFolder, dir);
    EXPECT_EQ(link.description, "Pellucor");
    EXPECT_EQ(setup::ConfirmationText(),
              "This program will install Pellucor on your computer.\r\nDo you wish to continue?");
}

using Tree = std::map<std::string, std::vector<removal::Subfolder>>;

removal::SubfolderLister ListerOf(const Tree& tree, int& listings) {
    return [&tree, &listings](
               const std::string& folder) -> std::optional<std::vector<removal::Subfolder>> {
        ++listings;
        const auto found = tree.find(folder);
        if (found == tree.end()) {
            return std::nullopt;  // cannot be opened
        }
        return found->second;
    };
}

TEST(FolderSearch, BreadthFirstSkipsWhatCannotBeOpenedAndNeverEntersLinks) {
    const Tree tree{
        {"C:\\", {{"C:\\a", false}, {"C:\\b\\", false}, {"C:\\locked", false}}},
        {"C:\\a\\", {{"C:\\a\\deep", false}, {"C:\\a\\up", true}}},  // a link back up
        {"C:\\b\\", {}},
        {"C:\\a\\deep\\", {}},
        {"C:\\a\\up\\", {{"C:\\a", false}}},
    };
    int listings = 0;
    EXPECT_EQ(
        removal::MapFolders("C:\\", ListerOf(tree, listings)),
        (std::vector<std::string>{"C:\\", "C:\\a\\", "C:\\b\\", "C:\\locked\\", "C:\\a\\deep\\"}));
    EXPECT_EQ(listings, 5);
}

TEST(FolderSearch, HasNoLimitOnTheNumberOfFolders) {
    Tree tree;
    std::vector<removal::Subfolder>& top = tree["C:\\"];
    for (int i = 0; i < 40000; ++i) {
        top.push_back({"C:\\f" + std::to_string(i), false});
    }
    int listings = 0;
    const auto folders = removal::MapFolders("C:\\", ListerOf(tree, listings));
    ASSERT_EQ(folders.size(), 40001u);
    EXPECT_EQ(folders.back(), "C:\\f39999\\");
}

}  // namespace
