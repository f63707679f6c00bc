// The instructions window on Win32: a topmost, modeless window showing the instruction file,
// whole or one section of it. The object lives as long as the program; its window is made
// when instructions are shown and discarded when the user closes it.
#pragma once

#include <windows.h>

#include <string>

#include "ControlBuilder.h"
#include "DrawnIcons.h"
#include "Instructions.h"
#include "ProgramState.h"
#include "UniqueWin.h"
#include "WindowObject.h"
#include "Win32FileSystem.h"

namespace qel {

class HelpForm final : public pellucor::WindowObject, public Instructions {
public:
    HelpForm(HINSTANCE instance, const ProgramState& state);
    ~HelpForm() override;

    // Instructions
    void ShowInstructions(const std::string& startMarker, const std::string& endMarker) override;

private:
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void Create();
    void Form_Load();
    void Form_Resize();
    void Command1_Click();
    HWND Control(int id) const { return GetDlgItem(hwnd_.get(), id); }

    HINSTANCE instance_;
    const ProgramState& state_;
    Win32FileSystem files_;
    pellucor::ScreenTwips tpp_;
    pellucor::UniqueBrush background_;
    pellucor::UniqueFont textFont_;
    pellucor::UniqueFont buttonFont_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    // The text box's size in twips, kept when the window is too small to change it.
    int textWidth_ = 0;
    int textHeight_ = 0;
};

}  // namespace qel
