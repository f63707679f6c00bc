#include "SettingsFile.h"

#include <gtest/gtest.h>

#include "Fakes.h"

namespace qel {
namespace {

const std::string kFolder = "C:\\users\\me\\AppData\\Roaming\\Pellucor\\";
const std::string kIniPath = kFolder + "Leq.ini";

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest() { state.SettingsFolder = kFolder; }

    void Load(const std::string& bytes) {
        fileSystem.files[kIniPath] = bytes;
        LoadSettings(state, view, fileSystem);
    }

    ProgramState state;
    FakeMainView view;
    FakeFileSystem fileSystem;
};

TEST_F(SettingsFileTest, LoadsAllSixLines) {
    Load("Lab\r\nindex.html\r\nTank\r\n10\r\n 1 \r\n 1 \r\n");
    EXPECT_EQ(view.caption, "Pellucor");
    EXPECT_EQ(state.CurrentFile, "Lab");
    EXPECT_EQ(view.fileNameText, "index.html");
    EXPECT_EQ(view.pageTitleText, "Tank");
    EXPECT_EQ(view.refreshText, "10");
    EXPECT_EQ(state.FTPMethod, 1);
    EXPECT_EQ(state.CommMethod, 1);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method1);
    EXPECT_EQ(view.commMethodItem, MenuChoice::Method2);
    EXPECT_TRUE(view.statusHistory.empty());
}

TEST_F(SettingsFileTest, LoadsMethodTwoAndMethodOne) {
    Load("Lab\r\nindex.html\r\nTank\r\n10\r\n 2 \r\n 0 \r\n");
    EXPECT_EQ(state.FTPMethod, 2);
    EXPECT_EQ(state.CommMethod, 0);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method2);
    EXPECT_EQ(view.commMethodItem, MenuChoice::Method1);
    Load("Lab\r\nindex.html\r\nTank\r\n10\r\n 3 \r\n 0 \r\n");
    EXPECT_EQ(state.FTPMethod, 3);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method3);
    Load("Lab\r\nindex.html\r\nTank\r\n10\r\n 4 \r\n 0 \r\n");
    EXPECT_EQ(state.FTPMethod, 4);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method4);
}

TEST_F(SettingsFileTest, MissingFile) {
    LoadSettings(state, view, fileSystem);
    EXPECT_EQ(view.caption, "Pellucor");
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("No current file specified", StatusColour::Highlight));
    EXPECT_EQ(view.statusHistory.size(), 1u);
    EXPECT_EQ(state.FTPMethod, 1);
    EXPECT_EQ(state.CommMethod, 0);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method1);
    EXPECT_TRUE(view.commMethodChecks.empty());
    EXPECT_EQ(fileSystem.pausedMs, 0u) << "an absent file is not waited for";
}

TEST_F(SettingsFileTest, FourLineFileDefaultsBothMethodsSilently) {
    Load("Lab\r\nindex.html\r\nTank\r\n10\r\n");
    EXPECT_EQ(view.refreshText, "10");
    EXPECT_EQ(state.FTPMethod, 1);
    EXPECT_EQ(state.CommMethod, 0);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method1);
    EXPECT_EQ(view.commMethodItem, MenuChoice::Method1);
    EXPECT_TRUE(view.statusHistory.empty());
}

TEST_F(SettingsFileTest, FourthLineWithoutLineEnd) {
    Load("Lab\r\nindex.html\r\nTank\r\n10");
    EXPECT_EQ(view.refreshText, "10");
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method1);
    EXPECT_EQ(view.commMethodItem, MenuChoice::Method1);
    EXPECT_TRUE(view.statusHistory.empty());
}

TEST_F(SettingsFileTest, ZeroInLineFiveLoadsAsMethodOneAndIsSavedAsOne) {
    Load("Lab\r\nindex.html\r\nTank\r\n10\r\n 0 \r\n 0 \r\n");
    EXPECT_EQ(state.FTPMethod, 1);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method1);

    SaveSettings(state, view, fileSystem);
    EXPECT_EQ(fileSystem.files[kIniPath], "Lab\r\nindex.html\r\nTank\r\n10\r\n 1 \r\n 0 \r\n");
}

TEST_F(SettingsFileTest, SevenInLineFiveStaysSevenAndChecksNothing) {
    Load("Lab\r\nindex.html\r\nTank\r\n10\r\n 7 \r\n 9 \r\n");
    EXPECT_EQ(state.FTPMethod, 7);
    EXPECT_EQ(state.CommMethod, 9);
    EXPECT_TRUE(view.ftpMethodChecks.empty());
    EXPECT_TRUE(view.commMethodChecks.empty());

    SaveSettings(state, view, fileSystem);
    EXPECT_EQ(fileSystem.files[kIniPath], "Lab\r\nindex.html\r\nTank\r\n10\r\n 7 \r\n 9 \r\n");
}

