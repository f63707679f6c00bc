// Where each user's settings file and host profiles live, and the carry-over from the program
// folder.
#include "UserSettings.h"

#include <vector>

#include "HostProfile.h"
#include "SettingsFile.h"

namespace qel {

namespace {

// A copy that fails leaves the original where it was. A file held by another program (either
// end) is worth trying again: its error is returned. After any other failure the user's folder
// goes without the file, as it would without an earlier install.
std::optional<FileError> CopyFile(FileSystem& fileSystem, const std::string& from,
                                  const std::string& to, std::uint32_t patienceMs) {
    FileError error;
    const std::optional<std::string> bytes = fileSystem.ReadAllPatiently(from, error, patienceMs);
    if (!bytes) {
        return error.kind == FileError::Kind::Busy ? std::optional(error) : std::nullopt;
    }
    std::unique_ptr<OutputFile> file = fileSystem.OpenForOutput(to, error);
    std::optional<FileError> failure = file ? file->Write(*bytes) : std::optional(error);
    if (!failure) {
        failure = file->Close();
    }
    if (failure && failure->kind == FileError::Kind::Busy) {
        return failure;
    }
    return std::nullopt;
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
    if (to.empty() || to == from || fileSystem.FileExists(to + settingsFile)) {
        return std::nullopt;
    }
    const std::string ext(kProfileExtension);
    std::optional<FileError> held;
    for (const std::string& name : fileSystem.ListFiles(from + "*" + ext)) {
        if (!fileSystem.FileExists(to + name)) {
            if (auto error = CopyFile(fileSystem, from + name, to + name, patienceMs)) {
                held = error;
            }
        }
    }
    if (held) {
        return held;  // the settings file waits, so that the next attempt still carries over
    }
    if (fileSystem.FileExists(from + settingsFile)) {
        return CopyFile(fileSystem, from + settingsFile, to + settingsFile, patienceMs);
    }
    return std::nullopt;
}

}  // namespace qel
