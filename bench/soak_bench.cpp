// Soak: hours of unattended running compressed into a bounded run. The device sends a block
// every tick (500 ms) for the given minutes while the FTP host goes down and up and the device
// is unplugged and plugged back at random moments; prints the blocks sent, the pages published,
// the pages lost, the largest gap between two pages on the host, and Qel's private bytes at the
// start and the end, and how much the status history grew. Runs Qel.exe (FTP Method 2) in the
// Wine session of the test harness.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "DevicePort.h"
#include "FtpServerControl.h"
#include "HostProfile.h"
#include "MainFormLayout.h"
#include "Polling.h"
#include "QelProcess.h"
#include "Win32FileSystem.h"

namespace {

using namespace qel::layout;
using Clock = std::chrono::steady_clock;

constexpr int kPort = 5;
constexpr char kPage[] = "soak.html";

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Private bytes and working set. Where the system leaves the private count empty (Wine does
// for other processes), the commit charge (PagefileUsage) stands in: the same on Windows.
struct Memory {
    SIZE_T privateBytes = 0;
    SIZE_T workingSet = 0;
};

Memory MemoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
        std::printf("  (no memory figures: error %lu)\n", GetLastError());
        return {};
    }
    return {counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage,
            counters.WorkingSetSize};
}

// The block number a page on the host carries, or -1.
int BlockOnHost(const std::string& path) {
    const std::string page = wintest::ReadBytes(path).value_or("");
    const auto at = page.find("<body><br>block ");
    return at == std::string::npos ? -1 : std::atoi(page.c_str() + at + 16);
}

// A fault that comes and goes: off for a random while, then on for a random while.
struct Fault {
    Fault(double fromSeconds, double toSeconds, double forSeconds, double upToSeconds)
        : between(fromSeconds, toSeconds), lasting(forSeconds, upToSeconds) {}
    std::uniform_real_distribution<double> between;
    std::uniform_real_distribution<double> lasting;
    bool active = false;
    Clock::time_point next;
    double activeSeconds = 0;
    int times = 0;
};

// The status history, emptied before the soak so that its size at the end is what the soak's
// faults wrote.
std::string HistoryPath() {
    return qeltest::AppDataFile("Pellucor\\Qel.log");
}

void PrintHistoryGrowth(double minutes, int faults) {
    const double bytes = static_cast<double>(wintest::ReadBytes(HistoryPath()).value_or("").size());
    std::printf(
        "  Qel.log %.0f bytes after %d faults: %.1f KB per hour at this fault rate, %.0f "
        "bytes a fault\n",
        bytes, faults, bytes / 1024.0 * 60.0 / minutes, faults ? bytes / faults : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::max(0.1, std::atof(argv[1])) : 5.0;
    const auto ftp = qeltest::FtpServerControl::FromEnvironment();
    if (!ftp || !qeltest::DevicePort::LinkedPortsAvailable()) {
        std::printf("soak_bench: run it inside the test harness's Wine session\n");
        return 1;
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
    const Memory memoryAtStart = MemoryOf(qel.ProcessHandle());

    std::mt19937 random(20261207);
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(minutes * 60));
    const auto at = [&](double seconds) {
        return Clock::now() +
               std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    };
    Fault host(15, 45, 3, 15);
    Fault unplugged(20, 60, 2, 10);
    host.next = at(host.between(random));
    unplugged.next = at(unplugged.between(random));

    int sent = 0;
    int sentWhileAllWell = 0;
    std::set<int> wellBlocks;  // sent while the host was up and the device plugged in
    std::set<int> seen;
    int lastSeen = -1;
    auto lastChange = start;
    double largestGap = 0;
    auto nextBlock = start;
    Clock::time_point faultStarted;
    while (Clock::now() < end) {
        const auto now = Clock::now();
        for (Fault* fault : {&host, &unplugged}) {
            if (now < fault->next) {
                continue;
            }
            fault->active = !fault->active;
            if (fault->active) {
                ++fault->times;
                faultStarted = now;
            } else {
                fault->activeSeconds += Seconds(now - faultStarted);
            }
            if (fault == &host) {
                ftp->Command(host.active ? "DOWN" : "UP");
            } else if (unplugged.active) {
                device.reset();
                qeltest::DevicePort::Unplug(kPort);
            } else {
                qeltest::DevicePort::Replug(kPort);
                device = std::make_unique<qeltest::DevicePort>(kPort);
            }
            fault->next = at(fault->active ? fault->lasting(random) : fault->between(random));
        }
        if (Clock::now() >= nextBlock) {
            nextBlock += std::chrono::milliseconds(500);
            if (!unplugged.active && device && device->Opened()) {
                ++sent;
                device->Send("block " + std::to_string(sent) + "@@@@");
                if (!host.active) {
                    ++sentWhileAllWell;
                    wellBlocks.insert(sent);
                }
            }
        }
        const int onHost = BlockOnHost(remote);
        if (onHost != lastSeen && onHost > 0) {
            largestGap = std::max(largestGap, Seconds(Clock::now() - lastChange));
            lastChange = Clock::now();
            lastSeen = onHost;
            seen.insert(onHost);
        }
        Sleep(20);
    }
    ftp->Command("UP");
    if (unplugged.active) {
        qeltest::DevicePort::Replug(kPort);
    }
    // The last block has a few seconds to arrive.
    qeltest::WaitUntil([&] { return BlockOnHost(remote) == sent; }, 5000);
    if (BlockOnHost(remote) != lastSeen) {
        seen.insert(BlockOnHost(remote));
    }
    const Memory memoryAtEnd = MemoryOf(qel.ProcessHandle());
    int lostWhileWell = 0;
    for (int block : wellBlocks) {
        lostWhileWell += seen.count(block) == 0 ? 1 : 0;
    }
    qel.Menu(IDM_mnuExit);
    qel.WaitForExit(10000);

    std::printf("soak: %.1f min, a block every 500 ms, FTP Method 2, Comm Method 1\n", minutes);
    std::printf("  host down %d times (%.0f s in all), device unplugged %d times (%.0f s)\n",
                host.times, host.activeSeconds, unplugged.times, unplugged.activeSeconds);
    std::printf("  blocks sent %d (%d while the host was up)\n", sent, sentWhileAllWell);
    std::printf("  pages published %zu, pages lost %d (%d of them while the host was up)\n",
                seen.size(), sent - static_cast<int>(seen.size()), lostWhileWell);
    std::printf("  largest gap between two pages on the host %.1f s\n", largestGap);
    std::printf(
        "  Qel.exe private bytes %.0f KB at the start, %.0f KB at the end; working set "
        "%.0f KB, %.0f KB\n",
        memoryAtStart.privateBytes / 1024.0, memoryAtEnd.privateBytes / 1024.0,
        memoryAtStart.workingSet / 1024.0, memoryAtEnd.workingSet / 1024.0);
    PrintHistoryGrowth(minutes, host.times + unplugged.times);
    return 0;
}
