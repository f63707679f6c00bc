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

// A control, or a part of one (the combo box's edit), that is shown and takes input.
bool CanTakeFocus(HWND dialog, HWND control) {
    if (!control || !IsChild(dialog, control)) {
        return false;
    }
    for (HWND w = control; w && w != dialog; w = GetParent(w)) {
        const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
        if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) {
            return false;
        }
    }
    return true;
}

}  // namespace

// One opening of the dialog: its logic, and what that logic sees of the window. A handler that
// resumes after the window has gone finds no window here and changes nothing on the screen;
// a dialog opened again meanwhile is a new Opening with flags of its own.
class ConfigUploadWindow::Opening final : public ConfigUploadView {
public:
    Opening(HWND dialog, const ConfigUploadParts& parts) : window(dialog), form(parts, *this) {}

    std::string Text(ConfigBox box) const override { return WindowText(Control(IdOf(box))); }
    void SetText(ConfigBox box, const std::string& text) override {
        SetWindowTextA(Control(IdOf(box)), text.c_str());
    }
    void SetVisible(ConfigPart part, bool visible) override {
        HWND control = Control(IdOf(part));
        if (!visible) {
            LeaveBeforeHiding(control);
        }
        ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    }
    void SetProfileList(const std::vector<std::string>& names) override {
        HWND list = Control(layout::IDC_cmbFileName);
        const std::string text = WindowText(list);  // clearing the list must not clear the text
        SendMessageA(list, CB_RESETCONTENT, 0, 0);
        for (const std::string& name : names) {
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        }
        SetWindowTextA(list, text.c_str());
    }
    void SetMasked(ConfigBox box, bool masked) override {
        HWND edit = Control(IdOf(box));
        SendMessageA(edit, EM_SETPASSWORDCHAR, masked ? static_cast<WPARAM>(kMaskCharacter) : 0, 0);
        InvalidateRect(edit, nullptr, TRUE);
    }
    void ShowMessage(const std::string& text, const std::string& title) override {
        if (window) {
            MessageBoxA(window, text.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION);
        }
    }
    bool AskYesNo(const std::string& text, const std::string& title) override {
        return window && MessageBoxA(window, text.c_str(), title.c_str(),
                                     MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    void Unload() override { unloadRequested = true; }

    HWND window;               // null once the window is gone
    HWND lastFocus = nullptr;  // the control that had the focus when the dialog was left
    int running = 0;           // handlers under way; they nest through the message loop
    bool unloadRequested = false;
    ConfigUploadForm form;

private:
    HWND Control(int id) const { return window ? GetDlgItem(window, id) : nullptr; }

    // A hidden control keeps the focus without showing it: the keyboard moves on to the next
    // control, now or when the dialog is next activated.
    void LeaveBeforeHiding(HWND control) {
        const auto within = [control](HWND focus) {
            return focus && (focus == control || IsChild(control, focus));
        };
        if (!within(GetFocus()) && !within(lastFocus)) {
            return;
        }
        HWND next = GetNextDlgTabItem(window, control, FALSE);
        lastFocus = next != control ? next : nullptr;
        if (within(GetFocus()) && lastFocus) {
            SetFocus(lastFocus);
        }
    }
};

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

ConfigUploadForm* ConfigUploadWindow::Form() {
    return opening_ ? &opening_->form : nullptr;
}

void ConfigUploadWindow::Show() {
    if (!hwnd_) {
        Create();
    }
    if (hwnd_) {
        ShowWindow(hwnd_.get(), SW_SHOW);
        SetForegroundWindow(hwnd_.get());
        if (GetActiveWindow() == hwnd_.get()) {
            RestoreFocus();  // activation restores it too, but an active dialog is not activated
        }
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
    SetWindowSubclass(Control(layout::IDC_txtFileName), &ConfigUploadWindow::NameBoxProc,
                      kNameBoxSubclass, reinterpret_cast<DWORD_PTR>(this));
    pellucor::MarkModeless(hwnd_.get());
    pellucor::CenterForm(hwnd_.get());
    opening_ = std::make_shared<Opening>(hwnd_.get(), parts_);
    opening_->SetMasked(ConfigBox::txtUserName, true);
    opening_->SetMasked(ConfigBox::txtPassword, true);
    Run([](ConfigUploadForm& form) { form.Form_Load(); });
}

bool ConfigUploadWindow::HelpKeyPressed() {
    if (!hwnd_ || GetActiveWindow() != hwnd_.get()) {
        return false;
    }
    Run([](ConfigUploadForm& form) { form.Command5_Click(); });
    return true;
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
    // Each opening starts from the program state again. A handler still running keeps its
    // logic alive until it returns, and finds no window any more.
    if (opening_) {
        opening_->window = nullptr;
        opening_.reset();
    }
}

void ConfigUploadWindow::Run(const std::function<void(ConfigUploadForm&)>& handler) {
    const std::shared_ptr<Opening> opening = opening_;
    if (!opening) {
        return;
    }
    ++opening->running;
    try {
        handler(opening->form);
    } catch (...) {
        --opening->running;
        throw;
    }
    --opening->running;
    // Exit asks for the window to go while the logic still runs; it goes once no handler of
    // this opening is left.
    if (opening->running == 0 && opening->unloadRequested && opening->window) {
        opening->unloadRequested = false;
        DestroyWindow(opening->window);
        ShowWindow(mainWindow_, SW_SHOW);
        SetForegroundWindow(mainWindow_);
    }
}

void ConfigUploadWindow::SaveFocus() {
    HWND focus = GetFocus();
    if (opening_ && CanTakeFocus(hwnd_.get(), focus)) {
        opening_->lastFocus = focus;
    }
}

void ConfigUploadWindow::RestoreFocus() {
    HWND target = opening_ ? opening_->lastFocus : nullptr;
    if (!CanTakeFocus(hwnd_.get(), target)) {
        target = Control(layout::kControls.front().id);  // the first box in tab order
    }
    SetFocus(target);
}

LRESULT ConfigUploadWindow::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case kNameBoxEnter:
            Run([](ConfigUploadForm& form) { form.txtFileName_KeyPress(13); });
            return 0;
        case WM_ACTIVATE:
            // A plain window gives the focus to its frame on activation; the keyboard belongs
            // in the control the user left (after a message box, after switching programs).
            if (LOWORD(wParam) == WA_INACTIVE) {
                SaveFocus();
            } else if (!HIWORD(wParam)) {
                RestoreFocus();
            }
            return 0;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(hwnd, &client);
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
}

void ConfigUploadWindow::OnCommand(int id, int notification) {
    if (IsValueBox(id)) {
        if (notification == EN_CHANGE) {
            Run([](ConfigUploadForm& form) { form.ValueBox_Change(); });
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
    const bool checked = IsDlgButtonChecked(hwnd_.get(), id) == BST_CHECKED;
    switch (id) {
        case layout::IDC_Check1:
            Run([checked](ConfigUploadForm& form) { form.Check1_Click(checked); });
            break;
        case layout::IDC_Check2:
            Run([checked](ConfigUploadForm& form) { form.Check2_Click(checked); });
            break;
        case layout::IDC_Command4:
            Run([](ConfigUploadForm& form) { form.Command4_Click(); });
            break;
        case layout::IDC_Command1:
            Run([](ConfigUploadForm& form) { form.Command1_Click(); });
            break;
        case layout::IDC_cmdOK:
            Run([](ConfigUploadForm& form) { form.cmdOK_Click(); });
            break;
        case layout::IDC_Command2:
            Run([](ConfigUploadForm& form) { form.Command2_Click(); });
            break;
        case layout::IDC_Command3:
            Run([](ConfigUploadForm& form) { form.Command3_Click(); });
            break;
        case layout::IDC_Command5:
            Run([](ConfigUploadForm& form) { form.Command5_Click(); });
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
    // The length asked for first may overstate double-byte text: the copy says how long it is.
    const auto room = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (room == CB_ERR) {
        return;
    }
    std::string entry(static_cast<std::size_t>(room) + 1, '\0');
    const auto length = SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(entry.data()));
    if (length == CB_ERR) {
        return;
    }
    entry.resize(static_cast<std::size_t>(length));
    Run([&entry](ConfigUploadForm& form) { form.cmbFileName_Click(entry); });
}

}  // namespace qel
