// The host configuration dialog as a user meets it: typing the four values, the Exit warnings,
// Set, Save and Ok, the profile list, and a host configured from the dialog alone carrying the
// device's blocks to the FTP server.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <span>

#include "AboutBoxLayout.h"
#include "ConfigUploadLayout.h"
#include "DevicePort.h"
#include "FtpServerControl.h"
#include "ConfigUploadForm.h"
#include "HelpFormLayout.h"
#include "HostProfile.h"
#include "Installation.h"
#include "MainFormLayout.h"
#include "PageBuilder.h"
#include "Polling.h"
#include "ProgramRun.h"
#include "QelProcess.h"
#include "SetupForms.h"
#include "Win32FileSystem.h"
#include "WindowPlacement.h"
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

    // F1 in the dialog, and its Help button, show the part of the instructions that explains it.
    const std::string instructions = qeltest::ShippedFile("Qel.txt");
    const auto start = instructions.find(qel::kDialogHelpStart);
    const auto end = instructions.find(qel::kDialogHelpEnd);
    ASSERT_TRUE(start != std::string::npos && end != std::string::npos && start < end);
    for (const bool byKey : {true, false}) {
        if (byKey) {
            PostMessageA(Box(IDC_txtUserName), WM_KEYDOWN, VK_F1, 0);
        } else {
            Click(IDC_Command5);
        }
        HWND help = qeltest::WaitForProcessWindow(qel_.ProcessId(), "Pellucor Help", kDeadlineMs);
        ASSERT_TRUE(help);
        EXPECT_TRUE(qeltest::WaitUntil([&] {
            return WindowText(GetDlgItem(help, qel::helpform::IDC_Text1)) ==
                   instructions.substr(start, end - start);
        })) << (byKey ? "F1" : "Help");
        PostMessageA(help, WM_CLOSE, 0, 0);
        ASSERT_TRUE(
            qeltest::WaitForNoProcessWindow(qel_.ProcessId(), "Pellucor Help", kDeadlineMs));
    }

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

// The files of a folder, by name.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            names.emplace_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(HostDialog, NamesThatReachADeviceOrAnotherFolderAreRefusedBeforeAnythingIsWritten) {
    // Named in the settings at start-up: refused, and the status line says why.
    const std::string settings = "COM3\r\nlive.html\r\nT\r\n10\r\n 1 \r\n 0 \r\n";
    ASSERT_TRUE(wintest::WriteBytes(qel_.Folder() + "Leq.ini", settings));
    StartQel();
    EXPECT_TRUE(qel_.WaitForText(qel::layout::IDC_lblStatus, "Not a usable profile name: COM3"));

    const std::string profiles = qeltest::QelProcess::SettingsFolder();
    const auto folderBefore = FilesIn(profiles);
    const auto programFolderBefore = FilesIn(qel_.Folder());
    Type(IDC_txtURL, "example.com");
    Click(IDC_Command1);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return Shown(IDC_cmdOK); }));
    for (const char* name : {"com1", "LPT2.home", "..\\escaped", "..", "home."}) {
        Type(IDC_txtFileName, name);
        Click(IDC_cmdOK);
        EXPECT_TRUE(qel_.WaitForText(qel::layout::IDC_lblStatus,
                                     std::string("Not a usable profile name: ") + name));
        EXPECT_TRUE(Shown(IDC_cmdOK) && Shown(IDC_txtFileName));
    }
    EXPECT_EQ(FilesIn(profiles), folderBefore);
    EXPECT_EQ(FilesIn(qel_.Folder()), programFolderBefore);
    for (const std::string& name : FilesIn(profiles + "..\\")) {
        EXPECT_NE(name.rfind("escaped", 0), 0u) << name;
    }
    EXPECT_EQ(qel_.ReadSetting("Leq.ini"), settings);

    Type(IDC_txtFileName, "home");
    Click(IDC_cmdOK);
    ASSERT_TRUE(qeltest::WaitUntil([&] { return !Shown(IDC_cmdOK); }));
    EXPECT_TRUE(qel_.HasSetting("home.uci"));
    EXPECT_EQ(qel_.ReadSetting("Leq.ini").substr(0, 6), "home\r\n");
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

