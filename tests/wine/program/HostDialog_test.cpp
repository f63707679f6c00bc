// The host configuration dialog as a user meets it: typing the four values, the Exit warnings,
// Set, Save and Ok, the profile list, and a host configured from the dialog alone carrying the
// device's blocks to the FTP server.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "ConfigUploadLayout.h"
#include "DevicePort.h"
#include "FtpServerControl.h"
#include "ConfigUploadForm.h"
#include "HelpFormLayout.h"
#include "HostProfile.h"
#include "MainFormLayout.h"
#include "PageBuilder.h"
#include "Polling.h"
#include "QelProcess.h"
#include "Win32FileSystem.h"
#include "WindowDriver.h"

namespace {

using namespace qel::config_layout;
using qeltest::MessageBoxText;
using qeltest::PostClick;
using qeltest::Press;
using qeltest::QelProcess;
using qeltest::SetTextOf;
using qeltest::WindowText;

constexpr unsigned kDeadlineMs = 10000;
constexpr char kNotSet[] = "Data as changed but not set. Are you sure you want to exit?";
constexpr char kNotSaved[] = "Data as changed but not saved. Are you sure you want to exit?";

class HostDialog : public ::testing::Test {
protected:
    void StartQel() {
        ASSERT_TRUE(qel_.Start());
        OpenDialog();
    }
    void OpenDialog() {
        qel_.Menu(qel::layout::IDM_mnuConfigureUpload);
        dialog_ = qeltest::WaitForProcessWindow(qel_.ProcessId(), kCaption, kDeadlineMs);
        ASSERT_TRUE(dialog_);
        ASSERT_TRUE(qeltest::WaitUntil([&] { return Box(IDC_lblFilename) != nullptr; }));
    }
    HWND Box(int id) const { return GetDlgItem(dialog_, id); }
    std::string Text(int id) const { return WindowText(Box(id)); }
    void Type(int id, const std::string& text) { SetTextOf(Box(id), text); }
    void Click(int id) { PostClick(dialog_, id); }
    bool Shown(int id) const { return qeltest::IsShown(Box(id)); }
    bool DialogOpen() const {
        return qeltest::FindProcessWindow(qel_.ProcessId(), kCaption) != nullptr;
    }
    bool WaitDialogClosed() {
        return qeltest::WaitForNoProcessWindow(qel_.ProcessId(), kCaption, kDeadlineMs);
    }
    // Waits for the message box with that title, checks its text and answers it.
    void ExpectQuestion(const char* title, const std::string& text, int answer) {
        HWND box = qeltest::WaitForProcessWindow(qel_.ProcessId(), title, kDeadlineMs);
        ASSERT_TRUE(box) << "no \"" << title << "\" box for: " << text;
        EXPECT_EQ(MessageBoxText(box), text);
        Press(box, answer);
        ASSERT_TRUE(qeltest::WaitForNoProcessWindow(qel_.ProcessId(), title, kDeadlineMs));
    }
    // Nothing more is asked: the dialog goes, or stays when `staysOpen`.
    void ExpectNoQuestion() {
        EXPECT_FALSE(qeltest::FindProcessWindow(qel_.ProcessId(), "Warning"));
    }
    bool Masked(int id) const { return SendMessageA(Box(id), EM_GETPASSWORDCHAR, 0, 0) == '*'; }
    std::string Status() const { return qel_.Text(qel::layout::IDC_lblStatus); }

