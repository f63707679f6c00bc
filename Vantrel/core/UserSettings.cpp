// Where each user's settings file and host profiles live, and the carry-over from the program
// folder.
#include "UserSettings.h"

#include <vector>

#include "HostProfile.h"
#include "SettingsFile.h"

namespace qel {

namespace {

// A copy that fails leaves the original where it was; the user's folder then misses it.
void CopyFile(FileSystem& fileSystem, const std::string& from, const std::string& to) {
    FileError error;
    const std::optional<std::string> bytes = fileSystem.ReadAll(from, error);
    if (!bytes) {
        return;
    }
    std::unique_ptr<OutputFile> file = fileSystem.OpenForOutput(to, error);
    if (file && !file->Write(*bytes)) {
        file->Close();
    }
}

}  // namespace

std::string UserSettingsFolder(const std::string& appDataFolder, const std::string& programFolder) {
    if (appDataFolder.empty()) {
        return programFolder;
    }
    return appDataFolder + std::string(kUserSettingsFolderName) + "\\";
}

void CarryOverSettings(const ProgramState& state, FileSystem& fileSystem) {
    const std::string& from = state.ProgramFolder;
    const std::string& to = state.SettingsFolder;
    const std::string settingsFile(kSettingsFileName);
    if (to.empty() || to == from || fileSystem.FileExists(to + settingsFile)) {
        return;
    }
    const std::string ext(kProfileExtension);
    for (const std::string& name : fileSystem.ListFiles(from + "*" + ext)) {
        if (!fileSystem.FileExists(to + name)) {
            CopyFile(fileSystem, from + name, to + name);
        }
    }
    if (fileSystem.FileExists(from + settingsFile)) {
        CopyFile(fileSystem, from + settingsFile, to + settingsFile);
    }
}

}  // namespace qel
