// Host profile files: the value transform and the reading and writing of the five lines.
#include "HostProfile.h"

#include <algorithm>
#include <array>
#include <memory>

#include "SequentialReader.h"
#include "SettingsFile.h"

namespace qel {

namespace {

// The name is the text the user typed or Leq.ini holds.
std::string ProfilePath(FileSystem& fileSystem, const std::string& folder,
                        const std::string& name) {
    return folder + fileSystem.PathFromText(name) + std::string(kProfileExtension);
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Upper(x) == Upper(y); });
}

// Windows also takes the superscript digits one, two and three (ANSI codes B9, B2, B3) as port
// numbers.
bool IsPortDigit(char c) {
    const auto code = static_cast<unsigned char>(c);
    return (c >= '0' && c <= '9') || code == 0xB9 || code == 0xB2 || code == 0xB3;
}

bool IsDeviceName(std::string_view stem) {
    static constexpr std::array<std::string_view, 6> kDevices{"CON", "PRN",    "AUX",
                                                              "NUL", "CONIN$", "CONOUT$"};
    for (const std::string_view device : kDevices) {
        if (SameIgnoringCase(stem, device)) {
            return true;
        }
    }
    return stem.size() == 4 && IsPortDigit(stem[3]) &&
           (SameIgnoringCase(stem.substr(0, 3), "COM") ||
            SameIgnoringCase(stem.substr(0, 3), "LPT"));
}

}  // namespace

bool IsUsableProfileName(std::string_view name) {
    if (name.empty() || name.back() == ' ' || name.back() == '.') {
        return false;
    }
    for (const char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F ||
            std::string_view(R"(\/:*?"<>|)").find(c) != std::string_view::npos) {
            return false;
        }
    }
    std::string_view stem = name.substr(0, name.find('.'));
    stem.remove_prefix(std::min(stem.find_first_not_of(' '), stem.size()));
    stem.remove_suffix(stem.size() - (stem.find_last_not_of(' ') + 1));
    return !IsDeviceName(stem);
}

std::string RefusedProfileNameText(const std::string& name) {
    return "Not a usable profile name: " + name;
}

std::optional<std::string> RefusedHostValuesText(std::string_view userName,
                                                 std::string_view password,
                                                 std::string_view remoteFolder) {
    const struct {
        std::string_view value;
        const char* name;
    } values[] = {{userName, "user name"},
                  {password, "password"},
                  {remoteFolder, "remote folder or page name"}};
    for (const auto& [value, name] : values) {
        if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
            return std::string("The ") + name +
                   " holds a line break or a NUL character, which FTP cannot send";
        }
    }
    return std::nullopt;
}

std::string Scramble(std::string_view text) {
    std::string scrambled(text);
    for (std::size_t i = 0; i < scrambled.size(); ++i) {
        // Index 0 is position 1 (odd).
        const unsigned char mask = i % 2 == 0 ? 0x02 : 0x01;
        scrambled[i] = static_cast<char>(static_cast<unsigned char>(scrambled[i]) ^ mask);
    }
    return scrambled;
}

bool LoadHostProfile(ProgramState& state, StatusLine& status, FileSystem& fileSystem, bool retry) {
    if (state.CurrentFile.empty()) {
        return true;
    }
    if (!IsUsableProfileName(state.CurrentFile)) {
        status.ShowStatus(RefusedProfileNameText(state.CurrentFile), StatusColour::Failure);
        return true;
    }
    const std::string path = ProfilePath(fileSystem, state.SettingsFolder, state.CurrentFile);
    FileError openError;
    std::optional<std::string> bytes =
        fileSystem.ReadAllPatiently(path, openError, retry ? 0 : kBusyFilePatienceMs);
    if (!bytes && IsAbsent(openError)) {
        status.ShowStatus(state.CurrentFile + " file not found", StatusColour::Failure);
        return true;
    }
    if (!bytes) {
        if (!retry) {
            status.ShowStatus(openError.description + " opening " + state.CurrentFile,
                              StatusColour::Failure);
        }
        return false;
    }
    SequentialReader reader(std::move(*bytes));

    const auto reportFailure = [&status](const FileError& error, const char* step) {
        status.ShowStatus(error.description + step, StatusColour::Failure);
    };
    constexpr const char* kUserNameStep = " loading user name";

    // The header is skipped unread; a file too short for it fails as the user name does.
    if (const ReadResult<std::string> header = reader.LineInput(); !header.Ok()) {
        reportFailure(*header.error, kUserNameStep);
        return true;
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
            return true;
        }
        *line.value = Scramble(read.value);
    }
    return true;
}

std::optional<FileError> SaveHostProfile(FileSystem& fileSystem, const std::string& folder,
                                         const std::string& name, const std::string& userName,
                                         const std::string& url, const std::string& password,
                                         const std::string& path) {
    if (!IsUsableProfileName(name)) {
        return FileError{FileError::Kind::Other, RefusedProfileNameText(name)};
    }
    FileError openError;
    std::unique_ptr<OutputFile> file =
        fileSystem.OpenForOutput(ProfilePath(fileSystem, folder, name), openError);
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
