// The device's end of a linked COM port pair.
#include "DevicePort.h"

#include <windows.h>

#include "FindStartupBas.h"

namespace qeltest {

namespace {
constexpr int kDeviceEndOffset = 30;
}

DevicePort::DevicePort(int qelPort) {
    device_.Open(qelPort + kDeviceEndOffset, "9600,N,8,1");
}

bool DevicePort::LinkedPortsAvailable() {
    char pairs[256] = {};
    return GetEnvironmentVariableA("PELLUCOR_COM_PAIRS", pairs, sizeof pairs) > 0;
}

std::string AppDataFile(const std::string& name) {
    return pellucor::SpecialFolderPath(0x1A) + name;
}

}  // namespace qeltest
