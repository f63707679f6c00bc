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

// Reads the profile named by state.CurrentFile into UserName, DestURL, Password and DestPath.
// Does nothing when CurrentFile is empty; reports failures in red on the status line; values
// read before a failure are kept.
void LoadHostProfile(ProgramState& state, StatusLine& status, FileSystem& fileSystem);

// Writes the profile file of that name, replacing any file of the same name. Returns the error
// when the file cannot be created or written; reporting it is the caller's job.
std::optional<FileError> SaveHostProfile(FileSystem& fileSystem, const std::string& folder,
                                         const std::string& name, const std::string& userName,
                                         const std::string& url, const std::string& password,
                                         const std::string& path);

}  // namespace qel
