// In-memory stand-ins for the interfaces the OS-free logic of Qel talks to, for the native
// tests. Everything they see or do is kept in public fields for the tests to set and check.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Clock.h"
#include "FileSystem.h"
#include "MainView.h"
#include "StatusHistory.h"

namespace qel {

using StatusMessage = std::pair<std::string, StatusColour>;

// Readable names in test failure messages.
inline void PrintTo(StatusColour colour, std::ostream* os) {
    *os << (colour == StatusColour::Failure ? "Failure" : "Highlight");
}
inline void PrintTo(MenuChoice choice, std::ostream* os) {
    *os << (choice == MenuChoice::None      ? "None"
            : choice == MenuChoice::Method1 ? "Method1"
            : choice == MenuChoice::Method2 ? "Method2"
                                            : "Method3");
}

// The main window; also serves wherever a bare StatusLine is wanted.
class FakeMainView : public MainView {
public:
    // StatusLine
    void ShowStatus(const std::string& text, StatusColour colour) override {
        statusHistory.emplace_back(text, colour);
    }
    // The message showing now; an empty highlight-coloured one when nothing was shown.
    StatusMessage LastStatus() const {
        return statusHistory.empty() ? StatusMessage{"", StatusColour::Highlight}
                                     : statusHistory.back();
    }

    // MainView
    std::string PortText() const override { return portText; }
    void SetPortText(const std::string& text) override { portText = text; }
    std::string FileNameText() const override { return fileNameText; }
    void SetFileNameText(const std::string& text) override { fileNameText = text; }
    std::string PageTitleText() const override { return pageTitleText; }
    void SetPageTitleText(const std::string& text) override { pageTitleText = text; }
    std::string RefreshText() const override { return refreshText; }
    void SetRefreshText(const std::string& text) override { refreshText = text; }
    void SetOutputText(const std::string& text) override {
        outputText = text;
        outputHistory.push_back(text);
    }
    bool RunChecked() const override { return runChecked; }
    void SetCaption(const std::string& text) override { caption = text; }
    void CheckFtpMethodItem(MenuChoice choice) override {
        ftpMethodItem = choice;
        ftpMethodChecks.push_back(choice);
    }
    void CheckCommMethodItem(MenuChoice choice) override {
        commMethodItem = choice;
        commMethodChecks.push_back(choice);
    }
    void DoEvents() override {
        ++doEventsCalls;
        if (onDoEvents) {
            onDoEvents();
        }
    }

    std::string portText;
    std::string fileNameText;
    std::string pageTitleText;
    std::string refreshText;
    std::string outputText;
    std::vector<std::string> outputHistory;  // every text given to SetOutputText
    bool runChecked = false;
    std::string caption;
    MenuChoice ftpMethodItem = MenuChoice::None;  // the item carrying the check mark
    MenuChoice commMethodItem = MenuChoice::None;
    std::vector<MenuChoice> ftpMethodChecks;  // every CheckFtpMethodItem call
    std::vector<MenuChoice> commMethodChecks;
    std::vector<StatusMessage> statusHistory;
    bool AskYesNo(const std::string& question) override {
        questions.push_back(question);
        if (onAsk) {
            onAsk();
        }
        return answerYes;
    }
    int doEventsCalls = 0;
    std::vector<std::string> questions;
    bool answerYes = false;
    std::function<void()> onAsk;       // runs while the question is open
    std::function<void()> onDoEvents;  // runs inside each DoEvents (e.g. to switch Run off)
};

// A file system held in memory: path -> bytes, paths compared exactly.
class FakeFileSystem : public FileSystem {
public:
    // Makes the writes to a path fail from its n-th write (1-based) on, after each open.
    struct WriteFailure {
        std::size_t fromWrite = 1;
        FileError error;
    };

    std::unique_ptr<OutputFile> OpenForOutput(const std::string& path, FileError& error) override {
        openedForOutput.push_back(path);
        if (const auto it = openErrors.find(path); it != openErrors.end()) {
            error = it->second;
            return nullptr;
        }
        return std::make_unique<File>(*this, path);
    }

    std::optional<FileError> Rename(const std::string& from, const std::string& to) override {
        renames.emplace_back(from, to);
        if (const auto it = renameErrors.find(from); it != renameErrors.end()) {
            return it->second;
        }
        const auto it = files.find(from);
        if (it == files.end()) {
            return FileError{FileError::Kind::NotFound, "File not found"};
        }
        files[to] = std::move(it->second);
        files.erase(from);
        return std::nullopt;
    }

    std::optional<std::string> ReadAll(const std::string& path, FileError& error) override {
        readPaths.push_back(path);
        if (auto it = busyReads.find(path); it != busyReads.end() && it->second > 0) {
            --it->second;
            error = BusyError();
            return std::nullopt;
        }
        if (const auto it = readErrors.find(path); it != readErrors.end()) {
            error = it->second;
            return std::nullopt;
        }
        if (const auto it = files.find(path); it != files.end()) {
            return it->second;
        }
        error = FileError{FileError::Kind::NotFound, "File not found"};
        return std::nullopt;
    }