    QelProcess qel_;
    HWND dialog_ = nullptr;
};

TEST_F(HostDialog, ExitWarnsOfEditsNeitherSetNorSaved) {
    StartQel();
    EXPECT_EQ(WindowText(dialog_), "Configure Web Host Data");
    EXPECT_TRUE(Masked(IDC_txtUserName));
    EXPECT_TRUE(Masked(IDC_txtPassword));
    Click(IDC_Check1);  // Unhide the password, then mask it again
    EXPECT_TRUE(qeltest::WaitUntil([&] { return !Masked(IDC_txtPassword); }));
    EXPECT_TRUE(Masked(IDC_txtUserName));
    Click(IDC_Check1);
    EXPECT_TRUE(qeltest::WaitUntil([&] { return Masked(IDC_txtPassword); }));

    // Without edits Exit closes at once.
    Click(IDC_Command3);
    ASSERT_TRUE(WaitDialogClosed());

    // Typed, then Exit: "not set" first, then "not saved"; No keeps the dialog each time.
    OpenDialog();
    Type(IDC_txtURL, "ftp.example.com");
    Click(IDC_Command3);
    ExpectQuestion("Warning", kNotSet, IDNO);
    EXPECT_TRUE(DialogOpen());
    Click(IDC_Command3);
    ExpectQuestion("Warning", kNotSet, IDYES);
    ExpectQuestion("Warning", kNotSaved, IDNO);
    EXPECT_TRUE(DialogOpen());
    Click(IDC_Command3);
    ExpectQuestion("Warning", kNotSet, IDYES);
    ExpectQuestion("Warning", kNotSaved, IDYES);
    ASSERT_TRUE(WaitDialogClosed());
    EXPECT_EQ(Status(), "Configuration information required");  // nothing was applied

    // Typed, saved with Ok but not Set: Ok does not apply, so "not set" is asked.
    OpenDialog();
    EXPECT_EQ(Text(IDC_txtURL), "");  // each opening starts from the program state
    Type(IDC_txtURL, "www.files.example.com");
    Click(IDC_Command1);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return Shown(IDC_txtFileName) && Shown(IDC_cmdOK); }));
    EXPECT_EQ(Text(IDC_txtFileName), "example");
    Type(IDC_txtFileName, "");
    Click(IDC_cmdOK);
    ExpectQuestion("Error", "You must provide a file name.", IDOK);
    EXPECT_TRUE(Shown(IDC_cmdOK));
    Type(IDC_txtFileName, "example");
    Click(IDC_cmdOK);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return !Shown(IDC_cmdOK); }));
    EXPECT_TRUE(qel_.HasSetting("example.uci"));
    Click(IDC_Command3);
    ExpectQuestion("Warning", kNotSet, IDYES);
    ASSERT_TRUE(WaitDialogClosed());
    ExpectNoQuestion();

    // Typed and Set: only "not saved" is asked; with all four values the main window says so.
    OpenDialog();
    Type(IDC_txtURL, "example.com");
    Type(IDC_txtUserName, "me");
    Type(IDC_txtPassword, "pw");
    Type(IDC_txtPathName, "/www/");
    Click(IDC_Command4);
    Click(IDC_Command3);
    ExpectQuestion("Warning", kNotSaved, IDYES);
    ASSERT_TRUE(WaitDialogClosed());
    EXPECT_TRUE(qel_.WaitForText(qel::layout::IDC_lblStatus, "Configuration information updated"));

    // The close box leaves without a question and without a message.
    OpenDialog();
    Type(IDC_txtURL, "other.example.com");
    PostMessageA(dialog_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitDialogClosed());
    ExpectNoQuestion();
    OpenDialog();
    EXPECT_EQ(Text(IDC_txtURL), "example.com");  // the Set values, not the abandoned edit
}

TEST_F(HostDialog, ProfilesAreSavedListedAndPicked) {
    qel::Win32FileSystem files;
    const std::string profiles = qel_.SettingsFolder();
    ASSERT_FALSE(
        qel::SaveHostProfile(files, profiles, "lab", "ann", "lab.example.org", "pw1", "/lab/"));
    ASSERT_FALSE(qel::SaveHostProfile(files, profiles, "secret", "x", "y", "z", "/"));
    wintest::WriteBytes(qel_.Folder() + "Qel.txt", qeltest::ShippedFile("Qel.txt"));
    SetFileAttributesA((profiles + "secret.uci").c_str(), FILE_ATTRIBUTE_HIDDEN);
    StartQel();

    // Help shows the part of the instructions that explains this dialog.
    Click(IDC_Command5);
    HWND help = qeltest::WaitForProcessWindow(qel_.ProcessId(), "Pellucor Help", kDeadlineMs);
    ASSERT_TRUE(help);
    const std::string instructions = qeltest::ShippedFile("Qel.txt");
    const auto start = instructions.find(qel::kDialogHelpStart);
    const auto end = instructions.find(qel::kDialogHelpEnd);
    ASSERT_TRUE(start != std::string::npos && end != std::string::npos && start < end);
    EXPECT_TRUE(qeltest::WaitUntil([&] {
        return WindowText(GetDlgItem(help, qel::helpform::IDC_Text1)) ==
               instructions.substr(start, end - start);
    }));
    PostMessageA(help, WM_CLOSE, 0, 0);

    // A name given with its extension is saved with a second one.
    Type(IDC_txtURL, "home.example.net");
    Click(IDC_Command1);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return Shown(IDC_txtFileName); }));
    Type(IDC_txtFileName, "home.uci");
    Click(IDC_cmdOK);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return qel_.HasSetting("home.uci.uci"); }));

    // Load lists the profiles (hidden ones not), without sorting them.
    Click(IDC_Command2);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return Shown(IDC_cmbFileName); }));
    EXPECT_TRUE(Shown(IDC_lblFilename));
    auto entries = qeltest::ComboEntries(Box(IDC_cmbFileName));
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"home.uci", "lab"}));

    // Choosing a profile fills the boxes and names it in the settings file at once.
    ASSERT_TRUE(qeltest::PickComboEntry(dialog_, IDC_cmbFileName, "lab"));
    ASSERT_TRUE(qeltest::WaitUntil([&] { return !Shown(IDC_cmbFileName); }));
    EXPECT_EQ(Text(IDC_txtURL), "lab.example.org");
    EXPECT_EQ(Text(IDC_txtUserName), "ann");
    EXPECT_EQ(Text(IDC_txtPassword), "pw1");
    EXPECT_EQ(Text(IDC_txtPathName), "/lab/");
    EXPECT_EQ(qel_.ReadSetting("Leq.ini").substr(0, 5), "lab\r\n");
    Click(IDC_Command3);  // a chosen profile counts as set and saved
    ASSERT_TRUE(WaitDialogClosed());
    ExpectNoQuestion();
    EXPECT_TRUE(qel_.WaitForText(qel::layout::IDC_lblStatus, "Configuration information updated"));

    // Choosing the doubled name strips every ".uci": that profile does not exist.
    OpenDialog();
    Click(IDC_Command2);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return Shown(IDC_cmbFileName); }));
    ASSERT_TRUE(qeltest::PickComboEntry(dialog_, IDC_cmbFileName, "home.uci"));
    EXPECT_TRUE(qel_.WaitForText(qel::layout::IDC_lblStatus, "home file not found"));
    EXPECT_EQ(Text(IDC_txtURL), "lab.example.org");  // what the program state still holds

    // Enter in the name box picks the profile typed in the list's box.
    Click(IDC_Command1);
    Click(IDC_Command2);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return Shown(IDC_cmbFileName); }));
    Type(IDC_txtURL, "");
    SetTextOf(Box(IDC_cmbFileName), "lab.uci");
    PostMessageA(Box(IDC_txtFileName), WM_CHAR, '\r', 0);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return !Shown(IDC_cmbFileName); }));
    EXPECT_EQ(Text(IDC_txtURL), "lab.example.org");
    EXPECT_TRUE(Shown(IDC_txtFileName));  // the saving controls stay as they were
    EXPECT_EQ(qel_.ReadSetting("Leq.ini").substr(0, 5), "lab\r\n");
}

