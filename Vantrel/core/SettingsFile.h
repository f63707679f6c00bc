// The settings file "Leq.ini" in the user's settings folder: six lines, CR LF ended.
//   1 CurrentFile   2 page file name   3 page title   4 refresh text
//   5 FTPMethod     6 CommMethod        (5 and 6 written as " 1 ")
#pragma once

#include <cstdint>
#include <string_view>

#include "FileSystem.h"
#include "MainView.h"
#include "ProgramState.h"

namespace qel {

inline constexpr std::string_view kSettingsFileName = "Leq.ini";
// Where a settings file that could not be read at start-up is kept when a new one is saved.
inline constexpr std::string_view kUnreadableSettingsFileName = "Leq.ini.bad";
inline constexpr std::string_view kProgramCaption = "Pellucor";

// A scanner or an indexer that holds a file as Qel starts lets go within this time; giving up
// sooner would start Qel without the user's settings.
inline constexpr std::uint32_t kBusyFilePatienceMs = 2000;

// The status text of a settings file that was never read and so is not written over.
inline constexpr std::string_view kSettingsNotSavedText =
    "Leq.ini could not be read, so the settings were not saved";

// The settings the user changed since start-up: a settings file that is read late leaves them
// as the user has them.
struct KeptSettings {
    bool currentFile = false, fileName = false, pageTitle = false, refresh = false;
    bool ftpMethod = false, commMethod = false;
};

// Sets the caption, then reads the settings file into the program state, the page settings of
// the main window and the method menus' check marks. Reports failures on the status line;
// values read before a failure are kept, and state.SettingsFileUnreadable is set. A file that
// another program holds is tried again for about two seconds first; one that still cannot be
// opened, for any reason but its absence, sets state.SettingsFileNeverRead.
void LoadSettings(ProgramState& state, MainView& view, FileSystem& fileSystem);

// One more attempt, without waiting, at a settings file that could not be opened before. True
// once it was opened (or is gone): its values are then applied, except those kept, and
// state.SettingsFileNeverRead is cleared. A failure to open it again is not reported.
bool RetryLoadSettings(ProgramState& state, MainView& view, FileSystem& fileSystem,
                       const KeptSettings& kept);

// Writes the settings file, replacing any earlier content only once the whole new text is
// written. A file that was read but could not be understood is first renamed to "Leq.ini.bad"
// (replacing an older one); one that was never read is never written over (reported in red).
// Reports failures on the status line; true when the settings were saved.
bool SaveSettings(ProgramState& state, MainView& view, FileSystem& fileSystem);

}  // namespace qel
