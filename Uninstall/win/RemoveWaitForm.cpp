// The uninstaller's progress window.
#include "RemoveWaitForm.h"

#include "FindStartupBas.h"
#include "RemoveForms.h"

namespace removal {

namespace {

pellucor::FormSpec WaitSpec() {
    return {forms::kWaitFormClass,    "",
            WS_POPUP | WS_BORDER,     forms::kWaitClientWidth,
            forms::kWaitClientHeight, pellucor::kLightGrey,
            forms::kWaitControls};
}

}  // namespace

WaitForm::WaitForm(HINSTANCE instance) : form_(instance, WaitSpec()) {
    // Form_Load
    pellucor::CenterForm(form_.Handle());
}

void WaitForm::Show() {
    ShowWindow(form_.Handle(), SW_SHOWNORMAL);
    pellucor::CenterForm(form_.Handle());
    form_.Repaint();
}

void WaitForm::ShowDoing(const std::string& text) {
    form_.SetText(forms::IDC_DoingWhat, text);
    form_.Repaint();
}

}  // namespace removal
