// Soak: hours of unattended running compressed into a bounded run. The device sends a block
// every second (so no two blocks share a 500 ms tick), first for the given minutes while the
// FTP host goes down and up and the device is unplugged and plugged back at random moments,
// then for a fault-free stretch of at least five minutes. Every block that never reached the
// host is put down to a cause (the host was down when its upload ran, the device was unplugged
// around it, a line error damaged it); one lost for no named cause is a fault. Qel's private
// bytes and handles are taken after the first minute and at the end, with their growth per
// 1,000 pages, and the size the status history reached. Two stretches follow: a minute of a
// host that takes each connection and closes it 3 s later (how soon the line turns red), and
// an upload whose thread outlives the report of its limit (a trickling host, the closer off by
// the test build's switch) followed by an unplug and replug of the device (the watchdog must
// still speak within its period, on the status line or in the history). Last, a block every
// second while the host drops the connection kept between pages every 30 s, over FTPS (FTP
// Method 3) and then SFTP (Method 4): pages sent and on the host, the log-ins the servers'
// logs show, the longest time without a page on the host, and Qel's memory at the start and
// end of each. PELLUCOR_SOAK_ONLY=outliving or =dropping runs that stretch alone;
// PELLUCOR_SOAK_TRACE lists what the outliving stretch's status line showed. Runs Qel.exe
// (FTP Method 2 but for the last stretch) in the Wine session of the test harness.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "DevicePort.h"
#include "FtpServerControl.h"
#include "HostProfile.h"
#include "KnownHostsFile.h"
#include "MainFormLayout.h"
#include "Polling.h"
#include "QelProcess.h"
#include "TrustedTestRoot.h"
#include "UploadQueue.h"
#include "Win32FileSystem.h"

namespace {

using namespace qel::layout;
using Clock = std::chrono::steady_clock;

constexpr int kPort = 5;
constexpr char kPage[] = "soak.html";
constexpr auto kBlockInterval = std::chrono::milliseconds(1000);
constexpr double kFaultFreeMinutes = 5;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

Clock::duration After(double seconds) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// What the process holds. Where the system leaves the private count empty (Wine does for other
// processes), the commit charge (PagefileUsage) stands in: the same on Windows. GDI and USER
// objects are 0 where the system does not count them.
struct Resources {
    SIZE_T privateBytes = 0;
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    std::size_t pages = 0;  // pages published when they were taken
};

Resources ResourcesOf(HANDLE process, std::size_t pages) {
    Resources taken;
    taken.pages = pages;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters)) {
        taken.privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    }
    GetProcessHandleCount(process, &taken.handles);
    taken.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    taken.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    return taken;
}

std::string Count(DWORD value) {
    return value == 0 ? "n/a" : std::to_string(value);
}

// The growth of one figure per 1,000 pages published between two takings.
double PerThousandPages(double from, double to, const Resources& a, const Resources& b) {
    const double pages = static_cast<double>(b.pages) - static_cast<double>(a.pages);
    return pages > 0 ? (to - from) * 1000.0 / pages : 0.0;
}

// The block number a page on the host carries, or -1.
int BlockOnHost(const std::string& path) {
    const std::string page = wintest::ReadBytes(path).value_or("");
    const auto at = page.find("<body><br>block ");
    return at == std::string::npos ? -1 : std::atoi(page.c_str() + at + 16);
}

// A fault that comes and goes: off for a random while, then on for a random while. Each time
// it was on is kept, to tell later which blocks it may have cost.
struct Fault {
    Fault(double fromSeconds, double toSeconds, double forSeconds, double upToSeconds)
        : between(fromSeconds, toSeconds), lasting(forSeconds, upToSeconds) {}
    std::uniform_real_distribution<double> between;
    std::uniform_real_distribution<double> lasting;
    bool active = false;
    Clock::time_point next;
    std::vector<std::pair<Clock::time_point, Clock::time_point>> spells;

    double ActiveSeconds() const {
        double total = 0;
        for (const auto& [from, to] : spells) {
            total += Seconds(to - from);
        }
        return total;
    }
    // Whether the fault was on at some moment within `before` seconds before `at` and `after`
    // seconds after it.
    bool Around(Clock::time_point at, double before, double after) const {
        return std::any_of(spells.begin(), spells.end(), [&](const auto& spell) {
            return spell.first <= at + After(after) && spell.second >= at - After(before);
        });
    }
};

