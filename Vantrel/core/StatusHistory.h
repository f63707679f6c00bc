// The status history: a short account, kept in a file, of what happened while nobody watched
// the status line. It sees every status text with its colour and keeps the lines worth reading
// the morning after: start-up and exit, Run switched on and off, each new failure and the first
// success after failures. Writing it is best effort: a history that cannot be written never
// stops publishing and never shows on the status line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
    // A steady count of milliseconds, for how often a line may be repeated: the local clock
    // can jump.
    virtual std::uint64_t Milliseconds() = 0;
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
    // Drops the older half of the file, from the start of a line on: the way to stay below the
    // size when the older file cannot be replaced.
    virtual bool KeepNewestHalf() = 0;
};

// "2026-12-07T03:14:07+01:00"
std::string IsoTimestamp(const LocalTime& time);

// A status text without the time some failures end in ("Web file not found - 03:14:07"), so
// that the same failure at another moment counts as the same.
std::string WithoutTrailingTime(const std::string& text);

// What a status text is about, for the history to tell which failures a success ends: an
// established port ends serial failures, a page on the host ends the others.
enum class StatusTopic { Upload, Serial };

// Where the status texts go besides the status line.
class StatusRecorder {
public:
    virtual ~StatusRecorder() = default;
    // Every text the status line shows, and every failure it could not show because another
    // stood; with its colour and what it is about.
    virtual void Record(const std::string& text, StatusColour colour, StatusTopic topic) = 0;
};

class StatusHistory final : public StatusRecorder {
public:
    // The file always stays below this size.
    static constexpr std::uint64_t kMaxBytes = 1024 * 1024;
    // A failure that keeps coming back is written again at most this often.
    static constexpr std::uint64_t kRepeatLineMs = 60'000;
    // How many different failures are counted at once; the oldest makes way for a new one.
    static constexpr std::size_t kCountedFailures = 16;

    // `state` gives the version for the start-up line.
    StatusHistory(HistoryFile& file, HistoryClock& clock, const ProgramState& state)
        : file_(file), clock_(clock), state_(state) {}

    void ProgramStarted(bool runSwitch);
    void ProgramEnded();
    void Record(const std::string& text, StatusColour colour,
                StatusTopic topic = StatusTopic::Upload) override;
    // A line for something the status line never shows (a setting not saved at exit).
    void Note(const std::string& text) { Write(text); }

private:
    // A failure written since the last success of its topic, and how often it came back.
    struct Repeating {
        std::string text;  // without its trailing time
        StatusTopic topic;
        std::uint64_t lineAt;     // when its last line was written
        std::uint64_t unwritten;  // times it came back since
    };
    void RecordFailure(const std::string& text, StatusTopic topic);
    // The "repeated N times" line of a failure that came back since its last line.
    void WriteRepeats(const Repeating& failure);
    void Write(const std::string& text);

    HistoryFile& file_;
    HistoryClock& clock_;
    const ProgramState& state_;
    // Each failure counted on its own, so that two that alternate are each written once and
    // counted, oldest first.
    std::vector<Repeating> failures_;
    // Failures of each topic written since a success of that topic.
    bool uploadFailed_ = false;
    bool serialFailed_ = false;
};

}  // namespace qel