// The screen resolution Wine gives the programs started while this lives; 96 dpi afterwards.
struct ScreenDpi {
    explicit ScreenDpi(DWORD dpi) { Set(dpi); }
    ~ScreenDpi() { Set(96); }
    static void Set(DWORD dpi) {
        RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi,
                        sizeof dpi);
        RegSetKeyValueA(HKEY_CURRENT_CONFIG, "Software\\Fonts", "LogPixels", REG_DWORD, &dpi,
                        sizeof dpi);
    }
};

// The window's client area and each control where the table puts them at that resolution.
void ExpectLaidOut(HWND window, std::span<const pellucor::ControlSpec> controls, int width,
                   int height, int dpi) {
    const pellucor::TwipsPerPixel tpp(dpi);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, pellucor::TwipsToPixels(width, tpp));
    EXPECT_EQ(client.bottom, pellucor::TwipsToPixels(height, tpp));
    for (const pellucor::ControlSpec& spec : controls) {
        SCOPED_TRACE(spec.name);
        RECT r{};
        GetWindowRect(GetDlgItem(window, spec.id), &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, pellucor::TwipsToPixels(spec.left, tpp));
        EXPECT_EQ(r.top, pellucor::TwipsToPixels(spec.top, tpp));
        EXPECT_EQ(r.right - r.left, pellucor::TwipsToPixels(spec.width, tpp));
        if (spec.kind != pellucor::ControlKind::DropDownCombo) {  // the system sets its height
            EXPECT_EQ(r.bottom - r.top, pellucor::TwipsToPixels(spec.height, tpp));
        }
    }
}

// Wine does not stretch windows as a bitmap, so what can be seen here is the layout: every
// window laid out for 168 and 192 dpi from its table, at 8.57 and 7.5 twips per pixel: Qel's
// main window, host dialog and About box, and the installer's information window.
TEST(HighDpi, WindowsAreLaidOutForTheScreensResolution) {
    // Window measures as the programs see them, not scaled for this unaware test.
    using SetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const auto setContext = reinterpret_cast<SetContext>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
    ASSERT_NE(setContext, nullptr);
    const DPI_AWARENESS_CONTEXT before = setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    for (const int dpi : {168, 192}) {
        SCOPED_TRACE(dpi);
        const ScreenDpi screen(static_cast<DWORD>(dpi));
        QelProcess qel;
        ASSERT_TRUE(qel.Start());
        ExpectLaidOut(qel.MainWindow(), qel::layout::kControls, qel::layout::kClientWidth,
                      qel::layout::kClientHeight, dpi);
        qel.Menu(qel::layout::IDM_mnuConfigureUpload);
        HWND dialog = qeltest::WaitForProcessWindow(qel.ProcessId(), kCaption, kDeadlineMs);
        ASSERT_TRUE(dialog);
        ExpectLaidOut(dialog, kControls, kClientWidth, kClientHeight, dpi);
        qel.Menu(qel::layout::IDM_mnuAbout);
        HWND about = qeltest::WaitForProcessWindow(qel.ProcessId(), "About Pellucor", kDeadlineMs);
        ASSERT_TRUE(about);
        ExpectLaidOut(about, qel::aboutbox::kControls, qel::aboutbox::kClientWidth,
                      qel::aboutbox::kClientHeight, dpi);

        // The installer's information window: its size, and the text box where it starts.
        const qeltest::InstallSetCopy set;
        qeltest::ProgramRun setup;
        ASSERT_TRUE(setup.Start(set.SetupExe(), set.Folder()));
        HWND info = setup.WaitForWindow(setup::forms::kHelpFormClass, setup::forms::IDC_Command2);
        ASSERT_TRUE(info);
        RECT client{};
        GetClientRect(info, &client);
        const pellucor::TwipsPerPixel tpp(dpi);
        EXPECT_EQ(client.right, pellucor::TwipsToPixels(setup::forms::kHelpClientWidth, tpp));
        EXPECT_EQ(client.bottom, pellucor::TwipsToPixels(setup::forms::kHelpClientHeight, tpp));
        RECT text{};
        GetWindowRect(GetDlgItem(info, setup::forms::IDC_Text1), &text);
        MapWindowPoints(nullptr, info, reinterpret_cast<POINT*>(&text), 2);
        EXPECT_EQ(text.left, pellucor::TwipsToPixels(setup::forms::kHelpControls[0].left, tpp));
        qeltest::Press(info, setup::forms::IDC_Command2);  // Cancel: nothing is installed
        EXPECT_TRUE(setup.WaitForExit());
    }
    setContext(before);
}

}  // namespace
