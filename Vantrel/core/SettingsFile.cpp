// Reading and writing the program settings file "Leq.ini".
#include "SettingsFile.h"

#include <optional>
#include <string>

#include "NumericValue.h"
#include "SequentialReader.h"

namespace qel {

namespace {

constexpr std::uint8_t kDefaultFtpMethod = 1;
constexpr std::uint8_t kDefaultCommMethod = 0;
constexpr std::string_view kSaveFailureStep = " opening ini file to save";

std::string SettingsPath(const ProgramState& state) {
    return state.SettingsFolder + std::string(kSettingsFileName);
}

void ReportFailure(StatusLine& status, const FileError& error, std::string_view step) {
    status.ShowStatus(error.description + std::string(step), StatusColour::Failure);
}

// A load that fails is reported, and the file it could not read is marked to be kept.
void ReportUnreadable(ProgramState& state, StatusLine& status, const FileError& error,
                      std::string_view step) {
    ReportFailure(status, error, step);
    state.SettingsFileUnreadable = true;
}

// A numeric field that must fit an unsigned 8-bit value; nullopt when it cannot be read or does
// not fit.
std::optional<std::uint8_t> ReadByteField(SequentialReader& reader) {
    const ReadResult<double> number = reader.NumericField();
    if (!number.Ok()) {
        return std::nullopt;
    }
    return RoundToByte(number.value);
}

std::string MethodLine(std::uint8_t method) {
    return NumberWithSignBlank(method) + " \r\n";
}

// The defaults of a user who has no settings file yet.
void ApplyDefaults(ProgramState& state, MainView& view, const KeptSettings& kept) {
    if (!kept.ftpMethod) {
        state.FTPMethod = kDefaultFtpMethod;
        view.CheckFtpMethodItem(MenuChoice::Method1);
    }
}

void CheckFtpMethod(MainView& view, std::uint8_t method) {
    if (method == 1) {
        view.CheckFtpMethodItem(MenuChoice::Method1);
    } else if (method == 2) {
        view.CheckFtpMethodItem(MenuChoice::Method2);
    } else if (method == 3) {
        view.CheckFtpMethodItem(MenuChoice::Method3);
    } else if (method == 4) {
        view.CheckFtpMethodItem(MenuChoice::Method4);
    }
}

// The file's lines into the program state and the window, but for the settings kept.
void ApplySettings(std::string bytes, ProgramState& state, MainView& view,
                   const KeptSettings& kept) {
    SequentialReader reader(std::move(bytes));

    ReadResult<std::string> read = reader.DelimitedField();
    if (!read.Ok()) {
        ReportUnreadable(state, view, *read.error, " loading current file name");
        return;
    }
    if (!kept.currentFile) {
        state.CurrentFile = read.value;
    }

    // Lines 2 to 4 are read whole, so leading blanks stay.
    struct TextLine {
        void (MainView::*set)(const std::string&);
        bool KeptSettings::*kept;
        std::string_view failureStep;
    };
    static constexpr TextLine kTextLines[] = {
        {&MainView::SetFileNameText, &KeptSettings::fileName, " loading destination file name"},
        {&MainView::SetPageTitleText, &KeptSettings::pageTitle, " loading Web page title"},
        {&MainView::SetRefreshText, &KeptSettings::refresh, " loading refresh rate"},
    };
    for (const TextLine& line : kTextLines) {
        read = reader.LineInput();
        if (!read.Ok()) {
            ReportUnreadable(state, view, *read.error, line.failureStep);
            return;
        }
        if (!(kept.*line.kept)) {
            (view.*line.set)(read.value);
        }
    }

    // A missing or unusable method line falls back to its default without a message.
    std::uint8_t ftpMethod = ReadByteField(reader).value_or(kDefaultFtpMethod);
    if (ftpMethod == 0) {
        ftpMethod = 1;
    }
    if (!kept.ftpMethod) {
        state.FTPMethod = ftpMethod;
        CheckFtpMethod(view, ftpMethod);
    }

    const std::uint8_t commMethod = ReadByteField(reader).value_or(kDefaultCommMethod);
    if (!kept.commMethod) {
        state.CommMethod = commMethod;
        if (commMethod == 0) {
            view.CheckCommMethodItem(MenuChoice::Method1);
        } else if (commMethod == 1) {
            view.CheckCommMethodItem(MenuChoice::Method2);
        }
    }
}

}  // namespace

void LoadSettings(ProgramState& state, MainView& view, FileSystem& fileSystem) {
    view.SetCaption(std::string(kProgramCaption));

    FileError openError;
    std::optional<std::string> bytes =
        fileSystem.ReadAllPatiently(SettingsPath(state), openError, kBusyFilePatienceMs);
    if (!bytes && IsAbsent(openError)) {
        view.ShowStatus("No current file specified", StatusColour::Highlight);
        ApplyDefaults(state, view, KeptSettings{});
        return;
    }
    if (!bytes) {
        ReportFailure(view, openError, " opening ini file");
        state.SettingsFileNeverRead = true;
        return;
    }
    ApplySettings(std::move(*bytes), state, view, KeptSettings{});
}

bool RetryLoadSettings(ProgramState& state, MainView& view, FileSystem& fileSystem,
                       const KeptSettings& kept) {
    FileError openError;
    std::optional<std::string> bytes = fileSystem.ReadAll(SettingsPath(state), openError);
    if (!bytes && !IsAbsent(openError)) {
        return false;
    }
    state.SettingsFileNeverRead = false;
    if (bytes) {
        ApplySettings(std::move(*bytes), state, view, kept);
    } else {
        ApplyDefaults(state, view, kept);
    }
    return true;
}

bool SaveSettings(ProgramState& state, MainView& view, FileSystem& fileSystem) {
    if (state.SettingsFileNeverRead) {
        // Nothing of it is known: what stood in for it must not wipe the user's settings.
        view.ShowStatus(std::string(kSettingsNotSavedText), StatusColour::Failure);
        return false;
    }
    if (state.SettingsFileUnreadable) {
        // What could not be read may still be worth something to its owner.
        const auto error = fileSystem.Rename(
            SettingsPath(state), state.SettingsFolder + std::string(kUnreadableSettingsFileName));
        if (error && error->kind != FileError::Kind::NotFound) {
            ReportFailure(view, *error, kSaveFailureStep);
            return false;  // the unreadable file stays where it is rather than be overwritten
        }
        state.SettingsFileUnreadable = false;
    }
    FileError openError;
    std::unique_ptr<OutputFile> file = fileSystem.OpenForOutput(SettingsPath(state), openError);
    if (!file) {
        ReportFailure(view, openError, kSaveFailureStep);
        return false;
    }

    const struct {
        std::string text;
        std::string_view failureStep;
    } checkedLines[] = {
        {state.CurrentFile, " saving current file name"},
        {view.FileNameText(), " saving destination file name"},
        {view.PageTitleText(), " saving Web pge title"},
        {view.RefreshText(), " saving refresh ratee"},
    };
    for (const auto& line : checkedLines) {
        if (const std::optional<FileError> error = file->Write(line.text + "\r\n")) {
            ReportFailure(view, *error, line.failureStep);
            return false;  // unclosed, the new text is dropped and the old file stays whole
        }
    }

    // The method lines and the close have no step text of their own; a failure among them
    // keeps the old file whole rather than leave one without its method lines, and is still
    // reported, so that settings that were not saved never pass for saved.
    std::optional<FileError> error = file->Write(MethodLine(state.FTPMethod));
    if (!error) {
        error = file->Write(MethodLine(state.CommMethod));
    }
    if (!error) {
        error = file->Close();
    }
    if (error) {
        ReportFailure(view, *error, kSaveFailureStep);
        return false;
    }
    return true;
}

}  // namespace qel