TEST_F(SettingsFileTest, MethodOutOfByteRangeFallsBackSilently) {
    Load("Lab\r\nindex.html\r\nTank\r\n10\r\n 256 \r\n -1 \r\n");
    EXPECT_EQ(state.FTPMethod, 1);
    EXPECT_EQ(state.CommMethod, 0);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method1);
    EXPECT_EQ(view.commMethodItem, MenuChoice::Method1);
    EXPECT_TRUE(view.statusHistory.empty());
}

TEST_F(SettingsFileTest, OutOfRangeLineFiveDoesNotShiftLineSix) {
    Load("Lab\r\nindex.html\r\nTank\r\n10\r\n 1000 \r\n 1 \r\n");
    EXPECT_EQ(state.FTPMethod, 1);
    EXPECT_EQ(state.CommMethod, 1);
}

TEST_F(SettingsFileTest, NonNumericMethodsReadAsZero) {
    Load("Lab\r\nindex.html\r\nTank\r\n10\r\nabc\r\nxyz\r\n");
    EXPECT_EQ(state.FTPMethod, 1);
    EXPECT_EQ(state.CommMethod, 0);
    EXPECT_EQ(view.commMethodItem, MenuChoice::Method1);
}

TEST_F(SettingsFileTest, CommaInProfileNameShiftsTheLaterValues) {
    Load("my,lab\r\nindex.html\r\nTank\r\n10\r\n 2 \r\n 1 \r\n");
    EXPECT_EQ(state.CurrentFile, "my");
    EXPECT_EQ(view.fileNameText, "lab");
    EXPECT_EQ(view.pageTitleText, "index.html");
    EXPECT_EQ(view.refreshText, "Tank");
    EXPECT_EQ(state.FTPMethod, 10);  // the refresh line read as the upload method
    EXPECT_EQ(state.CommMethod, 2);
    EXPECT_TRUE(view.ftpMethodChecks.empty());
    EXPECT_TRUE(view.commMethodChecks.empty());
}

TEST_F(SettingsFileTest, QuotedProfileNameKeepsItsComma) {
    Load("  \"my,lab\"\r\nindex.html\r\nTank\r\n10\r\n 1 \r\n 0 \r\n");
    EXPECT_EQ(state.CurrentFile, "my,lab");
    EXPECT_EQ(view.fileNameText, "index.html");
}

TEST_F(SettingsFileTest, LeadingBlanksOfTheProfileNameAreSkipped) {
    Load("   Lab\r\nindex.html\r\nTank\r\n10\r\n 1 \r\n 0 \r\n");
    EXPECT_EQ(state.CurrentFile, "Lab");
}

TEST_F(SettingsFileTest, TitleWithLeadingBlanksKeepsThem) {
    Load("Lab\r\n  index.html \r\n   My Tank\r\n 10\r\n 1 \r\n 0 \r\n");
    EXPECT_EQ(view.fileNameText, "  index.html ");
    EXPECT_EQ(view.pageTitleText, "   My Tank");
    EXPECT_EQ(view.refreshText, " 10");
}

TEST_F(SettingsFileTest, EmptyFileFailsOnTheProfileName) {
    view.refreshText = "before";
    Load("");
    EXPECT_EQ(view.LastStatus(), StatusMessage("Input past end of file loading current file name",
                                               StatusColour::Failure));
    EXPECT_EQ(view.refreshText, "before");
    EXPECT_EQ(state.FTPMethod, 0);
    EXPECT_TRUE(view.ftpMethodChecks.empty());
    EXPECT_TRUE(view.commMethodChecks.empty());
}

TEST_F(SettingsFileTest, EachShortFileNamesItsStepAndKeepsWhatWasRead) {
    Load("Lab\r\n");
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Input past end of file loading destination file name",
                            StatusColour::Failure));
    EXPECT_EQ(state.CurrentFile, "Lab");

    view = FakeMainView();
    Load("Lab\r\nindex.html\r\n");
    EXPECT_EQ(view.LastStatus(), StatusMessage("Input past end of file loading Web page title",
                                               StatusColour::Failure));
    EXPECT_EQ(view.fileNameText, "index.html");

    view = FakeMainView();
    Load("Lab\r\nindex.html\r\nTank\r\n");
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Input past end of file loading refresh rate", StatusColour::Failure));
    EXPECT_EQ(view.pageTitleText, "Tank");
    EXPECT_EQ(view.refreshText, "");
    EXPECT_EQ(state.FTPMethod, 0);
    EXPECT_EQ(state.CommMethod, 0);
    EXPECT_TRUE(view.ftpMethodChecks.empty());
    EXPECT_TRUE(view.commMethodChecks.empty());
    EXPECT_EQ(view.statusHistory.size(), 1u);
}

