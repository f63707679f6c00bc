// Where each user's settings file and host profiles live, and the carry-over from the program
// folder.
#include "UserSettings.h"

#include <vector>

#include "HostProfile.h"
#include "SettingsFile.h"

namespace qel {

namespace {

// Whether the user's folder already holds a file, told by opening it: only a file that is not
// there counts as missing. One that cannot be opened just now (held, refused, on a network
// share that is not up yet) is there all the same, and is never replaced by the program
// folder's older copy; reading it is the settings' and profiles' own business.
bool Holds(FileSystem& fileSystem, const std::string& path) {
    FileError error;
    return fileSystem.ReadAll(path, error) || !IsAbsent(error);
}

// A copy that fails leaves the original where it was and returns its error, the step named in
// it: a file held by another program (Busy) is worth trying again at once, any other failure
// (a full disk, a quota) at the next start. An original that is not there is nothing to copy.
std::optional<FileError> CopyFile(FileSystem& fileSystem, const std::string& from,
                                  const std::string& to, const std::string& name,
                                  std::uint32_t patienceMs) {
    FileError error;
    const std::optional<std::string> bytes =
        fileSystem.ReadAllPatiently(from + name, error, patienceMs);
    std::optional<FileError> failure;
    if (!bytes) {
        failure = IsAbsent(error) ? std::nullopt : std::optional(error);
    } else if (auto file = fileSystem.OpenForOutput(to + name, error)) {
        failure = file->Write(*bytes);
        if (!failure) {
            failure = file->Close();
        }
    } else {
        failure = error;
    }
    if (failure) {
        failure->description += " carrying over " + fileSystem.TextFromPath(name);
    }
    return failure;
}

}  // namespace

std::string UserSettingsFolder(const std::string& appDataFolder, const std::string& programFolder) {
    if (appDataFolder.empty()) {
        return programFolder;
    }
    return appDataFolder + std::string(kUserSettingsFolderName) + "\\";
}

std::optional<FileError> CarryOverSettings(const ProgramState& state, FileSystem& fileSystem,
                                           std::uint32_t patienceMs) {
    const std::string& from = state.ProgramFolder;
    const std::string& to = state.SettingsFolder;
    const std::string settingsFile(kSettingsFileName);
    if (to.empty() || to == from || Holds(fileSystem, to + settingsFile)) {
        return std::nullopt;
    }
    const std::string ext(kProfileExtension);
    std::optional<FileError> failed;
    for (const std::string& name : fileSystem.ListFiles(from + "*" + ext)) {
        if (Holds(fileSystem, to + name)) {
            continue;
        }
        auto error = CopyFile(fileSystem, from, to, name, patienceMs);
        if (error && (!failed || failed->kind != FileError::Kind::Busy)) {
            failed = error;  // a held file is worth saying: it is tried again soonest
        }
    }
    if (failed) {
        return failed;  // the settings file waits, so that the next attempt still carries over
    }
    return CopyFile(fileSystem, from, to, settingsFile, patienceMs);
}

}  // namespace qel
