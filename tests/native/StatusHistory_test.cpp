// The status history keeps the lines worth reading after a night alone, and stays below its
// size limit by making way into the older file.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "Fakes.h"
#include "CommandLine.h"
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
    bool KeepNewestHalf() override {
        const auto cut = bytes.find('\n', bytes.size() / 2);
        bytes.erase(0, cut == std::string::npos ? bytes.size() : cut + 1);
        return true;
    }
};

struct FixedClock : HistoryClock {
    LocalTime Now() override { return {2026, 12, 7, 3, 14, 7, 60}; }
    std::uint64_t Milliseconds() override { return ms; }
    std::uint64_t ms = 0;
};

TEST(StatusHistory, KeepsNewFailuresFirstRecoveriesOfTheirOwnKindAndTheRunSwitch) {
    MemoryFile file;
    FixedClock clock;
    ProgramState state;
    state.AppVersion = "1.2";
    state.Password = "file";
    StatusHistory history(file, clock, state);
    history.ProgramStarted(true);
    constexpr auto kUpload = StatusTopic::Upload;
    constexpr auto kSerial = StatusTopic::Serial;
    const std::tuple<const char*, StatusColour, StatusTopic> shown[] = {
        {"Run started", StatusColour::Highlight, kUpload},
        {"Serial communication established", StatusColour::Highlight, kSerial},  // no failure
        {"No FTP connection", StatusColour::Failure, kUpload},
        {"Attempting transmission", StatusColour::Highlight, kUpload},
        {"No FTP connection", StatusColour::Failure, kUpload},
        {"File not found. opening com", StatusColour::Failure, kSerial},
        {"Serial communication established", StatusColour::Highlight, kSerial},
        {"Transfer Complete 07/12/2026  03:14:59", StatusColour::Highlight, kUpload},
        {"Web file not found - 03:14:07", StatusColour::Failure, kUpload},
        {"Web file not found - 3.14.09 AM", StatusColour::Failure, kUpload},
        {"Serial communication established", StatusColour::Highlight, kSerial},  // not upload's
        {"Transfer Complete 07/12/2026  03:15:00", StatusColour::Highlight, kUpload},
        {"Transfer Complete 07/12/2026  03:15:01", StatusColour::Highlight, kUpload},
        {"Run stopped", StatusColour::Highlight, kUpload},
    };
    for (const auto& [text, colour, topic] : shown) {
        history.Record(text, colour, topic);
    }
    history.ProgramEnded();
    const std::string at = "2026-12-07T03:14:07+01:00 ";
    // Word for word: the password "file" is no reason to blot out a status text.
    EXPECT_EQ(file.bytes, at + "Qel 1.2 started with /run\r\n" + at + "Run started\r\n" + at +
                              "No FTP connection\r\n" + at + "File not found. opening com\r\n" +
                              at + "Serial communication established\r\n" + at +
                              "No FTP connection repeated 1 time\r\n" + at +
                              "Transfer Complete 07/12/2026  03:14:59\r\n" + at +
                              "Web file not found - 03:14:07\r\n" + at +
                              "Web file not found repeated 1 time\r\n" + at +
                              "Transfer Complete 07/12/2026  03:15:00\r\n" + at +
                              "Run stopped\r\n" + at + "Qel ended\r\n");

    // A noisy line and a host outage that alternate are each counted on their own: one line
    // each, again at most once a minute while they go on, and their count when they end.
    file.bytes.clear();
    for (int i = 0; i < 200; ++i, clock.ms += 500) {
        history.Record("Serial data lost (framing)", StatusColour::Failure, kSerial);
        history.Record("No FTP connection", StatusColour::Failure, kUpload);
    }
    history.Record("Transfer Complete 07/12/2026  03:16:40", StatusColour::Highlight, kUpload);
    EXPECT_EQ(file.bytes, at + "Serial data lost (framing)\r\n" + at + "No FTP connection\r\n" +
                              at + "Serial data lost (framing) repeated 120 times\r\n" + at +
                              "No FTP connection repeated 120 times\r\n" + at +
                              "No FTP connection repeated 79 times\r\n" + at +
                              "Transfer Complete 07/12/2026  03:16:40\r\n");
    EXPECT_EQ(IsoTimestamp({2026, 1, 2, 3, 4, 5, -330}), "2026-01-02T03:04:05-05:30");
}

