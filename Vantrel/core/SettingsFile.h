// The settings file "Leq.ini" in the user's settings folder: six lines, CR LF ended.
//   1 CurrentFile   2 page file name   3 page title   4 refresh text
//   5 FTPMethod     6 CommMethod        (5 and 6 written as " 1 ")
#pragma once

#include <string_view>

#include "FileSystem.h"
#include "MainView.h"
#include "ProgramState.h"

namespace qel {

inline constexpr std::string_view kSettingsFileName = "Leq.ini";
// Where a settings file that could not be read at start-up is kept when a new one is saved.
inline constexpr std::string_view kUnreadableSettingsFileName = "Leq.ini.bad";
inline constexpr std::string_view kProgramCaption = "Pellucor";

// Sets the caption, then reads the settings file into the program state, the page settings of
// the main window and the method menus' check marks. Reports failures on the status line;
// values read before a failure are kept, and state.SettingsFileUnreadable is set. A file that
// another program holds is tried again for about two seconds first.
void LoadSettings(ProgramState& state, MainView& view, FileSystem& fileSystem);

// Writes the settings file, replacing any earlier content only once the whole new text is
// written. A file that could not be read at start-up is first renamed to "Leq.ini.bad"
// (replacing an older one). Reports failures on the status line.
void SaveSettings(ProgramState& state, MainView& view, FileSystem& fileSystem);

}  // namespace qel
