// The device's end of a linked COM port pair.
#include "DevicePort.h"

#include <windows.h>

#include "FindStartupBas.h"
#include "QelProcess.h"
#include "WinTestSupport.h"

namespace qeltest {

namespace {
constexpr int kDeviceEndOffset = 30;
}

DevicePort::DevicePort(int qelPort) {
    device_.Open(qelPort + kDeviceEndOffset, "9600,N,8,1");
}

bool DevicePort::LinkedPortsAvailable() {
    return wintest::EnvVar("PELLUCOR_COM_PAIRS").has_value();
}

namespace {

// Asks the harness (a Linux script) to do `verb` to the session (with `argument` after the
// build folder, when given), and waits until it reports that it has.
bool TellSession(const char* verb, const std::string& argument,
                 const std::function<void()>& whileWaiting) {
    const auto script = wintest::EnvVar("PELLUCOR_UNIX_SESSION_SCRIPT");
    const auto build = wintest::EnvVar("PELLUCOR_UNIX_BUILD_DIR");
    if (!script || !build) {
        return false;
    }
    // A Linux program started from Wine cannot be waited for: it leaves a mark when done.
    const std::string mark = *build + "/wine/plugged-" + std::to_string(GetCurrentProcessId());
    const std::string windowsMark = FromUnixPath(mark);
    DeleteFileA(windowsMark.c_str());
    // It gets Wine's PATH, which names Windows folders.
    std::string command = "Z:\\bin\\bash -c \"PATH=/usr/sbin:/usr/bin:/sbin:/bin; export PATH; " +
                          *script + " " + verb + " " + *build +
                          (argument.empty() ? "" : " " + argument) + " >>" + *build +
                          "/wine/plug.log 2>&1 && touch " + mark + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    if (process.hThread) {
        CloseHandle(process.hThread);
    }
    if (process.hProcess) {
        CloseHandle(process.hProcess);
    }
    const bool done = wintest::PumpUntil(
        [&] {
            if (whileWaiting) {
                whileWaiting();
            }
            return GetFileAttributesA(windowsMark.c_str()) != INVALID_FILE_ATTRIBUTES;
        },
        std::chrono::seconds(20));
    DeleteFileA(windowsMark.c_str());
    return done;
}

}  // namespace

bool DevicePort::Unplug(int qelPort, const std::function<void()>& whileWaiting) {
    return TellSession("unplug", std::to_string(qelPort), whileWaiting);
}

bool DevicePort::Replug(int qelPort) {
    return TellSession("replug", std::to_string(qelPort), {});
}

bool DropSshConnections(const std::function<void()>& whileWaiting) {
    return TellSession("drop-ssh", "", whileWaiting);
}

std::string AppDataFile(const std::string& name) {
    return pellucor::SpecialFolderPath(0x1A) + name;
}

}  // namespace qeltest
