// The host configuration dialog on Win32.
#include "ConfigUploadWindow.h"

#include <commctrl.h>

#include "ConfigUploadLayout.h"
#include "ControlBuilder.h"
#include "FindStartupBas.h"
#include "ModelessWindow.h"
#include "WindowPlacement.h"

namespace qel {

namespace {

namespace layout = qel::config_layout;

constexpr char kClassName[] = "PellucorConfigUpload";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;
constexpr COLORREF kGrey =
    RGB(layout::kBackgroundGrey, layout::kBackgroundGrey, layout::kBackgroundGrey);
constexpr char kMaskCharacter = '*';
// Sent by the profile name box to its dialog when Enter is pressed in it.
constexpr UINT kNameBoxEnter = WM_APP + 1;
constexpr UINT_PTR kNameBoxSubclass = 1;

int IdOf(ConfigBox box) {
    switch (box) {
        case ConfigBox::txtURL:
            return layout::IDC_txtURL;
        case ConfigBox::txtUserName:
            return layout::IDC_txtUserName;
        case ConfigBox::txtPassword:
            return layout::IDC_txtPassword;
        case ConfigBox::txtPathName:
            return layout::IDC_txtPathName;
        case ConfigBox::txtFileName:
            return layout::IDC_txtFileName;
        case ConfigBox::cmbFileName:
            break;
    }
    return layout::IDC_cmbFileName;
}

int IdOf(ConfigPart part) {
    switch (part) {
        case ConfigPart::lblFilename:
            return layout::IDC_lblFilename;
        case ConfigPart::txtFileName:
            return layout::IDC_txtFileName;
        case ConfigPart::cmbFileName:
            return layout::IDC_cmbFileName;
        case ConfigPart::cmdOK:
            break;
    }
    return layout::IDC_cmdOK;
}

bool IsValueBox(int id) {
    return id == layout::IDC_txtURL || id == layout::IDC_txtUserName ||
           id == layout::IDC_txtPassword || id == layout::IDC_txtPathName;
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

}  // namespace

ConfigUploadWindow::ConfigUploadWindow(HINSTANCE instance, HWND mainWindow,
                                       const ConfigUploadParts& parts)
    : instance_(instance),
      mainWindow_(mainWindow),
      parts_(parts),
      background_(CreateSolidBrush(kGrey)),
      font_(pellucor::CreateUiFont(layout::kFontFace, layout::kFontPoints, true)) {
    RegisterObjectClass(instance_, kClassName, LoadIcon(instance_, MAKEINTRESOURCE(1)));
}

ConfigUploadWindow::~ConfigUploadWindow() {
    DestroyObjectWindow();  // the window goes before the brush and font it uses
}

void ConfigUploadWindow::Show() {
    if (!hwnd_) {
        Create();
    }
    if (hwnd_) {
        ShowWindow(hwnd_.get(), SW_SHOW);
        SetForegroundWindow(hwnd_.get());
    }
}

void ConfigUploadWindow::Create() {
    const pellucor::ScreenTwips tpp = pellucor::ScreenTwipsPerPixel();
    // Owned by the main window: it stays above it and goes with it.
    if (!CreateObjectWindow(instance_, kClassName, layout::kCaption, kWindowStyle, kWindowExStyle,
                            pellucor::TwipsToPixels(layout::kClientWidth, tpp.x),
                            pellucor::TwipsToPixels(layout::kClientHeight, tpp.y), mainWindow_)) {
        return;
    }
    pellucor::CreateControls(hwnd_.get(), layout::kControls, tpp, font_.get());
    SetMasked(ConfigBox::txtUserName, true);
    SetMasked(ConfigBox::txtPassword, true);
    SetWindowSubclass(Control(layout::IDC_txtFileName), &ConfigUploadWindow::NameBoxProc,
                      kNameBoxSubclass, reinterpret_cast<DWORD_PTR>(this));
    pellucor::MarkModeless(hwnd_.get());
    pellucor::CenterForm(hwnd_.get());
    form_.emplace(parts_, *this);
    form_->Form_Load();
}

LRESULT CALLBACK ConfigUploadWindow::NameBoxProc(HWND hwnd, UINT message, WPARAM wParam,
                                                 LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<ConfigUploadWindow*>(data);
    switch (message) {
        case WM_GETDLGCODE:
            // Enter belongs to the box (it picks a profile), not to the dialog's keyboard.
            if (const auto* msg = reinterpret_cast<const MSG*>(lParam);
                msg && msg->wParam == VK_RETURN &&
                (msg->message == WM_KEYDOWN || msg->message == WM_CHAR)) {
                return DLGC_WANTMESSAGE | DefSubclassProc(hwnd, message, wParam, lParam);
            }
            break;
        case WM_CHAR:
            if (wParam == '\r') {
                PostMessageA(self->hwnd_.get(), kNameBoxEnter, 0, 0);
                return 0;  // a one-line box has no use for the character
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &ConfigUploadWindow::NameBoxProc, kNameBoxSubclass);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void ConfigUploadWindow::WindowGone() {
    form_.reset();  // each opening starts from the program state again
}

LRESULT ConfigUploadWindow::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            break;
        case kNameBoxEnter:
            if (form_) {
                form_->txtFileName_KeyPress(13);
            }
            break;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(hwnd_.get(), &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
            return 1;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            SetBkColor(reinterpret_cast<HDC>(wParam), kGrey);
            return reinterpret_cast<LRESULT>(background_.get());
        case WM_CLOSE:
            // The close box leaves without Exit's questions and without a message.
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            pellucor::UnmarkModeless(hwnd);
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (unloadRequested_) {
        unloadRequested_ = false;
        DestroyWindow(hwnd_.get());
        ShowWindow(mainWindow_, SW_SHOW);
        SetForegroundWindow(mainWindow_);
    }
    return 0;
}

void ConfigUploadWindow::OnCommand(int id, int notification) {
    if (!form_) {
        return;
    }
    if (IsValueBox(id)) {
        if (notification == EN_CHANGE) {
            form_->ValueBox_Change();
        }
        return;
    }
    if (id == layout::IDC_cmbFileName) {
        if (notification == CBN_SELCHANGE) {
            OnProfileChosen();
        }
        return;
    }
    if (notification != BN_CLICKED) {
        return;
    }
    const auto checked = [this](int box) {
        return IsDlgButtonChecked(hwnd_.get(), box) == BST_CHECKED;
    };
    switch (id) {
        case layout::IDC_Check1:
            form_->Check1_Click(checked(id));
            break;
        case layout::IDC_Check2:
            form_->Check2_Click(checked(id));
            break;
        case layout::IDC_Command4:
            form_->Command4_Click();
            break;
        case layout::IDC_Command1:
            form_->Command1_Click();
            break;
        case layout::IDC_cmdOK:
            form_->cmdOK_Click();
            break;
        case layout::IDC_Command2:
            form_->Command2_Click();
            break;
        case layout::IDC_Command3:
            form_->Command3_Click();
            break;
        case layout::IDC_Command5:
            form_->Command5_Click();
            break;
        default:
            break;  // Enter and Esc elsewhere in the dialog do nothing
    }
}

void ConfigUploadWindow::OnProfileChosen() {
    HWND list = Control(layout::IDC_cmbFileName);
    const auto index = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) {
        return;
    }
    const auto length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) {
        return;
    }
    std::string entry(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(static_cast<std::size_t>(length));
    form_->cmbFileName_Click(entry);
}

std::string ConfigUploadWindow::Text(ConfigBox box) const {
    return WindowText(Control(IdOf(box)));
}

void ConfigUploadWindow::SetText(ConfigBox box, const std::string& text) {
    SetWindowTextA(Control(IdOf(box)), text.c_str());
}

void ConfigUploadWindow::SetVisible(ConfigPart part, bool visible) {
    ShowWindow(Control(IdOf(part)), visible ? SW_SHOW : SW_HIDE);
}

void ConfigUploadWindow::SetProfileList(const std::vector<std::string>& names) {
    HWND list = Control(layout::IDC_cmbFileName);
    const std::string text = WindowText(list);  // clearing the list must not clear the text
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& name : names) {
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    SetWindowTextA(list, text.c_str());
}

void ConfigUploadWindow::SetMasked(ConfigBox box, bool masked) {
    HWND edit = Control(IdOf(box));
    SendMessageA(edit, EM_SETPASSWORDCHAR, masked ? static_cast<WPARAM>(kMaskCharacter) : 0, 0);
    InvalidateRect(edit, nullptr, TRUE);
}

void ConfigUploadWindow::ShowMessage(const std::string& text, const std::string& title) {
    MessageBoxA(hwnd_.get(), text.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

bool ConfigUploadWindow::AskYesNo(const std::string& text, const std::string& title) {
    return MessageBoxA(hwnd_.get(), text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

void ConfigUploadWindow::Unload() {
    unloadRequested_ = true;
}

}  // namespace qel
