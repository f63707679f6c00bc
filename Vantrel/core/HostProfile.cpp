// Host profile files: the value transform and the reading and writing of the five lines.
#include "HostProfile.h"

#include <memory>

#include "SequentialReader.h"

namespace qel {

namespace {

std::string ProfilePath(const std::string& folder, const std::string& name) {
    return folder + name + std::string(kProfileExtension);
}

}  // namespace

std::string Scramble(std::string_view text) {
    std::string scrambled(text);
    for (std::size_t i = 0; i < scrambled.size(); ++i) {
        // Index 0 is position 1 (odd).
        const unsigned char mask = i % 2 == 0 ? 0x02 : 0x01;
        scrambled[i] = static_cast<char>(static_cast<unsigned char>(scrambled[i]) ^ mask);
    }
    return scrambled;
}

void LoadHostProfile(ProgramState& state, StatusLine& status, FileSystem& fileSystem) {
    if (state.CurrentFile.empty()) {
        return;
    }
    const std::string path = ProfilePath(state.SettingsFolder, state.CurrentFile);
    if (!fileSystem.FileExists(path)) {
        status.ShowStatus(state.CurrentFile + " file not found", StatusColour::Failure);
        return;
    }

    FileError openError;
    std::optional<std::string> bytes = fileSystem.ReadAll(path, openError);
    if (!bytes) {
        status.ShowStatus(openError.description + " opening " + state.CurrentFile,
                          StatusColour::Failure);
        return;
    }
    SequentialReader reader(std::move(*bytes));

    const auto reportFailure = [&status](const FileError& error, const char* step) {
        status.ShowStatus(error.description + step, StatusColour::Failure);
    };
    constexpr const char* kUserNameStep = " loading user name";

    // The header is skipped unread; a file too short for it fails as the user name does.
    if (const ReadResult<std::string> header = reader.LineInput(); !header.Ok()) {
        reportFailure(*header.error, kUserNameStep);
        return;
    }
    const struct {
        std::string* value;
        const char* failureStep;
    } lines[] = {
        {&state.UserName, kUserNameStep},
        {&state.DestURL, " loading destination URL"},
        {&state.Password, " loading password"},
        {&state.DestPath, " loading path string"},
    };
    for (const auto& line : lines) {
        const ReadResult<std::string> read = reader.LineInput();
        if (!read.Ok()) {
            reportFailure(*read.error, line.failureStep);
            return;
        }
        *line.value = Scramble(read.value);
    }
}

std::optional<FileError> SaveHostProfile(FileSystem& fileSystem, const std::string& folder,
                                         const std::string& name, const std::string& userName,
                                         const std::string& url, const std::string& password,
                                         const std::string& path) {
    FileError openError;
    std::unique_ptr<OutputFile> file =
        fileSystem.OpenForOutput(ProfilePath(folder, name), openError);
    if (!file) {
        return openError;
    }
    const std::string lines[] = {std::string(kProfileHeader), Scramble(userName), Scramble(url),
                                 Scramble(password), Scramble(path)};
    for (const std::string& line : lines) {
        if (std::optional<FileError> error = file->Write(line + "\r\n")) {
            return error;  // unclosed, the new text is dropped and an older profile stays whole
        }
    }
    return file->Close();
}

}  // namespace qel
