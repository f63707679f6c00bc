// The bookkeeping of the page's uploads.
#include "UploadQueue.h"

#include <utility>

namespace qel {

std::string UploadLimitText(std::uint64_t limitMs) {
    return "Upload given up after " + std::to_string(limitMs / 1000) + " seconds";
}

void UploadQueue::Show(const std::string& text, StatusColour colour, StatusTopic topic) {
    shown_.ShowStatus(text, colour);
    shownText_ = text;
    ++statusCount_;
    history_.Record(text, colour, topic);
}

void UploadQueue::Fail(const std::string& text, StatusTopic topic) {
    Show(text, StatusColour::Failure, topic);
    mustStay_ = true;
    runStopped_ = false;
    standingSince_ = statusCount_;
}

void UploadQueue::Tell(const std::string& text, StatusTopic topic) {
    Show(text, StatusColour::Highlight, topic);
    runStopped_ = text == "Run stopped";
    mustStay_ = runStopped_;
    standingSince_ = statusCount_;
}

void UploadQueue::Progress(const std::string& text) {
    if (!mustStay_) {
        Tell(text);
    }
}

void UploadQueue::PageWritten() {
    waiting_ = true;
}

void UploadQueue::UploadStarted(bool byMethod1) {
    waiting_ = false;
    running_ = Running{clock_.Milliseconds(), statusCount_, byMethod1};
}

void UploadQueue::Method1Ended(bool stored, bool helperStillRunning) {
    if (stored) {
        PageOnHost();
    }
    // A call given up on keeps the line busy: the next page waits for it (Tick watches it).
    if (!helperStillRunning) {
        running_.reset();
    }
}

void UploadQueue::OutcomeArrived() {
    if (running_) {
        running_->reported = true;
    }
}

void UploadQueue::TransferEnded(const std::optional<std::string>& failure) {
    if (!running_ || running_->method1) {
        return;  // not ours: given up and said so already, or a stray report
    }
    const Running run = *std::exchange(running_, std::nullopt);
    if (!failure) {
        PageOnHost();
    }
    if (run.limitReported) {
        return;
    }
    const std::string text =
        failure ? *failure + " doing FTP"
                : "Transfer Complete " + clock_.ShortDate() + "  " + clock_.LongTime();
    // Every outcome is news, whether or not a newer page waits: a host that fails while the
    // board writes faster must turn the line red. Only a method changed meanwhile, "Run
    // stopped" said since, or (for a success) a failure shown since the upload started keeps
    // the status line; the history gets the line all the same.
    const bool stoppedSince = runStopped_ && standingSince_ > run.statusAtStart;
    const bool failedSince = mustStay_ && !runStopped_ && standingSince_ > run.statusAtStart;
    if (!run.superseded && !stoppedSince && (failure || !failedSince)) {
        failure ? Fail(text) : Tell(text);
    } else if (failure || !run.superseded) {
        history_.Record(text, failure ? StatusColour::Failure : StatusColour::Highlight,
                        StatusTopic::Upload);
    }
}

void UploadQueue::MethodChanged() {
    if (running_) {
        running_->superseded = true;
    }
}

void UploadQueue::RunStarted() {
    watchdogDueAt_.reset();
}

void UploadQueue::BlockTakenOut(bool forTheHost) {
    if (!forTheHost) {
        watchdogDueAt_.reset();
    } else if (!watchdogDueAt_) {
        watchdogDueAt_ = clock_.Milliseconds() + kWatchdogMs;
    }
}

void UploadQueue::PageOnHost() {
    lastOnHost_ = clock_.ShortDate() + " " + clock_.LongTime();
    watchdogDueAt_.reset();
}

void UploadQueue::Tick(bool helperStillRunning) {
    const std::uint64_t now = clock_.Milliseconds();
    if (running_ && running_->method1 && !helperStillRunning) {
        running_.reset();  // the call given up on has ended at last
    }
    if (running_ && !running_->limitReported && !running_->reported) {
        // The transfer component gives up at the limit and says so itself; a method-1 call
        // that WinINet never ends, or a component that never reports, is said here.
        const std::uint64_t allowed = limitMs_ + (running_->method1 ? 0 : kReportGraceMs);
        if (now - running_->startedAt >= allowed) {
            running_->limitReported = true;
            Fail(UploadLimitText(limitMs_) + " doing FTP");
        }
    }
    if (watchdogDueAt_ && now >= *watchdogDueAt_) {
        // Said again every period until a page reaches the host, whatever came meanwhile.
        watchdogDueAt_ = now + kWatchdogMs;
        const std::string text =
            "No page has reached the web host since " + lastOnHost_.value_or("Qel started");
        // Where another failure stands, it says more than this; the history keeps both.
        if (mustStay_ && !runStopped_) {
            history_.Record(text, StatusColour::Failure, StatusTopic::Upload);
        } else {
            Fail(text);
        }
    }
}

}  // namespace qel
