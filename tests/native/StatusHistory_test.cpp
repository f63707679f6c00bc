// The status history keeps the lines worth reading after a night alone, and stays below its
// size limit by making way into the older file.
#include <gtest/gtest.h>

#include <utility>

#include "Fakes.h"
#include "StatusHistory.h"

namespace {

using namespace qel;

struct MemoryFile : HistoryFile {
    std::string bytes, older;
    bool canMove = true;
    std::optional<std::uint64_t> Size() override { return bytes.size(); }
    bool Append(const std::string& line) override {
        bytes += line;
        return true;
    }
    bool MoveToOlder() override {
        if (canMove) {
            older = std::exchange(bytes, "");
        }
        return canMove;
    }
};

struct FixedClock : HistoryClock {
    LocalTime Now() override { return {2026, 12, 7, 3, 14, 7, 60}; }
};

TEST(StatusHistory, KeepsNewFailuresFirstRecoveriesAndTheRunSwitch) {
    MemoryFile file;
    FixedClock clock;
    ProgramState state;
    state.AppVersion = "1.2";
    state.Password = "s3cret";
    StatusHistory history(file, clock, state);
    FakeMainView window;
    RecordedMainView view(window, history);
    history.ProgramStarted(true);
    const std::pair<const char*, StatusColour> shown[] = {
        {"Run started", StatusColour::Highlight},
        {"Serial communication established", StatusColour::Highlight},  // nothing failed yet
        {"No FTP connection", StatusColour::Failure},
        {"Attempting transmission", StatusColour::Highlight},
        {"No FTP connection", StatusColour::Failure},
        {"Web file not found - 03:14:07", StatusColour::Failure},
        {"Web file not found - 3.14.09 AM", StatusColour::Failure},
        {"Transfer Complete 07/12/2026  03:15:00", StatusColour::Highlight},
        {"Transfer Complete 07/12/2026  03:15:01", StatusColour::Highlight},
        {"530 user and s3cret refused", StatusColour::Failure},
        {"Run stopped", StatusColour::Highlight},
    };
    for (const auto& [text, colour] : shown) {
        view.ShowStatus(text, colour);
    }
    history.ProgramEnded();
    EXPECT_EQ(window.statusHistory.size(), std::size(shown));
    const std::string at = "2026-12-07T03:14:07+01:00 ";
    EXPECT_EQ(file.bytes, at + "Qel 1.2 started with /run\r\n" + at + "Run started\r\n" + at +
                              "No FTP connection\r\n" + at + "Web file not found - 03:14:07\r\n" +
                              at + "Transfer Complete 07/12/2026  03:15:00\r\n" + at +
                              "530 user and ******** refused\r\n" + at + "Run stopped\r\n" + at +
                              "Qel ended\r\n");
    EXPECT_EQ(IsoTimestamp({2026, 1, 2, 3, 4, 5, -330}), "2026-01-02T03:04:05-05:30");
}

TEST(StatusHistory, StaysBelowTheLimitByMovingToTheOlderFile) {
    MemoryFile file;
    FixedClock clock;
    ProgramState state;
    StatusHistory history(file, clock, state);
    file.bytes = std::string(StatusHistory::kMaxBytes - 40, 'x');
    file.older = "an older one";
    history.Record("Run stopped", StatusColour::Highlight);  // 39 bytes: one short of the limit
    EXPECT_EQ(file.bytes.size(), StatusHistory::kMaxBytes - 1);
    history.Record("No FTP connection", StatusColour::Failure);
    EXPECT_EQ(file.older.size(), StatusHistory::kMaxBytes - 1);
    EXPECT_EQ(file.bytes, "2026-12-07T03:14:07+01:00 No FTP connection\r\n");
    file.bytes = file.older;
    file.canMove = false;  // a line that cannot make room is dropped
    history.Record("Web file not found - 1:00", StatusColour::Failure);
    EXPECT_EQ(file.bytes.size(), StatusHistory::kMaxBytes - 1);
}

TEST(RunSwitch, IsSlashOrDashRunInAnyCaseAsAWordOfItsOwn) {
    for (const char* line : {"/run", "-RUN", "\"/Run\"", "x  /rUn\ty"}) {
        EXPECT_TRUE(HasRunSwitch(line)) << line;
    }
    for (const char* line : {"", "run", "/running", "/ run", "x-run"}) {
        EXPECT_FALSE(HasRunSwitch(line)) << line;
    }
}

}  // namespace
