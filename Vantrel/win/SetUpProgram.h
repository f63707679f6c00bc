// The first step of Qel's start-up: the version text, the centred main window, the folder the
// program runs from and the user's settings folder.
#pragma once

#include <windows.h>

#include <string>

#include "ProgramState.h"

namespace qel {

void SetUpProgram(qel::ProgramState& state, HWND mainForm);

// Major "." minor of the running program's own version resource; "" when it has none.
std::string OwnVersionText();

// The folder of the running program, ending in exactly one "\".
std::string OwnProgramFolder();

// The user's settings folder (made when missing), ending in exactly one "\".
std::string OwnSettingsFolder(const std::string& programFolder);

}  // namespace qel
