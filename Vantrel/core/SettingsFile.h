// The program's own settings file "Leq.ini" in the program folder: six lines, CR LF ended.
//   1 CurrentFile   2 page file name   3 page title   4 refresh text
//   5 FTPMethod     6 CommMethod        (5 and 6 written as " 1 ")
#pragma once

#include <string_view>

#include "FileSystem.h"
#include "MainView.h"
#include "ProgramState.h"

namespace qel {

inline constexpr std::string_view kSettingsFileName = "Leq.ini";
inline constexpr std::string_view kProgramCaption = "Pellucor";

// Sets the caption, then reads the settings file into the program state, the page settings of
// the main window and the method menus' check marks. Reports failures on the status line;
// values read before a failure are kept.
void LoadSettings(ProgramState& state, MainView& view, FileSystem& fileSystem);

// Writes the settings file, replacing any earlier content. Reports failures on the status line.
void SaveSettings(const ProgramState& state, MainView& view, FileSystem& fileSystem);

}  // namespace qel
