// The uninstaller's progress window: which step runs, repainted at each step because the
// removal does not let the message loop run in between.
#pragma once

#include <windows.h>

#include <string>

#include "FormWindow.h"

namespace removal {

class WaitForm {
public:
    explicit WaitForm(HINSTANCE instance);

    HWND Handle() const { return form_.Handle(); }
    void Show();
    void ShowDoing(const std::string& text);  // DoingWhat, then a repaint
    void Unload() { form_.Destroy(); }

private:
    pellucor::FormWindow form_;
};

}  // namespace removal
