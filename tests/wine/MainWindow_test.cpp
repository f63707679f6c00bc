// The main window in the test's own process, where menu check marks can be read: menus, mode
// commands, control positions and the status line's colours.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "ConfigUploadLayout.h"
#include "HostProfile.h"
#include "MainFormLayout.h"
#include "QelApp.h"
#include "SetUpProgram.h"
#include "Win32FileSystem.h"
#include "WinTestSupport.h"
#include "WindowPlacement.h"

namespace {

using namespace qel::layout;

class MainWindowTest : public ::testing::Test {
protected:
    // Start without settings, leave none.
    void SetUp() override {
        DeleteFileA(SettingsFile().c_str());
        app_ = std::make_unique<qel::QelApp>(GetModuleHandleA(nullptr), [this] { ++ends_; });
        hwnd_ = app_->Window().Handle();
        ASSERT_NE(hwnd_, nullptr);
    }

    void TearDown() override {
        app_.reset();
        DeleteFileA(SettingsFile().c_str());
    }

    static std::string SettingsFile() {
        return qel::OwnSettingsFolder(qel::OwnProgramFolder()) + "Leq.ini";
    }

    void Command(int id) { SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    bool IsChecked(int id) {
        return (GetMenuState(GetMenu(hwnd_), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }

    COLORREF StatusTextColour() {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageA(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, IDC_lblStatus)));
        const COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    }

    std::unique_ptr<qel::QelApp> app_;
    HWND hwnd_ = nullptr;
    int ends_ = 0;
};

std::string MenuText(HMENU menu, UINT position) {
    char text[128] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

TEST_F(MainWindowTest, MenuBarCaptionsAreExact) {
    HMENU bar = GetMenu(hwnd_);
    ASSERT_EQ(GetMenuItemCount(bar), 5);
    EXPECT_EQ(MenuText(bar, 0), "&File  ");
    EXPECT_EQ(MenuText(bar, 1), "Configure  &Host");
    EXPECT_EQ(MenuText(bar, 2), "FTP &Method  ");
    EXPECT_EQ(MenuText(bar, 3), "&Comm Method");
    EXPECT_EQ(MenuText(bar, 4), "&Help  ");

    EXPECT_EQ(MenuText(GetSubMenu(bar, 0), 0), "E&xit");
    EXPECT_EQ(MenuText(GetSubMenu(bar, 2), 0), "Method 1");
    EXPECT_EQ(MenuText(GetSubMenu(bar, 2), 1), "Method 2");
    EXPECT_EQ(MenuText(GetSubMenu(bar, 2), 2), "Method 3");
    EXPECT_EQ(MenuText(GetSubMenu(bar, 3), 0), "Method 1");
    EXPECT_EQ(MenuText(GetSubMenu(bar, 3), 1), "Method 2");
    EXPECT_EQ(MenuText(GetSubMenu(bar, 4), 0), "&Instructions\tF1");
    EXPECT_EQ(MenuText(GetSubMenu(bar, 4), 1), "&About");
}

TEST_F(MainWindowTest, ModeCommandsMoveTheirMenusCheckMark) {
    // Without a settings file upload method 1 is in force and checked, the comm menu unchecked.
    EXPECT_TRUE(IsChecked(IDM_mnuMethod1));
    EXPECT_FALSE(IsChecked(IDM_mnuCommMethod1));
    EXPECT_FALSE(IsChecked(IDM_mnuCommMethod2));

    Command(IDM_mnuMethod2);
    EXPECT_EQ(app_->State().FTPMethod, 2);
    EXPECT_FALSE(IsChecked(IDM_mnuMethod1));
    EXPECT_TRUE(IsChecked(IDM_mnuMethod2));
    Command(IDM_mnuMethod3);
    EXPECT_EQ(app_->State().FTPMethod, 3);
    EXPECT_FALSE(IsChecked(IDM_mnuMethod2));
    EXPECT_TRUE(IsChecked(IDM_mnuMethod3));
    Command(IDM_mnuMethod1);
    EXPECT_EQ(app_->State().FTPMethod, 1);
    EXPECT_TRUE(IsChecked(IDM_mnuMethod1));
    EXPECT_FALSE(IsChecked(IDM_mnuMethod2));
    EXPECT_FALSE(IsChecked(IDM_mnuMethod3));

    Command(IDM_mnuCommMethod2);
    EXPECT_EQ(app_->State().CommMethod, 1);
    EXPECT_TRUE(IsChecked(IDM_mnuCommMethod2));
    EXPECT_FALSE(IsChecked(IDM_mnuCommMethod1));
    Command(IDM_mnuCommMethod1);
    EXPECT_EQ(app_->State().CommMethod, 0);
    EXPECT_TRUE(IsChecked(IDM_mnuCommMethod1));
    EXPECT_FALSE(IsChecked(IDM_mnuCommMethod2));
    EXPECT_TRUE(IsChecked(IDM_mnuMethod1));  // the other menu is left alone
}

TEST_F(MainWindowTest, ControlsStandWhereTheLayoutPutsThem) {
    const auto tppX = app_->Window().TwipsPerPixelX();
    const auto tppY = app_->Window().TwipsPerPixelY();
    RECT client;
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(client.right, pellucor::TwipsToPixels(kClientWidth, tppX));
    EXPECT_EQ(client.bottom, pellucor::TwipsToPixels(kClientHeight, tppY));
    for (const auto& spec : kControls) {
        SCOPED_TRACE(spec.name);
        HWND control = GetDlgItem(hwnd_, spec.id);
        ASSERT_NE(control, nullptr);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, pellucor::TwipsToPixels(spec.left, tppX));
        EXPECT_EQ(r.top, pellucor::TwipsToPixels(spec.top, tppY));
        EXPECT_EQ(r.right - r.left, pellucor::TwipsToPixels(spec.width, tppX));
        EXPECT_EQ(r.bottom - r.top, pellucor::TwipsToPixels(spec.height, tppY));
        char text[64] = {};
        GetWindowTextA(control, text, sizeof text);
        if (spec.id != IDC_lblStatus && spec.id != IDC_txtPort) {  // filled by the start-up
            EXPECT_STREQ(text, spec.caption);
        }
    }
}

TEST_F(MainWindowTest, TabOrderFollowsTheLayout) {
    // Tab stops in creation order: Text1, Run, file name, title, port, Search, refresh.
    const int expected[] = {IDC_Text1,   IDC_ckkRun,   IDC_txtFileName, IDC_txtPageTitle,
                            IDC_txtPort, IDC_Command2, IDC_txtRefresh};
    HWND current = GetDlgItem(hwnd_, IDC_Text1);
    for (int id : expected) {
        ASSERT_EQ(GetDlgCtrlID(current), id);
        current = GetNextDlgTabItem(hwnd_, current, FALSE);
    }
    EXPECT_EQ(GetDlgCtrlID(current), IDC_Text1);  // and round again
}

TEST_F(MainWindowTest, StatusLineShowsFailuresInRedAndTheRestInTheHighlightColour) {
    app_->Window().ShowStatus("Serial communication established", qel::StatusColour::Highlight);
    EXPECT_EQ(StatusTextColour(), GetSysColor(COLOR_HIGHLIGHT));
    char text[128] = {};
    GetWindowTextA(GetDlgItem(hwnd_, IDC_lblStatus), text, sizeof text);
    EXPECT_STREQ(text, "Serial communication established");

    app_->Window().ShowStatus("Configuration information required", qel::StatusColour::Failure);
    EXPECT_EQ(StatusTextColour(), RGB(255, 0, 0));
}

TEST_F(MainWindowTest, StartUpLeavesTheCaptionAndTheConfigurationRequest) {
    char caption[64] = {};
    GetWindowTextA(hwnd_, caption, sizeof caption);
    EXPECT_STREQ(caption, "Pellucor");
    EXPECT_EQ(StatusTextColour(), RGB(255, 0, 0));
    EXPECT_EQ(ends_, 0);
}

TEST_F(MainWindowTest, ExitAndCloseBoxBothEndTheProgram) {
    Command(IDM_mnuExit);
    EXPECT_EQ(ends_, 1);
    SendMessageA(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_EQ(ends_, 2);
    EXPECT_TRUE(IsWindow(hwnd_));  // ending is the process's job, not the window's
}

// Answers the "Warning" box with No from inside the box's own message loop.
void CALLBACK AnswerWarningNo(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = GetActiveWindow();
    char title[16] = {};
    GetWindowTextA(box, title, sizeof title);
    if (std::string(title) == "Warning") {
        KillTimer(nullptr, timer);
        PostMessageA(box, WM_COMMAND, IDNO, 0);
    }
}

TEST_F(MainWindowTest, HostDialogKeepsTheKeyboardAndNoHandlerOutlivesItsDialog) {
    namespace cfg = qel::config_layout;
    const std::string folder = qel::OwnProgramFolder();
    qel::Win32FileSystem files;
    ASSERT_FALSE(qel::SaveHostProfile(files, folder, "lab", "ann", "lab.org", "pw", "/lab/"));
    Command(IDM_mnuConfigureUpload);
    HWND dialog = app_->ConfigUpload().Handle();
    ASSERT_NE(dialog, nullptr);
    const auto click = [&](int id, int notification = BN_CLICKED) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    };
    const auto focusIn = [&](int id) {
        return wintest::PumpUntil([&] { return GetFocus() == GetDlgItem(dialog, id); },
                                  std::chrono::seconds(5));
    };
    EXPECT_TRUE(focusIn(cfg::IDC_txtUserName));

    // A warning answered: the keyboard is back in the box it was in.
    SetWindowTextA(GetDlgItem(dialog, cfg::IDC_txtURL), "changed.example.com");
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &AnswerWarningNo);
    click(cfg::IDC_Command3);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(focusIn(cfg::IDC_txtUserName));

