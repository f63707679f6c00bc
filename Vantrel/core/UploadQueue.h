// The bookkeeping of the page's uploads, whatever the method: one upload at a time, the newest
// written page waiting behind it, the guard that keeps a late report from covering a newer
// message, the overall limit of an upload, and the watchdog that speaks up when blocks keep
// coming but no page has reached the web host for a long time. Every status text of the main
// window goes through it, so that it sees all of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Clock.h"
#include "MainView.h"
#include "StatusHistory.h"

namespace qel {

// "Upload given up after 120 seconds": an upload that ran past its overall limit.
std::string UploadLimitText(std::uint64_t limitMs);

class UploadQueue {
public:
    // An upload that has not ended this long after its start is given up.
    static constexpr std::uint64_t kOverallLimitMs = 120'000;
    // The transfer component reports its own limit; this covers one that never reports.
    static constexpr std::uint64_t kReportGraceMs = 5'000;
    // Blocks coming in for this long with no page reaching the host is worth a red text.
    static constexpr std::uint64_t kWatchdogMs = 10 * 60'000;

    UploadQueue(StatusLine& shown, StatusRecorder& history, Clock& clock,
                std::uint64_t overallLimitMs = kOverallLimitMs)
        : shown_(shown), history_(history), clock_(clock), limitMs_(overallLimitMs) {}

    // The guard. A failure, and "Run stopped", stand until a newer message replaces them;
    // progress never does, and an upload's success only replaces what stood before it started.
    void Fail(const std::string& text, StatusTopic topic = StatusTopic::Upload);
    void Tell(const std::string& text, StatusTopic topic = StatusTopic::Upload);
    // A step of an upload under way: shown only while no failure (or "Run stopped") stands.
    void Progress(const std::string& text);
    bool StatusMustStay() const { return mustStay_; }
    // The text the status line shows now.
    const std::string& StatusText() const { return shownText_; }

    // A new page was written: it waits for its upload, replacing an older page that waited.
    void PageWritten();
    bool PageWaiting() const { return waiting_; }
    // The waiting page is not to be sent after all (its host was refused).
    void PageDropped() { waiting_ = false; }
    // No upload of ours is running (given-up ones that still hold the line are the caller's to
    // tell: the component or the WinINet helper is asked for them).
    bool Idle() const { return !running_; }
    // The waiting page's upload starts now (by the method in force).
    void UploadStarted(bool byMethod1);
    // The running upload could not start after all (refused before anything was sent, or its
    // start threw): the line is free for the next page.
    void UploadNotStarted() { running_.reset(); }
    // The transfer component has reported on the running upload; what is done with the report
    // (a question to the user, say) is no longer the host's time and counts against no limit.
    void OutcomeArrived();
    // Method 1 ended its calls (reported on the status line already); `stored` when the page
    // reached the host. `helperStillRunning` while a call it gave up on still runs.
    void Method1Ended(bool stored, bool helperStillRunning);
    // The transfer component ended the running upload: nullopt when the page was stored.
    void TransferEnded(const std::optional<std::string>& failure);
    // The method was changed: the running upload's outcome is no longer news.
    void MethodChanged();

    // Run was switched on; blocks taken out before no longer count for the watchdog.
    void RunStarted();
    // A block was taken out of what the device sent. `forTheHost`: false when the page is
    // published locally only (no upload method), which leaves the watchdog silent.
    void BlockTakenOut(bool forTheHost = true);
    // Once per tick while Run is on: the overall limit and the watchdog. `helperStillRunning`
    // tells whether a method-1 call that was given up on still runs.
    void Tick(bool helperStillRunning);

private:
    struct Running {
        std::uint64_t startedAt;
        std::uint64_t statusAtStart;  // which status text stood as it started
        bool method1;
        bool superseded = false;     // the method was changed meanwhile
        bool limitReported = false;  // its overall limit was passed and said so
        bool reported = false;       // the component's report has arrived
    };
    void PageOnHost();
    void Show(const std::string& text, StatusColour colour, StatusTopic topic);

    StatusLine& shown_;
    StatusRecorder& history_;
    Clock& clock_;
    const std::uint64_t limitMs_;

    bool mustStay_ = false;
    std::string shownText_;
    // Status texts shown so far, and which of them is the failure that stands: an upload's
    // outcome replaces a failure shown before it started, never one shown since.
    std::uint64_t statusCount_ = 0;
    std::uint64_t standingSince_ = 0;
    bool runStopped_ = false;  // "Run stopped" is the text that stands
    bool waiting_ = false;
    std::optional<Running> running_;
    // The watchdog: when it is next due (it repeats until a page reaches the host, whatever
    // was shown meanwhile), and when the last page reached it.
    std::optional<std::uint64_t> watchdogDueAt_;
    std::optional<std::string> lastOnHost_;
};

}  // namespace qel
