// The device's end of a linked COM port pair.
#include "DevicePort.h"

#include <windows.h>

#include "FindStartupBas.h"
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

std::string AppDataFile(const std::string& name) {
    return pellucor::SpecialFolderPath(0x1A) + name;
}

}  // namespace qeltest
