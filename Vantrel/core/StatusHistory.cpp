// The status history.
#include "StatusHistory.h"

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
        std::string failure = WithoutTrailingTime(text);
        if (lastFailure_ == failure) {
            return;  // still the same trouble: its first line says it
        }
        lastFailure_ = std::move(failure);
        Write(text);
    } else if (text == "Run started" || text == "Run stopped") {
        Write(text);
    } else if (IsSerialSuccess(text) || IsUploadSuccess(text)) {
        // A success ends only the failures it is about: a port that opens again says nothing of
        // the uploads that keep failing.
        bool& failed = IsSerialSuccess(text) ? serialFailed_ : uploadFailed_;
        if (failed) {
            failed = false;
            lastFailure_.reset();
            Write(text);
        }
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
        // An older file that another program holds for a moment costs no line: this one is
        // written all the same, and the move is tried again with the next.
        if (*size + line.size() >= kMaxBytes) {
            file_.MoveToOlder();
        }
        file_.Append(line);
    } catch (...) {
    }
}

}  // namespace qel
