// Where each user's settings file and host profiles live: a folder of the user's own in the
// application-data shell folder, so Qel can keep them without any right to write to its
// program folder, and every user of a shared PC has their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FileSystem.h"
#include "ProgramState.h"

namespace qel {

inline constexpr std::string_view kUserSettingsFolderName = "Pellucor";

// The per-user settings folder inside the application-data folder, ending in "\"; the program
// folder when the application-data folder is unknown, as Qel kept its settings before.
std::string UserSettingsFolder(const std::string& appDataFolder, const std::string& programFolder);

// Carries an earlier install's settings over: while the user's settings folder holds no settings
// file, the settings file and the host profiles found in the program folder are copied there byte
// for byte. A profile the user's folder already holds is left as it is; the settings file is
// copied last, and only once every profile is across, so the carry-over is done only once the
// settings file is whole in the user's folder. A file of the user's counts as missing only when
// it is not there: one that cannot be opened for another reason is never replaced. The program
// folder is never changed. A file held by another program is waited for up to `patienceMs`. The
// error (its description naming the file) is returned while the carry-over is unfinished and worth
// trying again; nullopt when it is done or there is nothing to carry over.
std::optional<FileError> CarryOverSettings(const ProgramState& state, FileSystem& fileSystem,
                                           std::uint32_t patienceMs);

}  // namespace qel
