// The installer's information window.
#include "SetupHelpForm.h"

#include "FindStartupBas.h"
#include "SetupHelpFormLayout.h"
#include "SetupForms.h"

namespace setup {

namespace {

constexpr DWORD kHelpStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

pellucor::FormSpec HelpSpec() {
    return {forms::kHelpFormClass,   forms::kHelpDesignCaption, kHelpStyle,
            forms::kHelpClientWidth, forms::kHelpClientHeight,  pellucor::kLightGrey,
            forms::kHelpControls};
}

}  // namespace

HelpForm::HelpForm(HINSTANCE instance, bool& proceed, std::function<void()> endInstaller)
    : form_(instance, HelpSpec()), proceed_(proceed), endInstaller_(std::move(endInstaller)) {
    form_.SetHandler([this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        return OnMessage(message, wParam, lParam, result);
    });
    // Enter presses "&Install".
    SendMessageA(form_.Control(forms::IDC_Command1), BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    // Form_Load
    pellucor::CenterForm(form_.Handle());
}

void HelpForm::SetText(const std::string& text) {
    form_.SetText(forms::IDC_Text1, text);
}

void HelpForm::Show() {
    ShowWindow(form_.Handle(), SW_SHOW);
    Form_Resize();
    UpdateWindow(form_.Handle());
}

void HelpForm::FocusInstall() {
    SetFocus(form_.Control(forms::IDC_Command1));
}

void HelpForm::Command1_Click() {
    proceed_ = true;
    // The click may arrive as a sent message (assistive technology, UI automation), which the
    // waiting loop's GetMessage handles without returning; this posted one wakes it to look.
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
    form_.Destroy();
}

void HelpForm::Command2_Click() {
    endInstaller_();
}

void HelpForm::Form_Resize() {
    RECT client{};
    if (!form_.Handle() || !GetClientRect(form_.Handle(), &client)) {
        return;
    }
    using forms::IDC_Command1;
    using forms::IDC_Command2;
    const HelpFormMeasures measures{pellucor::PixelsToTwips(client.right, form_.TwipsPerPixelX()),
                                    pellucor::PixelsToTwips(client.bottom, form_.TwipsPerPixelY()),
                                    forms::kHelpControls[0].left,
                                    forms::kHelpControls[0].top,
                                    form_.ControlWidth(IDC_Command1),
                                    form_.ControlHeight(IDC_Command1)};
    const HelpFormPlaces places = LayOutHelpForm(measures);
    form_.MoveControl(forms::IDC_Text1, measures.textLeft, measures.textTop, places.textWidth,
                      places.textHeight);
    form_.MoveControl(IDC_Command1, places.command1Left, places.buttonsTop, measures.buttonWidth,
                      measures.buttonHeight);
    form_.MoveControl(IDC_Command2, places.command2Left, places.buttonsTop,
                      form_.ControlWidth(IDC_Command2), form_.ControlHeight(IDC_Command2));
}

bool HelpForm::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) {
                return false;
            }
            if (LOWORD(wParam) == forms::IDC_Command1) {
                Command1_Click();
                return true;
            }
            if (LOWORD(wParam) == forms::IDC_Command2) {
                Command2_Click();
                return true;
            }
            return false;
        case WM_SIZE:
            Form_Resize();
            return true;
        case DM_GETDEFID:  // asked by the dialog keys on Enter
            result = MAKELRESULT(forms::IDC_Command1, DC_HASDEFID);
            return true;
        case WM_CLOSE:
            // Closing from the frame is the same choice as "&Cancel": otherwise the installer
            // would wait for a window that is gone.
            Command2_Click();
            return true;
        default:
            return false;
    }
}

}  // namespace setup
