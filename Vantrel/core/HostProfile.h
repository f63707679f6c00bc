// Host profiles: one file per profile, SettingsFolder + name + ".uci", five CR LF ended lines:
// a fixed header, then the user name, the FTP server address, the password and the remote
// folder, each passed through Scramble.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "FileSystem.h"
#include "MainView.h"
#include "ProgramState.h"

namespace qel {

inline constexpr std::string_view kProfileExtension = ".uci";

// The first line of every profile file; readers skip it without looking at it.
inline constexpr std::string_view kProfileHeader = "Pellucor hosts";
static_assert(kProfileHeader.size() == 14);

// Keeps the values from standing readable in the file: each character's code is XORed with 2
// at odd positions (counted from 1) and with 1 at even ones. Applying it twice gives back the
// original text. "abc" -> "cca".
std::string Scramble(std::string_view text);

// False for a name that could open something other than a profile file in the program folder:
// a name that holds \ / : * ? " < > | or a control character, ends in a blank or a dot, or
// whose part before the first dot, blanks trimmed, is a device name (CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, COM0-COM9, LPT0-LPT9 and with superscript 1, 2, 3; any case). Windows opens
// "COM3.uci.tmp" as the serial port, and "..\x" lies outside the folder. Empty is unusable too.
bool IsUsableProfileName(std::string_view name);

// The status text that refuses such a name.
std::string RefusedProfileNameText(const std::string& name);

// The status text that refuses host values an FTP command cannot carry, nullopt when all are
// usable: a CR, LF or NUL in the user name, the password or the remote folder (or page name)
// would end the command early and send the rest as a command of its own.
std::optional<std::string> RefusedHostValuesText(std::string_view userName,
                                                 std::string_view password,
                                                 std::string_view remoteFolder);

// Reads the profile named by state.CurrentFile into UserName, DestURL, Password and DestPath.
// Does nothing when CurrentFile is empty; refuses an unusable name without touching the file
// system; reports failures in red on the status line; values read before a failure are kept.
// False when the file is there but could not be opened (held, or refused for a reason other
// than its absence): worth trying again. A `retry` does not wait for a busy file and does not
// report that it still could not be opened.
bool LoadHostProfile(ProgramState& state, StatusLine& status, FileSystem& fileSystem,
                     bool retry = false);

// Writes the profile file of that name, replacing any file of the same name. Returns the error
// when the file cannot be created or written, or the name is unusable (nothing is then opened);
// reporting it is the caller's job.
std::optional<FileError> SaveHostProfile(FileSystem& fileSystem, const std::string& folder,
                                         const std::string& name, const std::string& userName,
                                         const std::string& url, const std::string& password,
                                         const std::string& path);

}  // namespace qel
