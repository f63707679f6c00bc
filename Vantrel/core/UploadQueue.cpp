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
    standingSince_ = statusCount_;
}

void UploadQueue::Tell(const std::string& text, StatusTopic topic) {
    Show(text, StatusColour::Highlight, topic);
    mustStay_ = text == "Run stopped";
    standingSince_ = statusCount_;
}

void UploadQueue::PageWritten() {
    ++pagesWritten_;
    waiting_ = true;
}

void UploadQueue::UploadStarted(bool byMethod1) {
    waiting_ = false;
    running_ = Running{pagesWritten_, clock_.Milliseconds(), statusCount_, byMethod1};
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
    // A newer page reports for itself; a failure or "Run stopped" shown since the upload started
    // is not covered by its news. A failure is still worth its line in the history.
    const bool covered = mustStay_ && standingSince_ > run.statusAtStart;
    const bool news = !run.superseded && run.page == pagesWritten_ && !waiting_ && !covered;
    const bool limit = failure && *failure == UploadLimitText(limitMs_);
    if (news || (limit && !run.superseded)) {
        failure ? Fail(text) : Tell(text);
    } else if (failure) {
        history_.Record(text, StatusColour::Failure, StatusTopic::Upload);
    }
}

void UploadQueue::MethodChanged() {
    if (running_) {
        running_->superseded = true;
    }
}

void UploadQueue::RunStarted() {
    unpublishedSince_.reset();
    watchdogSpoke_ = false;
}

void UploadQueue::BlockTakenOut() {
    if (!unpublishedSince_) {
        unpublishedSince_ = clock_.Milliseconds();
    }
}

void UploadQueue::PageOnHost() {
    lastOnHost_ = clock_.ShortDate() + " " + clock_.LongTime();
    unpublishedSince_.reset();
    watchdogSpoke_ = false;
}

void UploadQueue::Tick(bool helperStillRunning) {
    const std::uint64_t now = clock_.Milliseconds();
    if (running_ && running_->method1 && !helperStillRunning) {
        running_.reset();  // the call given up on has ended at last
    }
    if (running_ && !running_->limitReported) {
        // The transfer component gives up at the limit and says so itself; a method-1 call
        // that WinINet never ends, or a component that never reports, is said here.
        const std::uint64_t allowed = limitMs_ + (running_->method1 ? 0 : kReportGraceMs);
        if (now - running_->startedAt >= allowed) {
            running_->limitReported = true;
            Fail(UploadLimitText(limitMs_) + " doing FTP");
        }
    }
    if (unpublishedSince_ && !watchdogSpoke_ && now - *unpublishedSince_ >= kWatchdogMs) {
        watchdogSpoke_ = true;
        const std::string text =
            "No page has reached the web host since " + lastOnHost_.value_or("Qel started");
        // Where another failure stands, it says more than this; the history keeps both.
        if (mustStay_) {
            history_.Record(text, StatusColour::Failure, StatusTopic::Upload);
        } else {
            Fail(text);
        }
    }
}

}  // namespace qel
