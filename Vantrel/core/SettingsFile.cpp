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
// A scanner or an indexer that holds the file as Qel starts lets go within this time; giving up
// sooner would start Qel without the user's settings.
constexpr std::uint32_t kBusySettingsPatienceMs = 2000;
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

}  // namespace

void LoadSettings(ProgramState& state, MainView& view, FileSystem& fileSystem) {
    view.SetCaption(std::string(kProgramCaption));

    const std::string path = SettingsPath(state);
    if (!fileSystem.FileExists(path)) {
        view.ShowStatus("No current file specified", StatusColour::Highlight);
        state.FTPMethod = kDefaultFtpMethod;
        view.CheckFtpMethodItem(MenuChoice::Method1);
        return;
    }

    FileError openError;
    std::optional<std::string> bytes =
        fileSystem.ReadAllPatiently(path, openError, kBusySettingsPatienceMs);
    if (!bytes) {
        ReportUnreadable(state, view, openError, " opening ini file");
        state.SettingsFileNeverRead = true;
        return;
    }
    SequentialReader reader(std::move(*bytes));

    ReadResult<std::string> read = reader.DelimitedField();
    if (!read.Ok()) {
        ReportUnreadable(state, view, *read.error, " loading current file name");
        return;
    }
    state.CurrentFile = read.value;

    // Lines 2 to 4 are read whole, so leading blanks stay.
    struct TextLine {
        void (MainView::*set)(const std::string&);
        std::string_view failureStep;
    };
    static constexpr TextLine kTextLines[] = {
        {&MainView::SetFileNameText, " loading destination file name"},
        {&MainView::SetPageTitleText, " loading Web page title"},
        {&MainView::SetRefreshText, " loading refresh rate"},
    };
    for (const TextLine& line : kTextLines) {
        read = reader.LineInput();
        if (!read.Ok()) {
            ReportUnreadable(state, view, *read.error, line.failureStep);
            return;
        }
        (view.*line.set)(read.value);
    }

    // A missing or unusable method line falls back to its default without a message.
    state.FTPMethod = ReadByteField(reader).value_or(kDefaultFtpMethod);
    if (state.FTPMethod == 0) {
        state.FTPMethod = 1;
    }
    if (state.FTPMethod == 1) {
        view.CheckFtpMethodItem(MenuChoice::Method1);
    } else if (state.FTPMethod == 2) {
        view.CheckFtpMethodItem(MenuChoice::Method2);
    } else if (state.FTPMethod == 3) {
        view.CheckFtpMethodItem(MenuChoice::Method3);
    } else if (state.FTPMethod == 4) {
        view.CheckFtpMethodItem(MenuChoice::Method4);
    }

    state.CommMethod = ReadByteField(reader).value_or(kDefaultCommMethod);
    if (state.CommMethod == 0) {
        view.CheckCommMethodItem(MenuChoice::Method1);
    } else if (state.CommMethod == 1) {
        view.CheckCommMethodItem(MenuChoice::Method2);
    }
}

void SaveSettings(ProgramState& state, MainView& view, FileSystem& fileSystem) {
    if (state.SettingsFileUnreadable) {
        // What could not be read may still be worth something to its owner.
        const auto error = fileSystem.Rename(
            SettingsPath(state), state.SettingsFolder + std::string(kUnreadableSettingsFileName));
        if (error && error->kind != FileError::Kind::NotFound) {
            ReportFailure(view, *error, kSaveFailureStep);
            return;  // the unreadable file stays where it is rather than be overwritten
        }
        state.SettingsFileUnreadable = false;
        state.SettingsFileNeverRead = false;
    }
    FileError openError;
    std::unique_ptr<OutputFile> file = fileSystem.OpenForOutput(SettingsPath(state), openError);
    if (!file) {
        ReportFailure(view, openError, kSaveFailureStep);
        return;
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
            return;  // unclosed, the new text is dropped and the old file stays whole
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
    }
}

}  // namespace qel
