// The status history.
#include "StatusHistory.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace qel {

namespace {

bool IsUploadSuccess(const std::string& text) {
    return text.rfind("Transfer Complete", 0) == 0;
}

bool IsSerialSuccess(const std::string& text) {
    return text == "Serial communication established";
}

}  // namespace

std::string IsoTimestamp(const LocalTime& time) {
    const int offset = std::abs(time.utcOffsetMinutes);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", time.year,
                  time.month, time.day, time.hour, time.minute, time.second,
                  time.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string WithoutTrailingTime(const std::string& text) {
    // A time in any of the user's formats is short, holds digits and a separator ("03:14:07",
    // "3.14.07 PM"); a failure's own words after a dash are not like that.
    constexpr std::size_t kLongestTime = 24;
    const auto dash = text.rfind(" - ");
    if (dash == std::string::npos) {
        return text;
    }
    const std::string tail = text.substr(dash + 3);
    bool digit = false;
    bool separator = false;
    for (const char c : tail) {
        digit = digit || std::isdigit(static_cast<unsigned char>(c));
        separator = separator || c == ':' || c == '.';
    }
    if (tail.empty() || tail.size() > kLongestTime || !digit || !separator) {
        return text;
    }
    return text.substr(0, dash);
}

void StatusHistory::ProgramStarted(bool runSwitch) {
    Write("Qel " + state_.AppVersion + " started" + (runSwitch ? " with /run" : ""));
}

void StatusHistory::ProgramEnded() {
    Write("Qel ended");
}

void StatusHistory::Record(const std::string& text, StatusColour colour, StatusTopic topic) {
    if (colour == StatusColour::Failure) {
        (topic == StatusTopic::Serial ? serialFailed_ : uploadFailed_) = true;
        RecordFailure(text, topic);
    } else if (text == "Run started" || text == "Run stopped") {
        Write(text);
    } else if (IsSerialSuccess(text) || IsUploadSuccess(text)) {
        // A success ends only the failures it is about: a port that opens again says nothing of
        // the uploads that keep failing.
        const StatusTopic ended = IsSerialSuccess(text) ? StatusTopic::Serial : StatusTopic::Upload;
        bool& failed = ended == StatusTopic::Serial ? serialFailed_ : uploadFailed_;
        std::erase_if(failures_, [this, ended](const Repeating& failure) {
            if (failure.topic == ended) {
                WriteRepeats(failure);
            }
            return failure.topic == ended;
        });
        if (failed) {
            failed = false;
            Write(text);
        }
    }
}

void StatusHistory::RecordFailure(const std::string& text, StatusTopic topic) {
    const std::string failure = WithoutTrailingTime(text);
    const std::uint64_t now = clock_.Milliseconds();
    const auto same = std::find_if(failures_.begin(), failures_.end(),
                                   [&failure](const Repeating& r) { return r.text == failure; });
    if (same == failures_.end()) {
        if (failures_.size() == kCountedFailures) {
            WriteRepeats(failures_.front());
            failures_.erase(failures_.begin());
        }
        failures_.push_back(Repeating{failure, topic, now, 0});
        Write(text);
        return;
    }
    ++same->unwritten;
    if (now - same->lineAt >= kRepeatLineMs) {  // still the same trouble, a minute on
        WriteRepeats(*same);
        same->lineAt = now;
        same->unwritten = 0;
    }
}

void StatusHistory::WriteRepeats(const Repeating& failure) {
    if (failure.unwritten > 0) {
        Write(failure.text + " repeated " + std::to_string(failure.unwritten) +
              (failure.unwritten == 1 ? " time" : " times"));
    }
}

void StatusHistory::Write(const std::string& text) {
    // A line of history is never worth more than the publishing around it: whatever goes wrong
    // here ends with this line, unwritten and untried again.
    try {
        const std::string line = IsoTimestamp(clock_.Now()) + " " + text + "\r\n";
        const auto size = file_.Size();
        if (!size || line.size() >= kMaxBytes) {
            return;
        }
        // An older file that cannot be replaced (read-only, a folder, held) costs the older
        // half of this one rather than let it grow past its size.
        if (*size + line.size() >= kMaxBytes && !file_.MoveToOlder()) {
            if (!file_.KeepNewestHalf()) {
                return;
            }
            file_.Append(IsoTimestamp(clock_.Now()) +
                         " Qel.log.1 could not be replaced: the older half of Qel.log was "
                         "dropped\r\n");
        }
        file_.Append(line);
    } catch (...) {
    }
}

}  // namespace qel
