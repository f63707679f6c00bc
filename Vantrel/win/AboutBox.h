// The About box on Win32: names the product, its version and its makers, and opens our web
// site from its link. The main window is hidden while it is open; its "&Ok" brings the main
// window back and discards the box.
#pragma once

#include <windows.h>

#include "ControlBuilder.h"
#include "DrawnIcons.h"
#include "ProgramState.h"
#include "UniqueWin.h"
#include "WindowObject.h"
#include "Win32FileSystem.h"

namespace qel {

class AboutBox final : public pellucor::WindowObject {
public:
    AboutBox(HINSTANCE instance, const ProgramState& state, HWND mainWindow);
    ~AboutBox() override;

    // Hides the main window and shows the box, making it if it is not open.
    void Show();

private:
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void Create();
    void Form_Load();
    void Command1_Click();
    void Label4_Click();
    void OpenWebSite();
    HWND Control(int id) const { return GetDlgItem(hwnd_.get(), id); }

    HINSTANCE instance_;
    const ProgramState& state_;
    HWND mainWindow_;
    Win32FileSystem files_;
    pellucor::ScreenTwips tpp_;
    pellucor::UniqueBrush background_;
    pellucor::UniqueFont titleFont_;
    pellucor::UniqueFont labelFont_;
    pellucor::UniqueFont linkFont_;
    UniqueCursor linkCursor_;
};

}  // namespace qel
