// The installer's information window: the instruction text, "&Install" to go on and "&Cancel"
// to stop. Shown without being modal; the installer waits for the choice in its own loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "FormWindow.h"

namespace setup {

class HelpForm {
public:
    // `proceed` is set by "&Install"; `endInstaller` ends the process ("&Cancel", or a close
    // from the window frame, which means the same).
    HelpForm(HINSTANCE instance, bool& proceed, std::function<void()> endInstaller);

    HWND Handle() const { return form_.Handle(); }
    void SetCaption(const std::string& text) { form_.SetCaption(text); }
    void SetText(const std::string& text);
    void Show();
    void FocusInstall();

    void Command1_Click();
    void Command2_Click();
    void Form_Resize();

private:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    pellucor::FormWindow form_;
    bool& proceed_;
    std::function<void()> endInstaller_;
};

}  // namespace setup
