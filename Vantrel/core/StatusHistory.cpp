// The status history and the command-line switch of unattended operation.
#include "StatusHistory.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace qel {

namespace {

bool IsSuccess(const std::string& text) {
    return text.rfind("Transfer Complete", 0) == 0 || text == "Serial communication established";
}

// No status text carries the password; this keeps it so should one ever quote it (a server's
// reply, a URL). Very short passwords are left alone: they would blot out ordinary words and
// tell nobody anything.
std::string WithoutPassword(std::string text, const std::string& password) {
    constexpr std::size_t kShortest = 4;
    if (password.size() < kShortest) {
        return text;
    }
    for (auto at = text.find(password); at != std::string::npos; at = text.find(password, at + 8)) {
        text.replace(at, password.size(), "********");
    }
    return text;
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

void StatusHistory::Record(const std::string& text, StatusColour colour) {
    if (colour == StatusColour::Failure) {
        std::string failure = WithoutTrailingTime(text);
        if (lastFailure_ == failure) {
            return;  // still the same trouble: its first line says it
        }
        lastFailure_ = std::move(failure);
        Write(text);
    } else if (text == "Run started" || text == "Run stopped") {
        Write(text);
    } else if (IsSuccess(text) && lastFailure_) {
        lastFailure_.reset();
        Write(text);
    }
}

void StatusHistory::Write(const std::string& text) {
    // A line of history is never worth more than the publishing around it: whatever goes wrong
    // here ends with this line, unwritten and untried again.
    try {
        const std::string line =
            IsoTimestamp(clock_.Now()) + " " + WithoutPassword(text, state_.Password) + "\r\n";
        const auto size = file_.Size();
        if (!size) {
            return;
        }
        if (*size + line.size() >= kMaxBytes) {
            if (line.size() >= kMaxBytes || !file_.MoveToOlder()) {
                return;
            }
        }
        file_.Append(line);
    } catch (...) {
    }
}

void RecordedMainView::ShowStatus(const std::string& text, StatusColour colour) {
    view_.ShowStatus(text, colour);
    try {
        history_.Record(text, colour);
    } catch (...) {
        // the status line has shown the text; the history goes without it
    }
}

bool HasRunSwitch(const std::string& commandLine) {
    std::string word;
    const auto isSwitch = [&word] {
        std::string lower;
        for (const char c : word) {
            if (c != '"') {
                lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
        }
        word.clear();
        return lower == "/run" || lower == "-run";
    };
    for (const char c : commandLine) {
        if (c == ' ' || c == '\t') {
            if (isSwitch()) {
                return true;
            }
        } else {
            word += c;
        }
    }
    return isSwitch();
}

}  // namespace qel
