// Qel's main window on Win32.
#include "MainWindow.h"

#include "ControlBuilder.h"
#include "MainFormLayout.h"
#include "ModelessWindow.h"
#include "SingleInstance.h"
#include "WindowPlacement.h"

namespace qel {

namespace {

namespace layout = qel::layout;

constexpr UINT_PTR kTimer1 = 1;
constexpr COLORREF kFailureRed = RGB(255, 0, 0);
constexpr COLORREF kGrey =
    RGB(layout::kBackgroundGrey, layout::kBackgroundGrey, layout::kBackgroundGrey);
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, EndProcess endProcess)
    : instance_(instance),
      endProcess_(std::move(endProcess)),
      background_(CreateSolidBrush(kGrey)),
      font_(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))) {
    const pellucor::ScreenTwips tpp = pellucor::ScreenTwipsPerPixel();
    tppX_ = tpp.x;
    tppY_ = tpp.y;

    RegisterObjectClass(instance_, kClassName, LoadIcon(instance_, MAKEINTRESOURCE(1)));
    if (!CreateObjectWindow(instance_, kClassName, layout::kDesignCaption, kWindowStyle,
                            kWindowExStyle, pellucor::TwipsToPixels(layout::kClientWidth, tppX_),
                            pellucor::TwipsToPixels(layout::kClientHeight, tppY_), nullptr, true)) {
        return;
    }
    CreateMenus();
    CreateControls();
    ACCEL f1{FVIRTKEY, VK_F1, static_cast<WORD>(layout::kF1MenuId)};
    accelerators_.reset(CreateAcceleratorTableA(&f1, 1));
    SetTimer(hwnd_.get(), kTimer1, layout::kTimerInterval, nullptr);
}

MainWindow::~MainWindow() {
    if (hwnd_) {
        KillTimer(hwnd_.get(), kTimer1);
    }
}

void MainWindow::CreateMenus() {
    HMENU bar = CreateMenu();
    for (const auto& top : layout::kMenus) {
        if (top.parent != 0) {
            continue;
        }
        HMENU popup = nullptr;
        for (const auto& item : layout::kMenus) {
            if (item.parent != top.id) {
                continue;
            }
            if (!popup) {
                popup = CreatePopupMenu();
            }
            std::string caption = item.caption;
            if (item.id == layout::kF1MenuId) {
                caption += std::string("\t") + layout::kF1Text;
            }
            AppendMenuA(popup, MF_STRING, item.id, caption.c_str());
        }
        if (popup) {
            AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), top.caption);
        } else {
            AppendMenuA(bar, MF_STRING, top.id, top.caption);
        }
    }
    SetMenu(hwnd_.get(), bar);  // the window destroys its menu
}

void MainWindow::CreateControls() {
    pellucor::CreateControls(hwnd_.get(), layout::kControls, {tppX_, tppY_}, font_);
}

LRESULT MainWindow::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimer1 && form_) {
                form_->Timer1_Timer();
            }
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(hwnd_.get(), &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
            return 1;
        }
        case WM_CTLCOLORSTATIC:
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_CLOSE:
            Shutdown();
            return 0;
        case WM_QUERYENDSESSION:
            // Windows is logging off or shutting down: the settings are saved now, as File,
            // Exit saves them, since the process may be ended without another word.
            if (form_) {
                form_->Form_Unload();
            }
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) {
                Shutdown();
            }
            return 0;
        case WM_COPYDATA: {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (data == nullptr || data->dwData != kCommandLineHandOver || !handOver_) {
                return FALSE;
            }
            const std::string commandLine(static_cast<const char*>(data->lpData), data->cbData);
            try {
                return handOver_(commandLine) ? TRUE : FALSE;
            } catch (...) {
                return FALSE;  // no exception may cross the window procedure
            }
        }
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void MainWindow::OnCommand(int id, int notification) {
    if (!form_) {
        return;
    }
    switch (id) {
        case layout::IDM_mnuExit:
            Shutdown();
            break;
        case layout::IDM_mnuMethod1:
            form_->mnuMethod1_Click();
            break;
        case layout::IDM_mnuMethod2:
            form_->mnuMethod2_Click();
            break;
        case layout::IDM_mnuMethod3:
            form_->mnuMethod3_Click();
            break;
        case layout::IDM_mnuMethod4:
            form_->mnuMethod4_Click();
            break;
        case layout::IDM_mnuCommMethod1:
            form_->mnuCommMethod1_Click();
            break;
        case layout::IDM_mnuCommMethod2:
            form_->mnuCommMethod2_Click();
            break;
        case layout::IDM_mnuConfigureUpload:
            if (windows_) {
                windows_->mnuConfigureUpload_Click();
            }
            break;
        case layout::IDM_mnuInstructions:
            if (windows_) {
                windows_->mnuInstructions_Click();
            }
            break;
        case layout::IDM_mnuAbout:
            if (windows_) {
                windows_->mnuAbout_Click();
            }
            break;
        case layout::IDC_Command2:
            if (notification == BN_CLICKED) {
                form_->Command2_Click();
            }
            break;
        case layout::IDC_ckkRun:
            if (notification == BN_CLICKED) {
                form_->ckkRun_Click();
            }
            break;
        default:
            break;
    }
}

