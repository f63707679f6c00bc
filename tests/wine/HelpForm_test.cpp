// The instructions window in the test's own process: the text it shows (whole, a section, the
// failure texts), its place and size, its layout, and the ways it closes and comes back.
#include <gtest/gtest.h>

#include "HelpForm.h"
#include "HelpFormLayout.h"
#include "InstructionText.h"
#include "ModelessWindow.h"
#include "QelProcess.h"
#include "WindowPlacement.h"

namespace {

using namespace qel::helpform;

constexpr char kStart[] = "There are text boxes for four pieces of information that ";
constexpr char kEnd[] = "Back at the main screen, there ";

std::string WindowText(HWND hwnd) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), text.size())));
    return text;
}

RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

RECT ChildRect(HWND parent, int id) {
    RECT r = WindowRect(GetDlgItem(parent, id));
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A key as the program's message loop gets it, handed to the modeless-window routing.
bool PressKey(HWND target, WPARAM key) {
    MSG msg{target, WM_KEYDOWN, key, 0, 0, {}};
    return pellucor::RouteToModeless(msg);
}

class HelpFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        shipped_ = qeltest::ShippedFile("Qel.txt");
        ASSERT_FALSE(shipped_->empty());
        state_.ProgramFolder = folder_.Path();
        ASSERT_TRUE(wintest::WriteBytes(folder_ / "Qel.txt", *shipped_));
    }

    // Where the window stands when it has just been made: four fifths of the screen wide,
    // centred.
    void ExpectFreshPlacement(HWND hwnd) {
        const auto tpp = pellucor::ScreenTwipsPerPixel();
        const int screen = GetSystemMetrics(SM_CXSCREEN);
        const RECT r = WindowRect(hwnd);
        EXPECT_EQ(
            r.right - r.left,
            pellucor::TwipsToPixels(WindowWidth(pellucor::PixelsToTwips(screen, tpp.x)), tpp.x));
        EXPECT_NEAR(r.left, (screen - (r.right - r.left)) / 2, 1);
        EXPECT_NEAR(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 1);
    }

    wintest::ScratchFolder folder_;
    qel::ProgramState state_;
    std::optional<std::string> shipped_;
};

TEST_F(HelpFormTest, ShowsTheSectionOrTheWholeFileInOneTopmostWindow) {
    qel::HelpForm help(GetModuleHandleA(nullptr), state_);
    EXPECT_EQ(help.Handle(), nullptr);  // no window until instructions are shown

    help.ShowInstructions(kStart, kEnd);
    HWND hwnd = help.Handle();
    ASSERT_NE(hwnd, nullptr);
    HWND text = GetDlgItem(hwnd, IDC_Text1);
    HWND button = GetDlgItem(hwnd, IDC_Command1);
    EXPECT_EQ(WindowText(hwnd), "Pellucor Help");
    const std::string section = qel::CutSection(*shipped_, kStart, kEnd);
    EXPECT_EQ(section.rfind(kStart, 0), 0u);
    EXPECT_EQ(WindowText(text), section);
    EXPECT_EQ(WindowText(button), "&Ok");
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(GetWindowLongPtrA(text, GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(GetFocus(), text);
    EXPECT_NE(SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
    ExpectFreshPlacement(hwnd);

    // Layout: equal margins beside the text box, the button centred below it and inside.
    const auto tpp = pellucor::ScreenTwipsPerPixel();
    RECT client{};
    GetClientRect(hwnd, &client);
    const RECT box = ChildRect(hwnd, IDC_Text1);
    const RECT ok = ChildRect(hwnd, IDC_Command1);
    EXPECT_EQ(box.left, pellucor::TwipsToPixels(240, tpp.x));
    EXPECT_NEAR(box.right - box.left, client.right - pellucor::TwipsToPixels(480, tpp.x), 1);
    EXPECT_NEAR(ok.left + ok.right, client.right, 2);
    EXPECT_GT(ok.top, box.bottom);
    EXPECT_LT(ok.bottom, client.bottom);

    // Shown again while open: same window, same place, new text.
    SetWindowPos(hwnd, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const RECT moved = WindowRect(hwnd);
    help.ShowInstructions("", "");
    EXPECT_EQ(help.Handle(), hwnd);
    EXPECT_EQ(WindowText(text), *shipped_);
    const RECT after = WindowRect(hwnd);
    EXPECT_EQ(after.left, moved.left);
    EXPECT_EQ(after.top, moved.top);
    EXPECT_EQ(after.right, moved.right);

    // A larger window: the text box grows, the button follows it and stays inside.
    SetWindowPos(hwnd, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(hwnd, &client);
    EXPECT_LT(ChildRect(hwnd, IDC_Command1).bottom, client.bottom);
    EXPECT_GT(ChildRect(hwnd, IDC_Text1).bottom - ChildRect(hwnd, IDC_Text1).top,
              box.bottom - box.top);

    // Esc closes it; shown again, it is made afresh, centred, at four fifths of the screen.
    EXPECT_TRUE(PressKey(text, VK_ESCAPE));
    wintest::PumpPending();
    EXPECT_EQ(help.Handle(), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    help.ShowInstructions("", kEnd);
    ASSERT_NE(help.Handle(), nullptr);
    ExpectFreshPlacement(help.Handle());
    EXPECT_EQ(WindowText(GetDlgItem(help.Handle(), IDC_Text1)),
              qel::CutSection(*shipped_, "", kEnd));

    // Enter on the button, the button itself and the close box all close it.
    EXPECT_TRUE(PressKey(GetDlgItem(help.Handle(), IDC_Command1), VK_RETURN));
    wintest::PumpPending();
    EXPECT_EQ(help.Handle(), nullptr);
    help.ShowInstructions("", "");
    SendMessageA(GetDlgItem(help.Handle(), IDC_Command1), BM_CLICK, 0, 0);
    EXPECT_EQ(help.Handle(), nullptr);
    help.ShowInstructions("", "");
    SendMessageA(help.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(help.Handle(), nullptr);
}

TEST_F(HelpFormTest, AnUnreadableOrMissingFileIsSaidInTheWindow) {
    qel::HelpForm help(GetModuleHandleA(nullptr), state_);
    const std::string path = folder_ / "Qel.txt";
    HANDLE locked = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    help.ShowInstructions(kStart, kEnd);
    ASSERT_NE(help.Handle(), nullptr);
    const std::string shown = WindowText(GetDlgItem(help.Handle(), IDC_Text1));
    EXPECT_EQ(shown.rfind("Unable to open Help file. Error = ", 0), 0u) << shown;
    EXPECT_GT(shown.size(), std::string("Unable to open Help file. Error = ").size());
    CloseHandle(locked);

    DeleteFileA(path.c_str());
    help.ShowInstructions(kStart, kEnd);
    EXPECT_EQ(WindowText(GetDlgItem(help.Handle(), IDC_Text1)),
              "*************  Unable to find instruction file.  *************");
    EXPECT_EQ(WindowText(help.Handle()), "Pellucor Help");
}

}  // namespace