TEST_F(HostDialog, AHostConfiguredInTheDialogReceivesThePages) {
    auto ftp = qeltest::FtpServerControl::FromEnvironment();
    constexpr int kPort = 4;
    if (!ftp || !qeltest::DevicePort::LinkedPortsAvailable()) {
        GTEST_SKIP() << "no FTP server or linked COM ports in this session";
    }
    ASSERT_TRUE(ftp->Command("UP"));
    const std::string remoteFolder = ftp->Server().root + "dialog\\";
    CreateDirectoryA(remoteFolder.c_str(), nullptr);
    DeleteFileA((remoteFolder + "dialog.html").c_str());
    qeltest::DevicePort device(kPort);

    StartQel();
    Type(IDC_txtURL, ftp->Server().host);
    Type(IDC_txtUserName, ftp->Server().user);
    Type(IDC_txtPassword, ftp->Server().password);
    Type(IDC_txtPathName, "dialog");  // the folder is made to begin and end with "/"
    Click(IDC_Command4);
    Click(IDC_Command1);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return Shown(IDC_txtFileName); }));
    Type(IDC_txtFileName, "bench");
    Click(IDC_cmdOK);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return !Shown(IDC_cmdOK); }));
    Click(IDC_Command3);
    ASSERT_TRUE(WaitDialogClosed());

    qel_.SetText(qel::layout::IDC_txtFileName, "dialog.html");
    qel_.SetText(qel::layout::IDC_txtPageTitle, "Shed");
    qel_.SetText(qel::layout::IDC_txtRefresh, "5");
    qel_.SetText(qel::layout::IDC_txtPort, " " + std::to_string(kPort));
    qel_.Click(qel::layout::IDC_ckkRun);
    ASSERT_TRUE(device.Send("tank 41%\r\npump on@@@@"));
    const std::string expected =
        qel::PageFileBytes(qel::BuildPageText("Shed", "5", "tank 41%<br>\r\npump on"));
    EXPECT_TRUE(qeltest::WaitUntil(
        [&] { return wintest::ReadBytes(remoteFolder + "dialog.html").value_or("") == expected; },
        15000));

    // The profile and the settings naming it bring the host back after a restart.
    qel_.Menu(qel::layout::IDM_mnuExit);
    ASSERT_TRUE(qel_.WaitForExit(kDeadlineMs));
    EXPECT_EQ(qel_.ReadSetting("Leq.ini").substr(0, 7), "bench\r\n");
    ASSERT_TRUE(qel_.Start());
    OpenDialog();
    EXPECT_EQ(Text(IDC_txtURL), ftp->Server().host);
    EXPECT_EQ(Text(IDC_txtPathName), "dialog");  // as saved; each upload normalises it
}

}  // namespace