TEST_F(SettingsFileTest, UnreadableFileIsReportedAsOpeningFailure) {
    fileSystem.readErrors[kIniPath] = FakeFileSystem::OtherError("Permission denied");
    Load("Lab\r\n");
    EXPECT_EQ(view.caption, "Pellucor");
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Permission denied opening ini file", StatusColour::Failure));
    EXPECT_EQ(state.CurrentFile, "");
}

TEST_F(SettingsFileTest, SavesSixLinesByteForByte) {
    state.CurrentFile = "Lab";
    view.fileNameText = "index.html";
    view.pageTitleText = "Tank";
    view.refreshText = "10";
    state.FTPMethod = 1;
    state.CommMethod = 1;
    fileSystem.files[kIniPath] = "old content that is longer than the new one\r\n";

    SaveSettings(state, view, fileSystem);

    EXPECT_EQ(fileSystem.files[kIniPath], "Lab\r\nindex.html\r\nTank\r\n10\r\n 1 \r\n 1 \r\n");
    EXPECT_TRUE(view.statusHistory.empty());
    EXPECT_EQ(fileSystem.openOutputFiles, 0);
}

TEST_F(SettingsFileTest, SavesValuesUnquotedAndReadsThemBack) {
    state.CurrentFile = "Lab";
    view.fileNameText = "my page, \"v2\".html";
    view.pageTitleText = "  Tank <1> & co";
    view.refreshText = "";
    state.FTPMethod = 2;
    state.CommMethod = 0;
    SaveSettings(state, view, fileSystem);
    EXPECT_EQ(fileSystem.files[kIniPath],
              "Lab\r\nmy page, \"v2\".html\r\n  Tank <1> & co\r\n\r\n 2 \r\n 0 \r\n");

    ProgramState loaded;
    loaded.SettingsFolder = kFolder;
    FakeMainView loadedView;
    LoadSettings(loaded, loadedView, fileSystem);
    EXPECT_EQ(loaded.CurrentFile, "Lab");
    EXPECT_EQ(loadedView.fileNameText, view.fileNameText);
    EXPECT_EQ(loadedView.pageTitleText, view.pageTitleText);
    EXPECT_EQ(loadedView.refreshText, "");
    EXPECT_EQ(loaded.FTPMethod, 2);
    EXPECT_EQ(loaded.CommMethod, 0);
    EXPECT_TRUE(loadedView.statusHistory.empty());
}

TEST_F(SettingsFileTest, SaveReportsAnOpenFailure) {
    fileSystem.openErrors[kIniPath] = FakeFileSystem::AccessError();
    SaveSettings(state, view, fileSystem);
    EXPECT_EQ(view.LastStatus(), StatusMessage("Path/File access error opening ini file to save",
                                               StatusColour::Failure));
    EXPECT_FALSE(fileSystem.FileExists(kIniPath));
}

TEST_F(SettingsFileTest, SaveNamesTheLineWhoseWriteFailedAndKeepsTheOldFile) {
    const std::string steps[] = {" saving current file name", " saving destination file name",
                                 " saving Web pge title", " saving refresh ratee"};
    for (std::size_t line = 1; line <= 4; ++line) {
        FakeFileSystem failing;
        failing.files[kIniPath] = "old settings\r\n";
        failing.writeErrors[kIniPath] = {line, FakeFileSystem::OtherError("Disk full")};
        FakeMainView failingView;
        SaveSettings(state, failingView, failing);
        EXPECT_EQ(failingView.LastStatus(),
                  StatusMessage("Disk full" + steps[line - 1], StatusColour::Failure))
            << "line " << line;
        EXPECT_EQ(failingView.statusHistory.size(), 1u);
        EXPECT_TRUE(failing.closedPaths.empty());
        EXPECT_EQ(failing.files[kIniPath], "old settings\r\n");
        EXPECT_EQ(failing.openOutputFiles, 0);
    }
}

TEST_F(SettingsFileTest, FailuresOfTheMethodLinesAndTheCloseAreReported) {
    const StatusMessage failed("Disk full opening ini file to save", StatusColour::Failure);
    for (const std::size_t line : {5u, 6u}) {
        FakeFileSystem failing;
        failing.writeErrors[kIniPath] = {line, FakeFileSystem::OtherError()};
        FakeMainView failingView;
        SaveSettings(state, failingView, failing);
        EXPECT_EQ(failingView.LastStatus(), failed) << "line " << line;
        EXPECT_FALSE(failing.FileExists(kIniPath));  // never a file without its method lines
        EXPECT_EQ(failing.openOutputFiles, 0);
    }
    fileSystem.closeErrors[kIniPath] = FakeFileSystem::BusyError();
    fileSystem.closeErrors[kIniPath].description = "Disk full";
    SaveSettings(state, view, fileSystem);
    EXPECT_EQ(view.LastStatus(), failed);
    EXPECT_FALSE(fileSystem.FileExists(kIniPath));
}

}  // namespace
}  // namespace qel
