// The instructions window on Win32.
#include "HelpForm.h"

#include "FindStartupBas.h"
#include "HelpFormLayout.h"
#include "InstructionText.h"
#include "ModelessWindow.h"
#include "WindowPlacement.h"

namespace qel {

namespace {

namespace layout = qel::helpform;

constexpr char kClassName[] = "PellucorQelHelp";
constexpr char kDesignCaption[] = "Help";
constexpr COLORREF kGrey =
    RGB(layout::kBackgroundGrey, layout::kBackgroundGrey, layout::kBackgroundGrey);
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

}  // namespace

HelpForm::HelpForm(HINSTANCE instance, const ProgramState& state)
    : instance_(instance),
      state_(state),
      tpp_(pellucor::ScreenTwipsPerPixel()),
      background_(CreateSolidBrush(kGrey)),
      textFont_(pellucor::CreateUiFont("MS Sans Serif", 12, true)),
      buttonFont_(pellucor::CreateUiFont("MS Sans Serif", 8.25, true)),
      bigIcon_(SpeechBubbleIcon(GetSystemMetrics(SM_CXICON))),
      smallIcon_(SpeechBubbleIcon(GetSystemMetrics(SM_CXSMICON))) {
    RegisterObjectClass(instance_, kClassName);
}

HelpForm::~HelpForm() {
    DestroyObjectWindow();
}

void HelpForm::ShowInstructions(const std::string& startMarker, const std::string& endMarker) {
    std::string text = InstructionFileText(files_, state_.ProgramFolder);
    if (!hwnd_) {
        Create();
        if (!hwnd_) {
            return;
        }
    }
    SetWindowTextA(hwnd_.get(), kInstructionsCaption);
    ShowWindow(hwnd_.get(), SW_SHOW);
    SetFocus(Control(layout::IDC_Text1));
    text = CutSection(text, startMarker, endMarker);
    SetWindowTextA(Control(layout::IDC_Text1), text.c_str());
}

void HelpForm::Create() {
    textWidth_ = layout::kText1.width;
    textHeight_ = layout::kText1.height;
    if (!CreateObjectWindow(instance_, kClassName, kDesignCaption, kWindowStyle, kWindowExStyle,
                            pellucor::TwipsToPixels(layout::kClientWidth, tpp_.x),
                            pellucor::TwipsToPixels(layout::kClientHeight, tpp_.y))) {
        return;
    }
    SendMessageA(hwnd_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageA(hwnd_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    pellucor::MarkModeless(hwnd_.get());
    Form_Load();
}

void HelpForm::Form_Load() {
    RECT outer{};
    GetWindowRect(hwnd_.get(), &outer);
    const int screenWidth = pellucor::PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), tpp_.x);
    SetWindowPos(hwnd_.get(), nullptr, 0, 0,
                 pellucor::TwipsToPixels(layout::WindowWidth(screenWidth), tpp_.x),
                 outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pellucor::CenterForm(hwnd_.get());
    // Above every other window, the main window included, without taking the activation.
    SetWindowPos(hwnd_.get(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void HelpForm::Form_Resize() {
    RECT client{};
    if (!GetClientRect(hwnd_.get(), &client)) {
        return;
    }
    const auto p = layout::Form_Resize(pellucor::PixelsToTwips(client.right, tpp_.x),
                                       pellucor::PixelsToTwips(client.bottom, tpp_.y), textWidth_,
                                       textHeight_);
    textWidth_ = p.textWidth;
    textHeight_ = p.textHeight;
    pellucor::PlaceControl(Control(layout::IDC_Text1), layout::kText1.left, layout::kText1.top,
                           p.textWidth, p.textHeight, tpp_);
    pellucor::PlaceControl(Control(layout::IDC_Command1), p.buttonLeft, p.buttonTop,
                           layout::kCommand1.width, layout::kCommand1.height, tpp_);
}

void HelpForm::Command1_Click() {
    DestroyObjectWindow();  // the next ShowInstructions makes a fresh window
}

// `hwnd` rather than hwnd_: while the window is being destroyed hwnd_ is already empty.
LRESULT HelpForm::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            pellucor::CreateControls(hwnd, layout::kControls, tpp_, textFont_.get());
            HWND button = GetDlgItem(hwnd, layout::IDC_Command1);
            pellucor::SetControlFont(button, buttonFont_.get());
            SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
            SendMessageA(GetDlgItem(hwnd, layout::IDC_Text1), EM_SETLIMITTEXT, 0, 0);
            return 0;
        }
        case WM_SIZE:
            Form_Resize();
            return 0;
        case WM_COMMAND:
            // The button, Enter (IDOK) and Esc (IDCANCEL) all close the window.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL ||
                (LOWORD(wParam) == layout::IDC_Command1 && HIWORD(wParam) == BN_CLICKED)) {
                Command1_Click();
            }
            return 0;
        case WM_CLOSE:
            Command1_Click();
            return 0;
        case WM_DESTROY:
            pellucor::UnmarkModeless(hwnd);
            return 0;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(hwnd, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
            return 1;
        }
        case WM_CTLCOLORSTATIC:
            // The read-only text box keeps the look of an ordinary one.
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
            SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace qel