    // Files whose path is the pattern's folder plus a name with the pattern's ending
    // ("C:\Qel\*.uci"), or the one file a pattern without "*" names; hidden ones left out,
    // in path order.
    std::vector<std::string> ListFiles(const std::string& pattern) override {
        const auto star = pattern.find('*');
        if (star == std::string::npos) {  // one exact name
            if (files.count(pattern) == 0 || hiddenFiles.count(pattern) != 0) {
                return {};
            }
            return {pattern.substr(pattern.find_last_of('\\') + 1)};
        }
        const std::string folder = pattern.substr(0, star);
        const std::string ending = star == std::string::npos ? "" : pattern.substr(star + 1);
        std::vector<std::string> names;
        for (const auto& [path, bytes] : files) {
            const std::string name = path.substr(std::min(folder.size(), path.size()));
            if (path.rfind(folder, 0) == 0 && name.find('\\') == std::string::npos &&
                name.size() >= ending.size() &&
                name.compare(name.size() - ending.size(), ending.size(), ending) == 0 &&
                hiddenFiles.count(path) == 0) {
                names.push_back(name);
            }
        }
        return names;
    }

    bool FileExists(const std::string& path) override {
        return files.count(path) != 0 && unlisted.count(path) == 0;
    }

    std::string SpecialFolderPath(int csidl) override {
        const auto it = specialFolders.find(csidl);
        return it == specialFolders.end() ? std::string() : it->second;
    }

    void Pause(std::uint32_t milliseconds) override { pausedMs += milliseconds; }

    std::string TextFromPath(const std::string& path) override {
        const auto it = textsOfPaths.find(path);
        return it == textsOfPaths.end() ? path : it->second;
    }

    // A typical error of each kind, for injecting.
    static FileError AccessError() { return {FileError::Kind::Access, "Path/File access error"}; }
    static FileError BusyError() {
        return {FileError::Kind::Busy,
                "The process cannot access the file because it is being used by another "
                "process."};
    }
    static FileError OtherError(std::string description = "Disk full") {
        return {FileError::Kind::Other, std::move(description)};
    }

    std::map<std::string, std::string> files;
    std::map<std::string, FileError> openErrors;  // OpenForOutput fails for these paths
    std::map<std::string, WriteFailure> writeErrors;
    std::map<std::string, FileError> closeErrors;   // Close fails: the old content stays
    std::map<std::string, FileError> readErrors;    // ReadAll fails (FileExists still true)
    std::map<std::string, FileError> renameErrors;  // Rename fails for these source paths
    std::map<std::string, int> busyReads;       // ReadAll finds these paths busy this many times
    std::map<int, std::string> specialFolders;  // csidl -> folder ending in "\"
    std::map<std::string, std::string> textsOfPaths;  // where TextFromPath changes the path
    std::set<std::string> hiddenFiles;                // listed by no ListFiles
    std::set<std::string> unlisted;  // FileExists says no (a refused listing); ReadAll reads them

    std::vector<std::string> openedForOutput;  // every OpenForOutput call, failed ones too
    std::vector<std::string> closedPaths;      // every Close call
    std::vector<std::string> readPaths;        // every ReadAll call
    std::vector<std::pair<std::string, std::string>> renames;  // every Rename call
    int openOutputFiles = 0;     // opened and not yet closed or destroyed
    std::uint32_t pausedMs = 0;  // all the Pause calls together

private:
    class File : public OutputFile {
    public:
        File(FakeFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {
            ++fs_.openOutputFiles;
        }
        ~File() override {
            if (!closed_) {
                --fs_.openOutputFiles;
            }
        }
        std::optional<FileError> Write(const std::string& bytes) override {
            ++writes_;
            if (const auto it = fs_.writeErrors.find(path_);
                it != fs_.writeErrors.end() && writes_ >= it->second.fromWrite) {
                return it->second.error;
            }
            written_ += bytes;
            return std::nullopt;
        }
        // The file takes the new content only when the close succeeds, as on disk.
        std::optional<FileError> Close() override {
            fs_.closedPaths.push_back(path_);
            if (closed_) {
                return std::nullopt;
            }
            closed_ = true;
            --fs_.openOutputFiles;
            if (const auto it = fs_.closeErrors.find(path_); it != fs_.closeErrors.end()) {
                return it->second;
            }
            fs_.files[path_] = written_;
            return std::nullopt;
        }

    private:
        FakeFileSystem& fs_;
        std::string path_;
        std::string written_;
        std::size_t writes_ = 0;
        bool closed_ = false;
    };
};

class FakeClock : public Clock {
public:
    std::string ShortDate() override { return shortDate; }
    std::string LongTime() override { return longTime; }
    std::uint64_t Milliseconds() override { return milliseconds; }

    std::string shortDate = "12/07/2026";
    std::string longTime = "10:11:12 AM";
    std::uint64_t milliseconds = 0;
};

// The history beside the status line: what it was given, in order.
struct FakeStatusRecorder : StatusRecorder {
    struct Line {
        std::string text;
        StatusColour colour;
        StatusTopic topic;
    };
    void Record(const std::string& text, StatusColour colour, StatusTopic topic) override {
        lines.push_back({text, colour, topic});
    }
    bool Holds(const std::string& text) const {
        return std::any_of(lines.begin(), lines.end(),
                           [&text](const Line& line) { return line.text == text; });
    }
    std::vector<Line> lines;
};

}  // namespace qel