// Whether a status text is one of the failures Qel shows in red (the colour cannot be read from
// another process).
bool IsFailureText(const std::string& text) {
    for (const char* part : {" doing FTP", "No FTP connection", "FTP transmission failed",
                             " opening com", " inputting from com", "Serial data lost",
                             " saving Web file", "No page has reached", "Upload given up"}) {
        if (text.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The status history, emptied before the soak so that its size at the end is what the soak's
// faults wrote.
std::string HistoryPath() {
    return qeltest::AppDataFile("Pellucor\\Qel.log");
}

void PrintHistoryGrowth(double minutes, int faults, std::size_t historyBytes) {
    const double bytes = static_cast<double>(historyBytes);
    std::printf(
        "  Qel.log %.0f bytes after %d faults: %.1f KB per hour at this fault rate, %.0f "
        "bytes a fault\n",
        bytes, faults, bytes / 1024.0 * 60.0 / minutes, faults ? bytes / faults : 0.0);
}

// What Qel showed and wrote while a stretch ran: each new status text and each new watchdog
// line of the history, with the seconds since the stretch began.
struct StretchLog {
    Clock::time_point start = Clock::now();
    std::vector<std::pair<double, std::string>> texts;
    std::vector<double> watchdogLines;
    std::size_t historyAtStart = wintest::ReadBytes(HistoryPath()).value_or("").size();
    Clock::time_point nextHistoryLook = start;

    void Look(const std::string& status) {
        const double at = Seconds(Clock::now() - start);
        if (texts.empty() || texts.back().second != status) {
            texts.emplace_back(at, status);
        }
        if (Clock::now() < nextHistoryLook) {
            return;
        }
        nextHistoryLook = Clock::now() + std::chrono::seconds(1);
        const std::string history = wintest::ReadBytes(HistoryPath()).value_or("");
        std::size_t lines = 0;
        for (auto from = std::min(historyAtStart, history.size());
             (from = history.find("No page has reached the web host", from)) != std::string::npos;
             ++from) {
            ++lines;
        }
        while (watchdogLines.size() < lines) {
            watchdogLines.push_back(at);
        }
    }
    // When `text` first stood on the status line, if it did.
    std::optional<double> FirstShown(const std::string& part) const {
        for (const auto& [at, text] : texts) {
            if (text.find(part) != std::string::npos) {
                return at;
            }
        }
        return std::nullopt;
    }
};

// Blocks every second for `seconds` (unplugging and replugging the device `unplugAt` seconds
// in, when given); the longest stretch with blocks coming, no page reaching the host and no
// red text on the status line. `block` numbers the blocks on from the soak's.
double LongestSilence(qeltest::QelProcess& qel, std::unique_ptr<qeltest::DevicePort>& device,
                      const std::string& remote, int& block, double seconds,
                      std::optional<double> unplugAt = std::nullopt, StretchLog* log = nullptr) {
    const auto start = Clock::now();
    auto silentSince = start;
    auto nextBlock = start;
    int lastOnHost = BlockOnHost(remote);
    double longest = 0;
    while (Clock::now() - start < After(seconds)) {
        if (unplugAt && Clock::now() - start >= After(*unplugAt)) {
            unplugAt.reset();
            device.reset();
            qeltest::DevicePort::Unplug(kPort);
            Sleep(5000);
            qeltest::DevicePort::Replug(kPort);
            device = std::make_unique<qeltest::DevicePort>(kPort);
            silentSince = Clock::now();  // nothing came meanwhile
        }
        if (Clock::now() >= nextBlock) {
            nextBlock += kBlockInterval;
            device->Send("block " + std::to_string(++block) + "@@@@");
        }
        const int onHost = BlockOnHost(remote);
        const std::string status = qel.Text(IDC_lblStatus);
        if (log) {
            log->Look(status);
        }
        if (IsFailureText(status) || onHost != lastOnHost) {
            silentSince = Clock::now();
            lastOnHost = onHost;
        }
        longest = std::max(longest, Seconds(Clock::now() - silentSince));
        Sleep(20);
    }
    return longest;
}

// A minute of a host that takes each connection and closes it 3 s later.
void ClosingStretch(qeltest::QelProcess& qel, std::unique_ptr<qeltest::DevicePort>& device,
                    const qeltest::FtpServerControl& ftp, const std::string& remote, int& block) {
    ftp.Command("CLOSE-AFTER 3");
    const double closing = LongestSilence(qel, device, remote, block, 60);
    ftp.Command("CLOSE-AFTER 0");
    std::printf(
        "  a host closing each connection after 3 s, a block every second, for 60 s: longest "
        "silent stretch %.1f s (goal: about 3 s)\n",
        closing);
}

// Two watchdog periods of an upload whose thread outlives the report of its limit, with an
// unplug and replug of the device between them. Qel is started anew with the closer off: a
// host that trickles a greeting that never ends then holds the upload's thread, and so the
// line, well past the limit. The host trickles before Qel starts, so that its very first upload
// is the one held (an upload cut short by the stretch before cannot stand in for it).
void OutlivingStretch(qeltest::QelProcess& qel, std::unique_ptr<qeltest::DevicePort>& device,
                      const qeltest::FtpServerControl& ftp, const std::string& remote, int& block) {
    qel.Menu(IDM_mnuExit);
    qel.WaitForExit(10000);
    ftp.Command("TRICKLE 20");
    SetEnvironmentVariableA("PELLUCOR_TEST_NO_CLOSER", "1");
    const bool started = qel.Start();
    SetEnvironmentVariableA("PELLUCOR_TEST_NO_CLOSER", nullptr);
    if (!started) {
        std::printf("  FAULT: the stretch of an outliving upload could not start Qel\n");
        ftp.Command("TRICKLE 0");
        return;
    }
    qel.SetText(IDC_txtPort, " " + std::to_string(kPort));
    qel.Click(IDC_ckkRun);
    const double watchdogS = qel::UploadQueue::kWatchdogMs / 1000.0;
    const double unplugAt = watchdogS + 15;
    const double total = 2 * watchdogS + 40;
    StretchLog log;
    // The watchdog first speaks while the limit's failure stands (the history alone gets it);
    // the replug's ordinary text then replaces that failure, and must not outlive the next one.
    const double outlived = LongestSilence(qel, device, remote, block, total, unplugAt, &log);
    ftp.Command("TRICKLE 0");
    const auto givenUp = log.FirstShown("Upload given up");
    // Held for real: after the limit's report no other upload ended before the unplug.
    bool held = givenUp.has_value();
    for (const auto& [at, text] : log.texts) {
        const bool outcome =
            text.find(" doing FTP") != std::string::npos || text.rfind("Transfer Complete", 0) == 0;
        if (givenUp && at > *givenUp && at < unplugAt && outcome &&
            text.find("Upload given up") == std::string::npos) {
            held = false;
        }
    }
    std::printf(
        "  an upload thread outliving its report (trickling host, no closer, FTP Method 2): "
        "limit reported at %s, the thread %s\n",
        givenUp ? (std::to_string(static_cast<int>(*givenUp)) + " s").c_str() : "never",
        held ? "held the line until the unplug" : "did NOT outlive its report");
    std::string lines;
    for (const double at : log.watchdogLines) {
        lines += " " + std::to_string(static_cast<int>(at)) + " s";
    }
    std::printf("  watchdog lines in Qel.log at:%s (goal: one by %.0f s, another by %.0f s)\n",
                lines.empty() ? " none" : lines.c_str(), watchdogS + 5, 2 * watchdogS + 25);
    std::printf(
        "  the device unplugged and back after %.0f s, %.0f s in all: longest silent stretch "
        "%.1f s (goal: at most %.0f s and a tick)\n",
        unplugAt, total, outlived, watchdogS);
    if (std::getenv("PELLUCOR_SOAK_TRACE")) {
        for (const auto& [at, text] : log.texts) {
            std::printf("    %7.1f s  %s\n", at, text.c_str());
        }
    }
}

std::string Env(const char* name) {
    return wintest::EnvVar(name).value_or("");
}

// The lines of a log from byte `from` on that hold any of `marks`.
int LinesSince(const std::string& path, std::size_t from, const std::vector<std::string>& marks) {
    const std::string text = wintest::ReadBytes(path).value_or("");
    int count = 0;
    for (std::size_t at = std::min(from, text.size()); at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = std::string_view(text).substr(at, end - at);
        count += std::any_of(marks.begin(), marks.end(),
                             [&](const std::string& mark) {
                                 return line.find(mark) != std::string_view::npos;
                             })
                     ? 1
                     : 0;
        at = end + 1;
    }
    return count;
}

// One method of the stretch of dropped connections: its host, and the log its log-ins go to.
struct DroppingMethod {
    int ftpMethod;
    const char* name;
    std::string host, user, password, remoteFolder, pageFolder;  // pageFolder ends in "\"
    std::string logInLog;
    std::vector<std::string> logInMarks;
};

// A block every second for `seconds` while the host drops the connection Qel keeps between
// pages every 30 s, each time at another random moment of the second: most drops meet an idle
// connection, as a host's idle limit does, and a few may meet an upload under way. A kept
// connection that fails gives way to a fresh one within the same upload, so a drop should cost one
// log-in and no page. False when a block was lost for no named cause.
bool DroppingMethodStretch(const DroppingMethod& method, const qeltest::FtpServerControl& ftp,
                           std::unique_ptr<qeltest::DevicePort>& device, double seconds) {
    constexpr double kDropEvery = 30;
    const std::string page = "soak-dropping.html";
    const std::string remote = method.pageFolder + page;
    qeltest::QelProcess qel;
    wintest::WriteBytes(qel.Folder() + "Leq.ini", "soak\r\n" + page + "\r\nLab\r\n10\r\n " +
                                                      std::to_string(method.ftpMethod) +
                                                      " \r\n 0 \r\n");
    qel::Win32FileSystem files;
    qel::SaveHostProfile(files, qel.Folder(), "soak", method.user, method.host, method.password,
                         method.remoteFolder);
    const bool trusted =
        method.ftpMethod == 3
            ? wintest::TrustTestRoot()
            : wintest::TrustSftpHost(
                  method.host, qeltest::QelProcess::SettingsFolder() + qel::kKnownHostsFileName);
    DeleteFileA(remote.c_str());
    // From before the start on: the first page may go up as soon as Run is on.
    const std::size_t logInsFrom = wintest::ReadBytes(method.logInLog).value_or("").size();
    const std::size_t historyFrom = wintest::ReadBytes(HistoryPath()).value_or("").size();
    if (!trusted || !qel.Start()) {
        std::printf("  FAULT: %s: the host could not be trusted or Qel did not start\n",
                    method.name);
        return false;
    }
    qel.SetText(IDC_txtPort, " " + std::to_string(kPort));
    qel.Click(IDC_ckkRun);
    qel.WaitForText(IDC_lblStatus, "Serial communication established");

    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> within(0, 1);
    StretchLog log;
    std::vector<Clock::time_point> sentAt;                    // index: block number - 1
    std::vector<std::pair<Clock::time_point, int>> arrivals;  // a new page on the host, when
    std::set<int> seen;
    std::vector<double> dropsAt;
    int failedDrops = 0;
    std::optional<Resources> atStart;
    auto nextBlock = log.start;
    auto nextDrop = log.start + After(kDropEvery + within(random));
    int lastOnHost = -1;
    // One look at everything: sends the block that is due and notes what reached the host.
    const auto step = [&] {
        if (Clock::now() >= nextBlock) {
            nextBlock += kBlockInterval;
            sentAt.push_back(Clock::now());
            device->Send("block " + std::to_string(sentAt.size()) + "@@@@");
        }
        // A block an earlier stretch left in the line (numbered past ours) is no page of ours.
        const int onHost = BlockOnHost(remote);
        if (onHost > 0 && onHost <= static_cast<int>(sentAt.size()) && onHost != lastOnHost) {
            arrivals.emplace_back(Clock::now(), onHost);
            seen.insert(onHost);
            lastOnHost = onHost;
            if (!atStart) {
                atStart = ResourcesOf(qel.ProcessHandle(), seen.size());
            }
        }
        log.Look(qel.Text(IDC_lblStatus));
    };
    while (Clock::now() - log.start < After(seconds)) {
        step();
        if (Clock::now() >= nextDrop) {
            nextDrop = log.start +
                       After(kDropEvery * static_cast<double>(dropsAt.size() + 2) + within(random));
            dropsAt.push_back(Seconds(Clock::now() - log.start));
            const bool dropped = method.ftpMethod == 3
                                     ? ftp.Command("DROP")
                                     : qeltest::HarnessCommand("drop-ssh", "", step);
            failedDrops += dropped ? 0 : 1;
        }
        Sleep(20);
    }
    const int sent = static_cast<int>(sentAt.size());
    nextBlock = Clock::time_point::max();  // no more blocks: the last look only looks
    qeltest::WaitUntil([&] { return BlockOnHost(remote) == sent; }, 10000);
    step();
    const Resources atEnd = ResourcesOf(qel.ProcessHandle(), seen.size());
    qel.Menu(IDM_mnuExit);
    qel.WaitForExit(10000);
    const int logIns = LinesSince(method.logInLog, logInsFrom, method.logInMarks);
    std::string history = wintest::ReadBytes(HistoryPath()).value_or("");
    history.erase(0, std::min(historyFrom, history.size()));
    DeleteFileA(remote.c_str());

    // What was shown in red, and when.
    std::vector<double> failuresAt;
    for (const auto& [at, text] : log.texts) {
        if (IsFailureText(text)) {
            failuresAt.push_back(at);
        }
    }
    // Each lost block, put down to a cause: a newer block replaced it while the upload before
    // it still ran (no page reached the host from its writing until the next block's: the
    // upload before it ended after the next block could be taken out, when the waiting page
    // is replaced), or a failure shown within 10 s of its writing.
    int replaced = 0, afterFailure = 0, unexplained = 0;
    std::vector<int> unexplainedBlocks;
    for (int block = 1; block <= sent; ++block) {
        if (seen.count(block)) {
            continue;
        }
        const auto written = sentAt[block - 1];
        const auto nextWritten = block < sent ? sentAt[block] : Clock::time_point::max();
        const bool arrivalBetween =
            std::any_of(arrivals.begin(), arrivals.end(), [&](const auto& arrival) {
                return arrival.first >= written && arrival.first < nextWritten;
            });
        const double at = Seconds(written - log.start);
        if (!arrivalBetween) {
            ++replaced;
        } else if (std::any_of(failuresAt.begin(), failuresAt.end(),
                               [&](double shown) { return shown >= at && shown <= at + 10; })) {
            ++afterFailure;
        } else {
            ++unexplained;
            unexplainedBlocks.push_back(block);
        }
    }
    // The longest wait for a page: from the stretch's start to the first page, between pages,
    // and from the last page to the end.
    double longestWait = 0;
    auto previous = log.start;
    for (const auto& [when, block] : arrivals) {
        longestWait = std::max(longestWait, Seconds(when - previous));
        previous = when;
    }
    longestWait = std::max(longestWait, Seconds(log.start + After(seconds) - previous));

    std::string drops;
    for (const double at : dropsAt) {
        drops += " " + std::to_string(static_cast<int>(at)) + " s";
    }
    const Resources first = atStart.value_or(atEnd);
    std::printf("  %s: blocks sent %d, pages on the host %zu; host dropped the connection at%s%s\n",
                method.name, sent, seen.size(), drops.c_str(),
                failedDrops ? " (FAULT: a drop was not acknowledged)" : "");
    std::printf(
        "    lost: replaced by a newer block while the upload before it ran %d, within 10 s of a "
        "red text %d, for no named cause %d\n",
        replaced, afterFailure, unexplained);
    for (std::size_t i = 0; i < unexplainedBlocks.size() && i < 10; ++i) {
        std::printf("    FAULT: block %d lost for no named cause\n", unexplainedBlocks[i]);
    }
    std::printf(
        "    log-ins %d for %zu drops (goal: one more than the drops); red texts %zu; longest "
        "time without a page reaching the host %.1f s\n",
        logIns, dropsAt.size(), failuresAt.size(), longestWait);
    std::printf(
        "    Qel.exe: private bytes %.0f KB at the first page, %.0f KB at the end (%zu pages); "
        "handles %s, then %s\n",
        first.privateBytes / 1024.0, atEnd.privateBytes / 1024.0, atEnd.pages,
        Count(first.handles).c_str(), Count(atEnd.handles).c_str());
    // Start-up, Run on and exit are written every time; a drop should add nothing else.
    std::size_t lines = 0;
    for (std::size_t from = 0, end; from < history.size(); from = end + 1) {
        end = std::min(history.find('\n', from), history.size());
        const std::string line = history.substr(from, end - from);
        const bool everyTime = line.find(" Qel ") != std::string::npos ||
                               line.find(" Run started") != std::string::npos;
        if (!everyTime && !line.empty()) {
            if (++lines <= 10) {
                std::printf("    Qel.log: %s\n", line.c_str());
            }
        }
    }
    for (const auto& [at, text] : log.texts) {
        if (IsFailureText(text)) {
            std::printf("    red at %.1f s: %s\n", at, text.c_str());
        }
    }
    std::fflush(stdout);
    return unexplained == 0 && failedDrops == 0;
}

// The stretch of dropped connections: FTPS, then SFTP (OpenSSH's server).
bool DroppingStretch(const qeltest::FtpServerControl& ftp,
                     std::unique_ptr<qeltest::DevicePort>& device) {
    constexpr double kSeconds = 180;
    std::printf(
        "  the host dropping the kept connection every 30 s, a block every second, %.0f s for "
        "each method:\n",
        kSeconds);
    const DroppingMethod methods[] = {
        {3,
         "FTP Method 3 (FTPS)",
         Env("PELLUCOR_FTP_TLS_HOST"),
         ftp.Server().user,
         ftp.Server().password,
         "/",
         ftp.Server().root,
         Env("PELLUCOR_FTP_LOG"),
         {"USER "}},
        {4,
         "FTP Method 4 (SFTP, OpenSSH)",
         Env("PELLUCOR_SFTP_HOST"),
         Env("PELLUCOR_SFTP_USER"),
         Env("PELLUCOR_SFTP_PASSWORD"),
         Env("PELLUCOR_SFTP_ROOT") + "/www/",
         Env("PELLUCOR_SFTP_WINDOWS_ROOT") + "\\www\\",
         Env("PELLUCOR_SFTP_SSHD_LOG"),
         {"Accepted password for", "Accepted publickey for", "Accepted keyboard-interactive"}}};
    if (!device) {
        device = std::make_unique<qeltest::DevicePort>(kPort);
    }
    bool sound = true;
    for (const DroppingMethod& method : methods) {
        sound = DroppingMethodStretch(method, ftp, device, kSeconds) && sound;
    }
    return sound;
}

}  // namespace

int main(int argc, char** argv) {
    const double faultMinutes = argc > 1 ? std::max(0.1, std::atof(argv[1])) : 5.0;
    const auto ftp = qeltest::FtpServerControl::FromEnvironment();
    if (!ftp || !qeltest::DevicePort::LinkedPortsAvailable()) {
        std::printf("soak_bench: run it inside the test harness's Wine session\n");
        return 1;
    }
    const std::string only = wintest::EnvVar("PELLUCOR_SOAK_ONLY").value_or("");
    if (only == "dropping") {
        std::printf("soak: the stretch of dropped connections alone\n");
        auto device = std::make_unique<qeltest::DevicePort>(kPort);
        return device->Opened() && DroppingStretch(*ftp, device) ? 0 : 1;
    }
    qeltest::QelProcess qel;
    wintest::WriteBytes(qel.Folder() + "Leq.ini",
                        "soak\r\n" + std::string(kPage) + "\r\nLab\r\n10\r\n 2 \r\n 0 \r\n");
    qel::Win32FileSystem files;
    qel::SaveHostProfile(files, qel.Folder(), "soak", ftp->Server().user, ftp->Server().host,
                         ftp->Server().password, "/");
    const std::string remote = ftp->Server().root + kPage;
    DeleteFileA(remote.c_str());
    DeleteFileA(HistoryPath().c_str());
    auto device = std::make_unique<qeltest::DevicePort>(kPort);
    if (!device->Opened() || !qel.Start()) {
        std::printf("soak_bench: Qel or the device port did not start\n");
        return 1;
    }
    qel.SetText(IDC_txtPort, " " + std::to_string(kPort));
    qel.Click(IDC_ckkRun);
    qel.WaitForText(IDC_lblStatus, "Serial communication established");
    if (only == "outliving") {
        int block = 0;
        std::printf("soak: the stretch of an outliving upload alone\n");
        OutlivingStretch(qel, device, *ftp, remote, block);
        qel.Menu(IDM_mnuExit);
        qel.WaitForExit(10000);
        return 0;
    }

    std::mt19937 random(20261207);
    const auto start = Clock::now();
    const auto faultsEnd = start + After(faultMinutes * 60);
    const auto end = faultsEnd + After(kFaultFreeMinutes * 60);
    Fault host(15, 45, 3, 15);
    Fault unplugged(20, 60, 2, 10);
    // A host that accepts and then trickles a greeting that never ends: only the overall
    // upload limit (120 s) ends such an upload, so it lasts long enough to meet it.
    Fault trickling(30, 60, 130, 150);
    host.next = start + After(host.between(random));
    unplugged.next = start + After(unplugged.between(random));
    trickling.next = start + After(trickling.between(random));

    std::map<int, Clock::time_point> sentAt;  // block number -> when it was written
    int failedWrites = 0;
    std::set<int> seen;
    int lastSeen = -1;
    auto lastChange = start;
    double largestGap = 0;
    int lineErrorReports = 0;
    std::string lastStatus;
    auto silentSince = start;
    int lastSeenForSilence = -1;
    double longestSilence = 0;
    std::optional<Resources> afterFirstMinute;
    auto nextBlock = start;
    while (Clock::now() < end) {
        const auto now = Clock::now();
        for (Fault* fault : {&host, &unplugged, &trickling}) {
            const bool due = now >= fault->next;
            // Faults end with the faulty stretch; none starts after it.
            if (!(due && (fault->active || now < faultsEnd))) {
                continue;
            }
            fault->active = !fault->active;
            if (fault->active) {
                fault->spells.emplace_back(now, now);
            } else {
                fault->spells.back().second = now;
            }
            if (fault == &host) {
                ftp->Command(host.active ? "DOWN" : "UP");
            } else if (fault == &trickling) {
                ftp->Command(trickling.active ? "TRICKLE 20" : "TRICKLE 0");
            } else if (unplugged.active) {
                device.reset();
                qeltest::DevicePort::Unplug(kPort);
            } else {
                qeltest::DevicePort::Replug(kPort);
                device = std::make_unique<qeltest::DevicePort>(kPort);
            }
            fault->next =
                now + After(fault->active ? fault->lasting(random) : fault->between(random));
        }
        if (Clock::now() >= nextBlock) {
            nextBlock += kBlockInterval;
            if (!unplugged.active && device && device->Opened()) {
                const int block = static_cast<int>(sentAt.size()) + 1;
                sentAt[block] = Clock::now();
                failedWrites += device->Send("block " + std::to_string(block) + "@@@@") ? 0 : 1;
            }
        }
        const int onHost = BlockOnHost(remote);
        if (onHost != lastSeen && onHost > 0) {
            largestGap = std::max(largestGap, Seconds(Clock::now() - lastChange));
            lastChange = Clock::now();
            lastSeen = onHost;
            seen.insert(onHost);
        }
        const std::string status = qel.Text(IDC_lblStatus);
        if (status != lastStatus && status.rfind("Serial data lost", 0) == 0) {
            ++lineErrorReports;
        }
        // Silence: blocks coming, none reaching the host, and no failure on the status line.
        if (IsFailureText(status) || onHost != lastSeenForSilence) {
            silentSince = Clock::now();
            lastSeenForSilence = onHost;
        } else if (!unplugged.active) {
            longestSilence = std::max(longestSilence, Seconds(Clock::now() - silentSince));
        }
        lastStatus = status;
        if (!afterFirstMinute && Clock::now() - start >= std::chrono::minutes(1)) {
            afterFirstMinute = ResourcesOf(qel.ProcessHandle(), seen.size());
        }
        Sleep(20);
    }
    const int sent = static_cast<int>(sentAt.size());
    qeltest::WaitUntil([&] { return BlockOnHost(remote) == sent; }, 5000);
    seen.insert(BlockOnHost(remote));
    const Resources atEnd = ResourcesOf(qel.ProcessHandle(), seen.size());
    const std::size_t historyBytes = wintest::ReadBytes(HistoryPath()).value_or("").size();

    // Each lost block, put down to the first cause that fits it.
    int lostHostDown = 0, lostUnplugged = 0, lostTrickling = 0, lostLineError = 0,
        lostUnexplained = 0;
    std::vector<int> unexplained;
    for (const auto& [block, when] : sentAt) {
        if (seen.count(block)) {
            continue;
        }
        if (unplugged.Around(when, 0, 3)) {
            ++lostUnplugged;  // in the line or the port's queue when the device went
        } else if (host.Around(when, 0, 3)) {
            ++lostHostDown;  // its upload ran while the host was down
        } else if (trickling.Around(when, 0, 125)) {
            ++lostTrickling;  // it waited behind an upload the trickling host held
        } else if (lineErrorReports > lostLineError) {
            ++lostLineError;
        } else {
            ++lostUnexplained;
            unexplained.push_back(block);
        }
    }

    std::printf(
        "soak: %.1f min with faults, then %.1f min without; a block every %lld ms, FTP "
        "Method 2, Comm Method 1\n",
        faultMinutes, kFaultFreeMinutes, static_cast<long long>(kBlockInterval.count()));
    std::printf(
        "  host down %zu times (%.0f s in all), device unplugged %zu times (%.0f s), host "
        "trickling its greeting %zu times (%.0f s)\n",
        host.spells.size(), host.ActiveSeconds(), unplugged.spells.size(),
        unplugged.ActiveSeconds(), trickling.spells.size(), trickling.ActiveSeconds());
    std::printf("  blocks sent %d, writes to the device that failed %d\n", sent, failedWrites);
    std::printf(
        "  pages published %zu; lost: host down %d, device unplugged %d, host trickling %d, "
        "line error %d (%d reported), for no named cause %d\n",
        seen.size(), lostHostDown, lostUnplugged, lostTrickling, lostLineError, lineErrorReports,
        lostUnexplained);
    for (std::size_t i = 0; i < unexplained.size() && i < 10; ++i) {
        std::printf("    FAULT: block %d lost for no named cause\n", unexplained[i]);
    }
    std::printf("  largest gap between two pages on the host %.1f s\n", largestGap);
    std::printf(
        "  longest stretch with blocks coming, no page reaching the host and no red text %.1f s "
        "(limit: 120 s and a tick)\n",
        longestSilence);
    const Resources first = afterFirstMinute.value_or(atEnd);
    std::printf(
        "  Qel.exe after the first minute: private bytes %.0f KB, handles %s, GDI "
        "objects %s, USER objects %s (%zu pages)\n",
        first.privateBytes / 1024.0, Count(first.handles).c_str(), Count(first.gdiObjects).c_str(),
        Count(first.userObjects).c_str(), first.pages);
    std::printf(
        "  Qel.exe at the end:            private bytes %.0f KB, handles %s, GDI "
        "objects %s, USER objects %s (%zu pages)\n",
        atEnd.privateBytes / 1024.0, Count(atEnd.handles).c_str(), Count(atEnd.gdiObjects).c_str(),
        Count(atEnd.userObjects).c_str(), atEnd.pages);
    std::printf(
        "  growth per 1,000 pages: private bytes %.1f KB, handles %.1f\n",
        PerThousandPages(first.privateBytes / 1024.0, atEnd.privateBytes / 1024.0, first, atEnd),
        PerThousandPages(first.handles, atEnd.handles, first, atEnd));
    PrintHistoryGrowth(
        faultMinutes,
        static_cast<int>(host.spells.size() + unplugged.spells.size() + trickling.spells.size()),
        historyBytes);
    int block = sent;
    ClosingStretch(qel, device, *ftp, remote, block);
    OutlivingStretch(qel, device, *ftp, remote, block);
    qel.Menu(IDM_mnuExit);
    qel.WaitForExit(10000);
    const bool droppingSound = DroppingStretch(*ftp, device);
    return lostUnexplained == 0 && failedWrites == 0 && droppingSound ? 0 : 1;
}
