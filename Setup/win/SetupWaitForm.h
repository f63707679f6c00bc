// The installer's progress window: "Installing Pellucor", "Please Wait" and a growing row of
// dots, repainted after every step because the copies do not let the message loop run.
#pragma once

#include <windows.h>

#include <string>

#include "FormWindow.h"

namespace setup {

class WaitForm {
public:
    explicit WaitForm(HINSTANCE instance);

    HWND Handle() const { return form_.Handle(); }
    void Show();
    void SetStatus(const std::string& text);  // Label1
    void SetDots(const std::string& text);    // lblDots
    void Repaint() { form_.Repaint(); }
    void Unload() { form_.Destroy(); }

private:
    pellucor::FormWindow form_;
};

}  // namespace setup
