// The About box on Win32.
#include "AboutBox.h"

#include "AboutBoxLayout.h"
#include "FindStartupBas.h"
#include "ModelessWindow.h"
#include "WebSite.h"
#include "Win32BrowserShell.h"
#include "WindowPlacement.h"

namespace qel {

namespace {

namespace layout = qel::aboutbox;

constexpr char kClassName[] = "PellucorQelAbout";
constexpr COLORREF kGrey = RGB(192, 192, 192);
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);
// No close box: the main window comes back through "&Ok" only.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

}  // namespace

AboutBox::AboutBox(HINSTANCE instance, const ProgramState& state, HWND mainWindow)
    : instance_(instance),
      state_(state),
      mainWindow_(mainWindow),
      tpp_(pellucor::ScreenTwipsPerPixel()),
      background_(CreateSolidBrush(kGrey)),
      titleFont_(pellucor::CreateUiFont("Arial", 18, true)),
      labelFont_(pellucor::CreateUiFont("MS Sans Serif", 12, true)),
      linkFont_(pellucor::CreateUiFont("MS Sans Serif", 12, true, true)),
      linkCursor_(WarningTriangleCursor(GetSystemMetrics(SM_CXCURSOR))) {
    RegisterObjectClass(instance_, kClassName);
}

AboutBox::~AboutBox() {
    DestroyObjectWindow();
}

void AboutBox::Show() {
    // The main window keeps running (its timer goes on) while it is hidden.
    ShowWindow(mainWindow_, SW_HIDE);
    if (!hwnd_) {
        Create();
        if (!hwnd_) {
            ShowWindow(mainWindow_, SW_SHOW);  // no box to come back from
            return;
        }
    }
    ShowWindow(hwnd_.get(), SW_SHOW);
    SetFocus(Control(layout::IDC_Command1));
}

void AboutBox::Create() {
    if (!CreateObjectWindow(instance_, kClassName, "", kWindowStyle, kWindowExStyle,
                            pellucor::TwipsToPixels(layout::kClientWidth, tpp_.x),
                            pellucor::TwipsToPixels(layout::kClientHeight, tpp_.y))) {
        return;
    }
    pellucor::CreateControls(hwnd_.get(), layout::kControls, tpp_, labelFont_.get());
    pellucor::SetControlFont(Control(layout::IDC_Label1), titleFont_.get());
    pellucor::SetControlFont(Control(layout::IDC_Command1),
                             static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    HWND link = Control(layout::IDC_Label4);
    pellucor::SetControlFont(link, linkFont_.get());
    // Clicks on the link come as STN_CLICKED.
    SetWindowLongPtrA(link, GWL_STYLE, GetWindowLongPtrA(link, GWL_STYLE) | SS_NOTIFY);
    SendMessageA(Control(layout::IDC_Command1), BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    pellucor::MarkModeless(hwnd_.get());
    Form_Load();
}

void AboutBox::Form_Load() {
    pellucor::CenterForm(hwnd_.get());
    const auto texts = layout::MakeAboutTexts(state_.AppVersion);
    SetWindowTextA(hwnd_.get(), texts.caption.c_str());
    SetWindowTextA(Control(layout::IDC_Label1), texts.product.c_str());
    SetWindowTextA(Control(layout::IDC_Label5), texts.version.c_str());
    SetWindowTextA(Control(layout::IDC_Label2), texts.credit1.c_str());
    SetWindowTextA(Control(layout::IDC_Label3), texts.credit2.c_str());
    SetWindowTextA(Control(layout::IDC_Label4), texts.webSite.c_str());
}

void AboutBox::Command1_Click() {
    ShowWindow(mainWindow_, SW_SHOW);
    DestroyObjectWindow();  // the next About makes and centres a fresh box
}

void AboutBox::Label4_Click() {
    OpenWebSite();
}

void AboutBox::OpenWebSite() {
    Win32BrowserShell shell(hwnd_.get());
    qel::OpenWebSite(shell, files_, state_.ProgramFolder, layout::kWebSiteAddress);
}

// `hwnd` rather than hwnd_: while the window is being destroyed hwnd_ is already empty.
LRESULT AboutBox::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case layout::IDC_Command1:
                    if (HIWORD(wParam) == BN_CLICKED) {
                        Command1_Click();
                    }
                    break;
                case IDOK:      // Enter
                case IDCANCEL:  // Esc: as the button, so the main window comes back
                    Command1_Click();
                    break;
                case layout::IDC_Label4:
                    if (HIWORD(wParam) == STN_CLICKED) {
                        Label4_Click();
                    }
                    break;
                default:
                    break;
            }
            return 0;
        case WM_CLOSE:  // Alt+F4: the main window must not stay hidden
            Command1_Click();
            return 0;
        case WM_DESTROY:
            pellucor::UnmarkModeless(hwnd);
            return 0;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == Control(layout::IDC_Label4) && linkCursor_) {
                SetCursor(linkCursor_.get());
                return TRUE;
            }
            return DefWindowProcA(hwnd, message, wParam, lParam);
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(hwnd, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
            return 1;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, kGrey);
            if (reinterpret_cast<HWND>(lParam) == Control(layout::IDC_Label4)) {
                SetTextColor(dc, kLinkBlue);
            }
            return reinterpret_cast<LRESULT>(background_.get());
        }
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace qel
