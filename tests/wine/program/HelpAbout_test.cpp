// Qel.exe's Help menu as a user meets it: the instructions window, and the About box with its
// web link, which starts the program associated with web pages (a stub browser installed under
// a folder whose path has blanks). Qel runs from a folder named with letters outside the code
// page, and finds the files beside it.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include "AboutBoxLayout.h"
#include "HelpFormLayout.h"
#include "MainFormLayout.h"
#include "Polling.h"
#include "PathText.h"
#include "QelProcess.h"
#include "UserFolders.h"
#include "WindowDriver.h"

namespace {

using qeltest::MessageBoxText;
using qeltest::QelProcess;
using qeltest::ShippedFile;
using qeltest::WaitForProcessWindow;
using qeltest::WaitUntil;
using qeltest::WindowText;

constexpr char kStubFolder[] = "C:\\Program Files\\Stub Browser\\";
constexpr char kProgId[] = "PellucorTest.StubBrowser";

void SetDefaultValue(HKEY root, const std::string& key, const std::string& value) {
    HKEY opened = nullptr;
    RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr);
    RegSetValueExA(opened, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(opened);
}

// Makes the stub browser the program that opens ".html" files, and puts things back as they
// were at the end. Wine looks associations up in the machine's classes only (a user's own,
// under HKEY_CURRENT_USER, are not merged in), so the machine's are changed.
class StubBrowserAssociation {
public:
    StubBrowserAssociation() {
        CreateDirectoryA(kStubFolder, nullptr);
        CopyFileA(qeltest::FromUnixPath(STUB_BROWSER_UNIX_PATH).c_str(), Exe().c_str(), FALSE);
        HKEY existing = nullptr;
        hadHtmlKey_ = RegOpenKeyExA(kRoot, kHtmlKey, 0, KEY_READ, &existing) == ERROR_SUCCESS;
        if (hadHtmlKey_) {
            char value[256] = {};
            DWORD size = sizeof value;
            if (RegQueryValueExA(existing, nullptr, nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS) {
                oldHtmlValue_ = value;
            }
            RegCloseKey(existing);
        }
        SetDefaultValue(kRoot, kHtmlKey, kProgId);
        SetDefaultValue(kRoot,
                        std::string("Software\\Classes\\") + kProgId + "\\shell\\open\\command",
                        "\"" + Exe() + "\" \"%1\"");
    }
    ~StubBrowserAssociation() {
        RegDeleteTreeA(kRoot, (std::string("Software\\Classes\\") + kProgId).c_str());
        if (!hadHtmlKey_) {
            RegDeleteTreeA(kRoot, kHtmlKey);
        } else if (oldHtmlValue_) {
            SetDefaultValue(kRoot, kHtmlKey, *oldHtmlValue_);
        } else {
            HKEY opened = nullptr;
            RegOpenKeyExA(kRoot, kHtmlKey, 0, KEY_WRITE, &opened);
            RegDeleteValueA(opened, nullptr);
            RegCloseKey(opened);
        }
        DeleteFileA(Output().c_str());
        DeleteFileA(Exe().c_str());
        RemoveDirectoryA(kStubFolder);
    }

    static std::string Exe() { return std::string(kStubFolder) + "stub.exe"; }
    // Where the stub writes the command line it was started with.
    static std::string Output() { return std::string(kStubFolder) + "command-line.txt"; }

private:
    static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
    static constexpr char kHtmlKey[] = "Software\\Classes\\.html";
    bool hadHtmlKey_ = false;
    std::optional<std::string> oldHtmlValue_;
};

// Placement, layout and sections are checked in-process (HelpForm_test); here the menu path.
TEST(HelpMenu, InstructionsShowTheWholeFileBesideTheMainWindow) {
    const std::string instructions = ShippedFile("Qel.txt");
    ASSERT_FALSE(instructions.empty());
    QelProcess qel({{"Qel.txt", instructions}}, qeltest::kNameOutsideAnyCodePage);
    ASSERT_TRUE(qel.Start());
    qel.Menu(qel::layout::IDM_mnuInstructions);
    HWND help = WaitForProcessWindow(qel.ProcessId(), "Pellucor Help", 10000);
    ASSERT_NE(help, nullptr);
    HWND text = GetDlgItem(help, qel::helpform::IDC_Text1);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(text) == instructions; }));
    EXPECT_EQ(WindowText(help), "Pellucor Help");
    EXPECT_TRUE(GetWindowLongPtrA(help, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(qel.MainWindow()));

    // "&Ok" closes it; the main window stays.
    HWND ok = GetDlgItem(help, qel::helpform::IDC_Command1);
    EXPECT_EQ(WindowText(ok), "&Ok");
    SendMessageTimeoutA(ok, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(help); }));
    EXPECT_TRUE(IsWindowVisible(qel.MainWindow()));
}

