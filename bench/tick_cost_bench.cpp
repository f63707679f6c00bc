// Prints what one timer tick costs when nothing new has arrived, against the size of the text
// waiting in InBuffer (no marker in it): the cost must not grow with the buffer.
#include <chrono>
#include <cstdio>
#include <string>

#include "CommControl.h"
#include "DeviceFakes.h"
#include "FTPbyAPIModule3.h"
#include "Fakes.h"
#include "MainForm.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Rig {
    qel::ProgramState state;
    qel::FakeMainView view;
    qel::FakeFileSystem files;
    qel::FakeClock clock;
    qel::FakeSerialDevice commFile;
    qel::FakeSerialDevice controlPort;
    qel::CommControl comm{controlPort};
    qel::FakeInternetApi internet;
    qel::FTPbyAPIModule3 ftpApi{internet, view, clock, state};
    qel::FakeTransferControl transfer;
    qel::FakeStatusRecorder history;
    qel::MainForm form{
        qel::MainFormParts{state, view, files, clock, commFile, comm, ftpApi, transfer, history}};

    explicit Rig(int method) {
        state.CommMethod = static_cast<std::uint8_t>(method);
        view.portText = "3";
        view.runChecked = true;
        commFile.availablePorts = {3};
        controlPort.availablePorts = {3};
        form.Timer1_Timer();  // opens the port
    }
};

// Nanoseconds per tick once `size` characters without a marker wait in InBuffer. The buffer is
// filled through the port, as the device would fill it, in 64 KB bursts.
double NanosecondsPerQuietTick(int method, std::size_t size) {
    Rig rig(method);
    const std::string burst(64 * 1024, 'x');
    while (rig.form.InBuffer.size() < size) {
        rig.commFile.waiting += burst.substr(0, size - rig.form.InBuffer.size());
        rig.controlPort.waiting = rig.commFile.waiting;
        rig.form.Timer1_Timer();
        rig.commFile.waiting.clear();
        rig.controlPort.waiting.clear();
    }
    constexpr int kTicks = 2000;
    const auto start = Clock::now();
    for (int i = 0; i < kTicks; ++i) {
        rig.form.Timer1_Timer();
    }
    const auto elapsed = std::chrono::duration<double, std::nano>(Clock::now() - start);
    return elapsed.count() / kTicks;
}

// What a tick would cost if it copied InBuffer and searched it from the start every time.
double NanosecondsPerFullSearch(std::size_t size) {
    const std::string buffer(size, 'x');
    constexpr int kRounds = 20;
    std::size_t found = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kRounds; ++i) {
        const std::string copy = buffer;
        found += copy.find("@@@@") == std::string::npos ? 0 : 1;
    }
    const auto elapsed = std::chrono::duration<double, std::nano>(Clock::now() - start);
    return found == 0 ? elapsed.count() / kRounds : 0;
}

}  // namespace

int main() {
    const std::size_t sizes[] = {0, 1u << 20, 16u << 20};
    const char* names[] = {"empty", "1 MB", "16 MB"};
    for (int method : {0, 1}) {
        std::printf("communication method %d (%s)\n", method + 1,
                    method == 0 ? "device file" : "serial control");
        double baseline = 0;
        for (int i = 0; i < 3; ++i) {
            const double ns = NanosecondsPerQuietTick(method, sizes[i]);
            if (i == 0) {
                baseline = ns;
            }
            std::printf(
                "  InBuffer %-6s  %10.1f ns per tick   ratio to empty %.2f   (copying and "
                "searching it whole: %.0f ns)\n",
                names[i], ns, ns / baseline, NanosecondsPerFullSearch(sizes[i]));
        }
    }
    return 0;
}