LRESULT MainWindow::OnControlColour(HDC dc, HWND control) {
    SetBkColor(dc, kGrey);
    if (control == Control(layout::IDC_lblStatus)) {
        SetTextColor(dc, statusColour_ == qel::StatusColour::Failure
                             ? kFailureRed
                             : GetSysColor(COLOR_HIGHLIGHT));
    }
    return reinterpret_cast<LRESULT>(background_.get());
}

void MainWindow::Shutdown() {
    if (form_) {
        form_->Form_Unload();
    }
    endProcess_();
}

bool MainWindow::PreTranslate(MSG& msg) {
    if (!hwnd_) {
        return false;
    }
    if (accelerators_ && TranslateAcceleratorA(hwnd_.get(), accelerators_.get(), &msg)) {
        return true;
    }
    if (pellucor::RouteToModeless(msg)) {
        return true;  // a key for one of the modeless windows the menus open
    }
    return IsDialogMessageA(hwnd_.get(), &msg) != FALSE;
}

bool MainWindow::AskYesNo(const std::string& question) {
    // Owned by the main window, so it stays in front of it; its own message loop keeps the
    // timer, and with it the reading of the port, going while the user decides.
    return MessageBoxA(hwnd_.get(), question.c_str(), qel::layout::kQuestionCaption,
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void MainWindow::DoEvents() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
            return;
        }
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void MainWindow::ShowStatus(const std::string& text, qel::StatusColour colour) {
    statusColour_ = colour;
    SetText(layout::IDC_lblStatus, text);
    InvalidateRect(Control(layout::IDC_lblStatus), nullptr, TRUE);
}

std::string MainWindow::Text(int id) const {
    HWND control = Control(id);
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void MainWindow::SetText(int id, const std::string& text) {
    SetWindowTextA(Control(id), text.c_str());
}

std::string MainWindow::PortText() const {
    return Text(layout::IDC_txtPort);
}
void MainWindow::SetPortText(const std::string& text) {
    SetText(layout::IDC_txtPort, text);
}
std::string MainWindow::FileNameText() const {
    return Text(layout::IDC_txtFileName);
}
void MainWindow::SetFileNameText(const std::string& text) {
    SetText(layout::IDC_txtFileName, text);
}
std::string MainWindow::PageTitleText() const {
    return Text(layout::IDC_txtPageTitle);
}
void MainWindow::SetPageTitleText(const std::string& text) {
    SetText(layout::IDC_txtPageTitle, text);
}
std::string MainWindow::RefreshText() const {
    return Text(layout::IDC_txtRefresh);
}
void MainWindow::SetRefreshText(const std::string& text) {
    SetText(layout::IDC_txtRefresh, text);
}
void MainWindow::SetOutputText(const std::string& text) {
    // A block is shown when it is taken out and again once older markers are stripped, most
    // often unchanged; laying out a multi-line box anew costs milliseconds of the tick.
    if (Text(layout::IDC_Text1) != text) {
        SetText(layout::IDC_Text1, text);
    }
}

bool MainWindow::RunChecked() const {
    return IsDlgButtonChecked(hwnd_.get(), layout::IDC_ckkRun) == BST_CHECKED;
}

void MainWindow::SetCaption(const std::string& text) {
    SetWindowTextA(hwnd_.get(), text.c_str());
}

void MainWindow::CheckPair(int firstItem, int secondItem, qel::MenuChoice choice) {
    HMENU menu = GetMenu(hwnd_.get());
    CheckMenuItem(menu, firstItem,
                  MF_BYCOMMAND | (choice == qel::MenuChoice::Method1 ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, secondItem,
                  MF_BYCOMMAND | (choice == qel::MenuChoice::Method2 ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::CheckFtpMethodItem(qel::MenuChoice choice) {
    CheckPair(layout::IDM_mnuMethod1, layout::IDM_mnuMethod2, choice);
    CheckMenuItem(GetMenu(hwnd_.get()), layout::IDM_mnuMethod3,
                  MF_BYCOMMAND | (choice == qel::MenuChoice::Method3 ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(GetMenu(hwnd_.get()), layout::IDM_mnuMethod4,
                  MF_BYCOMMAND | (choice == qel::MenuChoice::Method4 ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::CheckCommMethodItem(qel::MenuChoice choice) {
    CheckPair(layout::IDM_mnuCommMethod1, layout::IDM_mnuCommMethod2, choice);
}

}  // namespace qel
