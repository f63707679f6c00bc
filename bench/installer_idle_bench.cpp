// Prints how much processor time SetupQel uses while its information window waits for the
// user: a loop that only peeks at the message queue would keep a whole core busy. Runs the
// installer from a copy of the install set in the Wine session of the test harness, then
// cancels it (nothing is installed).
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>

#include "Installation.h"
#include "Polling.h"
#include "ProgramRun.h"
#include "SetupForms.h"

namespace {

constexpr unsigned kSpanMs = 3000;

// Processor time in milliseconds that the host's processes whose name starts so have used (user and
// system), read from the host's /proc through Wine's drive Z:. Wine's GetProcessTimes does not
// report it for other processes.
double HostProcessorMs(const std::string& name) {
    constexpr double kMsPerTick = 10.0;  // Linux reports clock ticks of 1/100 s
    double total = 0;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) {
        return -1;
    }
    do {
        const std::string folder = std::string("Z:\\proc\\") + found.cFileName + "\\";
        if (!std::isdigit(static_cast<unsigned char>(found.cFileName[0])) ||
            wintest::ReadBytes(folder + "comm").value_or("").rfind(name, 0) != 0) {
            continue;
        }
        // Fields after the command's closing parenthesis: state is the 3rd field of the line,
        // utime and stime the 14th and 15th.
        const std::string stat = wintest::ReadBytes(folder + "stat").value_or("");
        const auto close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream fields(stat.substr(close + 2));
        std::string field;
        for (int index = 3; index <= 15 && fields >> field; ++index) {
            if (index >= 14) {
                total += std::stod(field) * kMsPerTick;
            }
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return total;
}

}  // namespace

int main() {
    qeltest::InstallSetCopy set;
    qeltest::ProgramRun run;
    if (!run.Start(set.SetupExe(), set.Folder())) {
        std::printf("could not start SetupQel\n");
        return 1;
    }
    HWND help = run.WaitForWindow(setup::forms::kHelpFormClass, setup::forms::IDC_Command2);
    if (!help) {
        std::printf("no information window\n");
        return 1;
    }
    const double installerBefore = HostProcessorMs("SetupQel.exe");
    const ULONGLONG start = GetTickCount64();
    // A measuring span, not a wait for a condition.
    qeltest::WaitUntil([&] { return GetTickCount64() - start >= kSpanMs; }, kSpanMs + 1000);
    const double installer = HostProcessorMs("SetupQel.exe") - installerBefore;
    const double wall = static_cast<double>(GetTickCount64() - start);
    std::printf(
        "SetupQel while its information window waits, over %.0f ms: installer %.0f ms "
        "(%.1f %% of a core)\n",
        wall, installer, 100.0 * installer / wall);
    qeltest::Press(help, setup::forms::IDC_Command2);
    run.WaitForExit();
    return 0;
}