TEST(StatusHistory, StaysBelowTheLimitByMovingToTheOlderFileOrDroppingItsOlderHalf) {
    MemoryFile file;
    FixedClock clock;
    ProgramState state;
    StatusHistory history(file, clock, state);
    file.bytes = std::string(StatusHistory::kMaxBytes - 40, 'x');
    file.older = "an older one";
    history.Record("Run stopped", StatusColour::Highlight);  // 39 bytes: one short of the limit
    EXPECT_EQ(file.bytes.size(), StatusHistory::kMaxBytes - 1);
    EXPECT_EQ(file.older, "an older one");
    file.bytes = std::string(StatusHistory::kMaxBytes - 39, 'x');
    history.Record("Run stopped", StatusColour::Highlight);  // would reach the limit exactly
    EXPECT_EQ(file.older.size(), StatusHistory::kMaxBytes - 39);
    EXPECT_EQ(file.bytes, "2026-12-07T03:14:07+01:00 Run stopped\r\n");
    // An older file that cannot be replaced costs the older half of this one, and says so.
    file.bytes = std::string(StatusHistory::kMaxBytes / 2, 'o') + "\r\n" +
                 std::string(StatusHistory::kMaxBytes / 2 - 40, 'n') + "\r\n";
    file.canMove = false;
    history.Record("Web file not found - 1:00", StatusColour::Failure);
    EXPECT_EQ(file.bytes, std::string(StatusHistory::kMaxBytes / 2 - 40, 'n') + "\r\n" +
                              "2026-12-07T03:14:07+01:00 Qel.log.1 could not be replaced: the "
                              "older half of Qel.log was dropped\r\n" +
                              "2026-12-07T03:14:07+01:00 Web file not found - 1:00\r\n");
    file.canMove = true;
    file.bytes = std::string(StatusHistory::kMaxBytes - 40, 'x');
    history.Record("No FTP connection", StatusColour::Failure);
    EXPECT_EQ(file.bytes, "2026-12-07T03:14:07+01:00 No FTP connection\r\n");
}

TEST(CommandLine, RunAndPortSwitchesInAnyCaseAsWordsOfTheirOwn) {
    for (const char* line : {"/run", "-RUN", "\"/Run\"", "x  /rUn\ty", "/port=3 /run"}) {
        EXPECT_TRUE(HasRunSwitch(line)) << line;
    }
    for (const char* line : {"", "run", "/running", "/ run", "x-run"}) {
        EXPECT_FALSE(HasRunSwitch(line)) << line;
    }
    EXPECT_EQ(ParseCommandLine("/run /port=12").port, 12);
    EXPECT_EQ(ParseCommandLine("-PORT=255").port, 255);
    EXPECT_EQ(ParseCommandLine("/port=1 /port=7").port, 7);
    EXPECT_EQ(ParseCommandLine("/port=007").port, 7);
    EXPECT_EQ(ParseCommandLine("/port=0007").port, 7);
    for (const char* value : {"0", "256", "", "3x", "-3", "99999999999"}) {
        const StartOptions options = ParseCommandLine(std::string("/run /PORT=") + value);
        EXPECT_FALSE(options.port) << value;
        EXPECT_EQ(options.refusedPort, value);
    }
    EXPECT_FALSE(ParseCommandLine("/port=3x /port=4").refusedPort) << "the last one wins";
    EXPECT_FALSE(ParseCommandLine("/port 3").port || ParseCommandLine("port=3").port);
    EXPECT_EQ(RefusedPortText("3x"), "Port number in /port=3x is not from 1 to 255");
    EXPECT_EQ(CommandLineFor(ParseCommandLine("x /PORT=9 /run")), "/run /port=9");
    EXPECT_EQ(CommandLineFor(StartOptions{}), "");
}

}  // namespace