    // Ok hides itself: the keyboard moves on to the next control, Load.
    click(cfg::IDC_Command1);
    SetWindowTextA(GetDlgItem(dialog, cfg::IDC_txtFileName), "lab");
    SetFocus(GetDlgItem(dialog, cfg::IDC_cmdOK));
    click(cfg::IDC_cmdOK);
    EXPECT_TRUE(focusIn(cfg::IDC_Command2));

    // Closed, and opened again, while a pick yields to the message loop: the pick ends on its
    // own dialog and leaves the new one's flags alone.
    click(cfg::IDC_Command2);
    HWND list = GetDlgItem(dialog, cfg::IDC_cmbFileName);
    SendMessageA(list, CB_SETCURSEL,
                 SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>("lab")),
                 0);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    PostMessageA(hwnd_, WM_COMMAND, IDM_mnuConfigureUpload, 0);
    click(cfg::IDC_cmbFileName, CBN_SELCHANGE);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(app_->State().CurrentFile, "lab");
    const qel::ConfigUploadForm* reopened = app_->ConfigUpload().Form();
    ASSERT_NE(reopened, nullptr);
    EXPECT_FALSE(reopened->DataChanged || reopened->DataSet || reopened->DataSaved);
    DeleteFileA((folder + "lab.uci").c_str());
}

}  // namespace
