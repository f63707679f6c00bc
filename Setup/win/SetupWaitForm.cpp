// The installer's progress window.
#include "SetupWaitForm.h"

#include "FindStartupBas.h"
#include "SetupForms.h"

namespace setup {

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
}

void WaitForm::SetStatus(const std::string& text) {
    form_.SetText(forms::IDC_Label1, text);
}

void WaitForm::SetDots(const std::string& text) {
    form_.SetText(forms::IDC_lblDots, text);
}

}  // namespace setup
