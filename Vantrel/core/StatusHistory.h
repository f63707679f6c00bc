// The status history: a short account, kept in a file, of what happened while nobody watched
// the status line. It sees every status text with its colour and keeps the lines worth reading
// the morning after: start-up and exit, Run switched on and off, each new failure and the first
// success after failures. Writing it is best effort: a history that cannot be written never
// stops publishing and never shows on the status line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "MainView.h"
#include "ProgramState.h"

namespace qel {

// A moment on the local clock and how far that clock is ahead of UTC.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int utcOffsetMinutes = 0;
};

class HistoryClock {
public:
    virtual ~HistoryClock() = default;
    virtual LocalTime Now() = 0;
};

// The history file and the one older file it makes way into.
class HistoryFile {
public:
    virtual ~HistoryFile() = default;
    // Bytes in the file now (0 when there is none yet); nullopt when that cannot be told.
    virtual std::optional<std::uint64_t> Size() = 0;
    // Appends the bytes at the end of the file, making the file (and its folder) when missing.
    virtual bool Append(const std::string& bytes) = 0;
    // The file becomes the older file, replacing an older one; the next Append starts anew.
    virtual bool MoveToOlder() = 0;
};

// "2026-12-07T03:14:07+01:00"
std::string IsoTimestamp(const LocalTime& time);

// A status text without the time some failures end in ("Web file not found - 03:14:07"), so
// that the same failure at another moment counts as the same.
std::string WithoutTrailingTime(const std::string& text);

class StatusHistory {
public:
    // The file always stays below this size.
    static constexpr std::uint64_t kMaxBytes = 1024 * 1024;

    // `state` gives the version for the start-up line and the password no line may hold.
    StatusHistory(HistoryFile& file, HistoryClock& clock, const ProgramState& state)
        : file_(file), clock_(clock), state_(state) {}

    void ProgramStarted(bool runSwitch);
    void ProgramEnded();
    // Every text the status line shows, with its colour.
    void Record(const std::string& text, StatusColour colour);

private:
    void Write(const std::string& text);

    HistoryFile& file_;
    HistoryClock& clock_;
    const ProgramState& state_;
    // The last failure written since the last success (without its trailing time); nullopt
    // while nothing has failed since.
    std::optional<std::string> lastFailure_;
};

// The main window as the logic sees it, with every status text also offered to the history.
class RecordedMainView final : public MainView {
public:
    RecordedMainView(MainView& view, StatusHistory& history) : view_(view), history_(history) {}

    void ShowStatus(const std::string& text, StatusColour colour) override;
    std::string PortText() const override { return view_.PortText(); }
    void SetPortText(const std::string& text) override { view_.SetPortText(text); }
    std::string FileNameText() const override { return view_.FileNameText(); }
    void SetFileNameText(const std::string& text) override { view_.SetFileNameText(text); }
    std::string PageTitleText() const override { return view_.PageTitleText(); }
    void SetPageTitleText(const std::string& text) override { view_.SetPageTitleText(text); }
    std::string RefreshText() const override { return view_.RefreshText(); }
    void SetRefreshText(const std::string& text) override { view_.SetRefreshText(text); }
    void SetOutputText(const std::string& text) override { view_.SetOutputText(text); }
    bool RunChecked() const override { return view_.RunChecked(); }
    void SetCaption(const std::string& text) override { view_.SetCaption(text); }
    void CheckFtpMethodItem(MenuChoice choice) override { view_.CheckFtpMethodItem(choice); }
    void CheckCommMethodItem(MenuChoice choice) override { view_.CheckCommMethodItem(choice); }
    void DoEvents() override { view_.DoEvents(); }
    bool AskYesNo(const std::string& question) override { return view_.AskYesNo(question); }

private:
    MainView& view_;
    StatusHistory& history_;
};

// True when the command line carries the switch that starts Run without a click: "/run" or
// "-run" in any case, as a word of its own. Other words are ignored.
bool HasRunSwitch(const std::string& commandLine);

}  // namespace qel
