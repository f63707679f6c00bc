// Start-up after the program set-up, and the mode menus.
#include <gtest/gtest.h>

#include "HostProfile.h"
#include "MainFormFixture.h"
#include "UserSettings.h"

namespace qel {
namespace {

class StartUpTest : public MainFormFixture {
protected:
    void WriteProfile(const std::string& name, const std::string& password) {
        SaveHostProfile(files, kSettingsFolder, name, "qel", "127.0.0.1", password, "/www/");
    }
};

TEST_F(StartUpTest, FirstStartAsksForTheHostConfiguration) {
    controlPort.availablePorts = {4};
    view.portText = "";
    form.Form_Load();
    EXPECT_EQ(view.caption, "Pellucor");
    EXPECT_EQ(view.portText, " 4");
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method1);
    EXPECT_EQ(view.commMethodItem, MenuChoice::None);
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Configuration information required", StatusColour::Failure));
    EXPECT_FALSE(controlPort.isOpen);  // no port is left open by the search
    EXPECT_TRUE(commFile.openAttempts.empty());
}

TEST_F(StartUpTest, CompleteProfileNamedInTheSettingsIsLoaded) {
    files.files[std::string(kSettingsFolder) + "Leq.ini"] =
        "Lab\r\nlive.html\r\nT\r\n10\r\n 2 \r\n 1 \r\n";
    WriteProfile("Lab", "s3cret");
    // Held for about 4 s: longer than start-up waits (about 40 reads), so it is read on a
    // later tick. Meanwhile its cause stays in view through an unattended Run, and the pages
    // wait rather than fail for want of the host values it holds.
    files.busyReads[std::string(kSettingsFolder) + "Lab.uci"] = 45;
    form.Form_Load();
    const StatusMessage cause(FakeFileSystem::BusyError().description + " opening Lab",
                              StatusColour::Failure);
    Run();
    form.ckkRun_Click(false);
    controlPort.waiting = "page@@@@";
    for (int i = 0; i < 3; ++i) {
        Tick();
    }
    EXPECT_TRUE(state.DestURL.empty() && transfer.operations.empty());
    EXPECT_EQ(view.statusHistory.back(), cause);
    Tick();
    Tick();
    EXPECT_EQ(state.DestURL, "127.0.0.1");
    EXPECT_EQ(state.Password, "s3cret");
    EXPECT_EQ(state.FTPMethod, 2);
    EXPECT_EQ(state.CommMethod, 1);
    EXPECT_EQ(transfer.operations.size(), 1u) << "the page that waited goes out";
    for (const auto& [text, colour] : view.statusHistory) {
        EXPECT_NE(text, "Configuration information required");
        EXPECT_NE(text, "No URL set");
    }
}

// An earlier install kept the settings and profiles in the program folder: the first start
// copies them to the user's folder byte for byte, and from then on only that folder counts.
TEST_F(StartUpTest, FirstStartCarriesTheProgramFolderSettingsOverOnce) {
    const std::string from = kProgramFolder, to = kSettingsFolder;
    const std::string ini = "Lab\r\nold.html\r\nT\r\n10\r\n 2 \r\n 1 \r\n";
    files.files[from + "Leq.ini"] = ini;
    SaveHostProfile(files, kProgramFolder, "Lab", "qel", "127.0.0.1", "s3cret", "/www/");
    files.files[from + "Kept.uci"] = "old profile";
    files.files[to + "Kept.uci"] = "the user's own";
    files.files[from + "Qel.txt"] = "instructions";
    const std::string profile = files.files[from + "Lab.uci"];
    EXPECT_EQ(UserSettingsFolder("C:\\users\\me\\AppData\\Roaming\\", kProgramFolder), to);
    EXPECT_EQ(UserSettingsFolder("", kProgramFolder), from);
    const auto freshStart = [this] {
        state = ProgramState{};
        state.ProgramFolder = kProgramFolder;
        state.SettingsFolder = kSettingsFolder;
        form.Form_Load();
    };

    // A profile held, then a copy of the settings that fails (a full disk): the settings file
    // is copied only after every profile, so the carry-over stays due, and says why.
    files.busyReads[from + "Lab.uci"] = 100;
    freshStart();
    files.busyReads.clear();
    files.closeErrors[to + "Leq.ini"] = FakeFileSystem::OtherError("Disk full");
    freshStart();
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Disk full carrying over Leq.ini", StatusColour::Failure));
    form.Form_Unload();
    EXPECT_EQ(files.files.count(to + "Leq.ini"), 0u);
    files.closeErrors.clear();

    // The old settings are held (a backup, a scanner) longer than start-up waits: nothing
    // stands in for them, nothing is written in their place, and they are carried over and
    // applied as soon as they can be read, Run or not.
    files.busyReads[from + "Leq.ini"] = 100;
    form.Form_Load();
    EXPECT_TRUE(state.SettingsCarryOverPending);
    EXPECT_EQ(files.files.count(to + "Leq.ini"), 0u);
    form.Form_Unload();
    EXPECT_EQ(files.files.count(to + "Leq.ini"), 0u) << "never blanks in the user's folder";
    Tick();
    EXPECT_TRUE(state.SettingsFileNeverRead);
    files.busyReads.clear();
    Tick();
    EXPECT_FALSE(state.SettingsFileNeverRead || state.SettingsCarryOverPending);
    EXPECT_EQ(state.Password, "s3cret");
    EXPECT_EQ(view.fileNameText, "old.html");
    EXPECT_EQ(files.files[to + "Leq.ini"], ini);
    EXPECT_EQ(files.files[to + "Lab.uci"], profile);
    EXPECT_EQ(files.files[to + "Kept.uci"], "the user's own");
    EXPECT_EQ(files.files.count(to + "Qel.txt"), 0u);

    // Later starts leave both folders alone, whatever the program folder holds then.
    form.Form_Unload();
    files.files[from + "Leq.ini"] = "Other\r\n";
    files.files[from + "New.uci"] = "x";
    const auto before = files.files;
    form.Form_Load();
    EXPECT_EQ(files.files, before);
    EXPECT_EQ(state.CurrentFile, "Lab");

    // An earlier install without a settings file: its held profile is still carried over, and
    // the settings are then saved as for a first start.
    for (const char* name : {"Leq.ini", "Lab.uci"}) {
        files.files.erase(from + name);
        files.files.erase(to + name);
    }
    files.files[from + "Lab.uci"] = profile;
    files.busyReads[from + "Lab.uci"] = 100;
    freshStart();
    files.busyReads.clear();
    Tick();
    EXPECT_EQ(files.files[to + "Lab.uci"], profile);
    form.Form_Unload();
    EXPECT_EQ(files.files.count(to + "Leq.ini"), 1u);
}

TEST_F(StartUpTest, EmptyPasswordCountsAsIncomplete) {
    files.files[std::string(kSettingsFolder) + "Leq.ini"] =
        "Lab\r\nlive.html\r\nT\r\n10\r\n 1 \r\n 0 \r\n";
    WriteProfile("Lab", "");
    form.Form_Load();
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Configuration information required", StatusColour::Failure));
}

TEST_F(StartUpTest, ShutdownSavesTheSettings) {
    state.CurrentFile = "Lab";
    state.FTPMethod = 2;
    form.Form_Unload();
    EXPECT_EQ(files.files[std::string(kSettingsFolder) + "Leq.ini"],
              "Lab\r\nlive.html\r\nLab\r\n10\r\n 2 \r\n 0 \r\n");
}

TEST_F(StartUpTest, ModeMenusOnlySetTheirValue) {
    Run();
    Tick();
    ASSERT_TRUE(commFile.isOpen);
    form.mnuCommMethod2_Click();
    form.mnuMethod2_Click();
    EXPECT_EQ(state.CommMethod, 1);
    EXPECT_EQ(state.FTPMethod, 2);
    EXPECT_EQ(view.commMethodItem, MenuChoice::Method2);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method2);
    EXPECT_TRUE(commFile.isOpen);  // the open port stays open
    form.mnuCommMethod1_Click();
    form.mnuMethod1_Click();
    EXPECT_EQ(state.CommMethod, 0);
    EXPECT_EQ(state.FTPMethod, 1);
    EXPECT_EQ(view.commMethodItem, MenuChoice::Method1);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method1);
}

}  // namespace
}  // namespace qel