TEST(HelpMenu, AboutReplacesTheMainWindowAndItsLinkStartsTheBrowserQuoted) {
    StubBrowserAssociation stub;
    QelProcess qel({{"Pointer.html", ShippedFile("Pointer.html")}},
                   qeltest::kNameOutsideAnyCodePage);
    // The association is in force: the shell names the stub for the page beside Qel.
    wchar_t found[MAX_PATH] = {};
    const auto code = reinterpret_cast<INT_PTR>(
        FindExecutableW(pellucor::Wide(qel.Folder() + "Pointer.html").c_str(),
                        pellucor::Wide(qel.Folder()).c_str(), found));
    ASSERT_GT(code, 32);
    ASSERT_EQ(lstrcmpiW(found, pellucor::Wide(StubBrowserAssociation::Exe()).c_str()), 0);

    ASSERT_TRUE(qel.Start());
    qel.Menu(qel::layout::IDM_mnuAbout);
    HWND about = WaitForProcessWindow(qel.ProcessId(), "About Pellucor", 10000);
    ASSERT_NE(about, nullptr);
    using namespace qel::aboutbox;
    ASSERT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(about, IDC_Label1)) == "Pellucor"; }));
    EXPECT_FALSE(IsWindowVisible(qel.MainWindow()));
    EXPECT_EQ(WindowText(about), "About Pellucor");
    EXPECT_EQ(WindowText(GetDlgItem(about, IDC_Label5)), "Version 1.2");
    EXPECT_EQ(WindowText(GetDlgItem(about, IDC_Label4)), "pellucor.example");
    EXPECT_FALSE(WindowText(GetDlgItem(about, IDC_Label2)).empty());
    EXPECT_FALSE(WindowText(GetDlgItem(about, IDC_Label3)).empty());
    EXPECT_EQ(WindowText(GetDlgItem(about, IDC_Command1)), "&Ok");
    EXPECT_TRUE(GetWindowLongPtrA(GetDlgItem(about, IDC_Label4), GWL_STYLE) & SS_NOTIFY);
    RECT r{};
    GetWindowRect(about, &r);
    EXPECT_NEAR(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2, 1);

    // The link: the stub is started with its quoted path, one blank and the address.
    const auto clickLink = [&] {
        PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDC_Label4, STN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(about, IDC_Label4)));
    };
    clickLink();
    ASSERT_TRUE(
        WaitUntil([] { return wintest::ReadBytes(StubBrowserAssociation::Output()).has_value(); }));
    EXPECT_EQ(*wintest::ReadBytes(StubBrowserAssociation::Output()),
              "\"C:\\Program Files\\Stub Browser\\stub.exe\" https://pellucor.example/");

    // Without the page there is no program to start: one message, and the box stays.
    DeleteFileW(pellucor::Wide(qel.Folder() + "Pointer.html").c_str());
    DeleteFileA(StubBrowserAssociation::Output().c_str());
    clickLink();
    HWND error = WaitForProcessWindow(qel.ProcessId(), "Error", 10000);
    ASSERT_NE(error, nullptr);
    const std::string message = MessageBoxText(error);
    EXPECT_GT(message.size(), 6u);
    EXPECT_EQ(message.substr(message.size() - 6), " with ") << message;
    PostMessageA(error, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(error); }));
    EXPECT_FALSE(wintest::ReadBytes(StubBrowserAssociation::Output()));
    EXPECT_TRUE(IsWindow(about));
    EXPECT_FALSE(IsWindowVisible(qel.MainWindow()));

    // "&Ok" brings the main window back and discards the box; About again makes a new one.
    SendMessageTimeoutA(GetDlgItem(about, IDC_Command1), BM_CLICK, 0, 0, SMTO_NORMAL, 5000,
                        nullptr);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowVisible(qel.MainWindow()); }));
    qel.Menu(qel::layout::IDM_mnuAbout);
    about = WaitForProcessWindow(qel.ProcessId(), "About Pellucor", 10000);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(
        WaitUntil([&] { return WindowText(GetDlgItem(about, IDC_Label5)) == "Version 1.2"; }));
    EXPECT_FALSE(IsWindowVisible(qel.MainWindow()));
}

}  // namespace
