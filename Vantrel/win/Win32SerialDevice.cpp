// A COM port opened as a device file: the operating system's side of both communication
// methods and of the port search.
#include "Win32SerialDevice.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <utility>

#include "PathText.h"
#include "Win32Error.h"

namespace qel {
namespace {

// Windows refuses a second open of a port that is already open, but Wine lets it through; the
// ports this process holds are tracked here so both give the same answer.
class PortsHeld {
public:
    static bool Claim(int port) {
        const std::lock_guard lock(Mutex());
        return Ports().insert(port).second;
    }
    static void Free(int port) {
        const std::lock_guard lock(Mutex());
        Ports().erase(port);
    }

private:
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::set<int>& Ports() {
        static std::set<int> ports;
        return ports;
    }
};

SerialError ErrorOfKind(SerialError::Kind kind, DWORD code) {
    return SerialError{kind, ErrorDescription(code)};
}

SerialError OpenError(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ErrorOfKind(SerialError::Kind::NoSuchPort, code);
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return ErrorOfKind(SerialError::Kind::InUse, code);
        default:
            return ErrorOfKind(SerialError::Kind::Other, code);
    }
}

std::optional<SerialError> ApplyMode(HANDLE port, const std::string& mode) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    // Start from the port's present state so members the mode does not mention stay sane.
    if (!GetCommState(port, &dcb) || !BuildCommDCBA(mode.c_str(), &dcb)) {
        return ErrorOfKind(SerialError::Kind::BadSettings, GetLastError());
    }
    // A line error (framing, overrun) must not stop every later read until it is cleared.
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(port, &dcb)) {
        return ErrorOfKind(SerialError::Kind::BadSettings, GetLastError());
    }
    return std::nullopt;
}

std::optional<SerialError> MakeReadsReturnAtOnce(HANDLE port) {
    COMMTIMEOUTS timeouts{};
    // MAXDWORD with both read totals 0: a read hands over what is waiting, or 0 bytes at once.
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    // Writes get a bound so a port that never drains cannot hang the caller.
    timeouts.WriteTotalTimeoutMultiplier = 2;
    timeouts.WriteTotalTimeoutConstant = 1000;
    if (!SetCommTimeouts(port, &timeouts)) {
        return ErrorOfKind(SerialError::Kind::Other, GetLastError());
    }
    return std::nullopt;
}

constexpr DWORD kInputQueueBytes = 64 * 1024;

std::string DevicePath(int port) {
    return "\\\\.\\COM" + std::to_string(port);
}

std::optional<SerialError> OpenDevice(int port, const std::string& mode, UniqueHandle& device) {
    UniqueHandle opened(CreateFileW(pellucor::Wide(DevicePath(port)).c_str(),
                                    GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!opened) {
        return OpenError(GetLastError());
    }
    // A roomy input queue rides out a window that is busy for a while; a driver that refuses
    // keeps its own size, which still works.
    SetupComm(opened.Get(), kInputQueueBytes, 0);
    if (auto error = ApplyMode(opened.Get(), mode)) {
        return error;
    }
    if (auto error = MakeReadsReturnAtOnce(opened.Get())) {
        return error;
    }
    device = std::move(opened);
    return std::nullopt;
}

}  // namespace

Win32SerialDevice::~Win32SerialDevice() {
    Close();
}

std::optional<SerialError> Win32SerialDevice::Open(int port, const std::string& mode) {
    Close();
    if (!PortsHeld::Claim(port)) {
        return ErrorOfKind(SerialError::Kind::InUse, ERROR_ACCESS_DENIED);
    }
    if (auto error = OpenDevice(port, mode, port_)) {
        PortsHeld::Free(port);
        return error;
    }
    portNumber_ = port;
    lineErrors_ = 0;
    return std::nullopt;
}

void Win32SerialDevice::Close() {
    if (port_) {
        port_.Close();
        PortsHeld::Free(portNumber_);
    }
}

bool Win32SerialDevice::IsOpen() const {
    return port_.Valid();
}

std::size_t Win32SerialDevice::Read(char* buffer, std::size_t capacity,
                                    std::optional<SerialError>& error) {
    error.reset();
    if (!port_) {
        error = ErrorOfKind(SerialError::Kind::Other, ERROR_INVALID_HANDLE);
        return 0;
    }
    const auto wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, MAXDWORD));
    DWORD got = 0;
    if (wanted > 0 && !ReadFile(port_.Get(), buffer, wanted, &got, nullptr)) {
        error = ErrorOfKind(SerialError::Kind::Other, GetLastError());
        return 0;
    }
    // Asking for the port's state tells a device that has gone (a USB adapter unplugged, the
    // far end of a line closed), which may go on reading as empty, from a quiet one; and it
    // collects the line errors met meanwhile.
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port_.Get(), &errors, &status)) {
        if (got == 0) {
            error = ErrorOfKind(SerialError::Kind::Other, GetLastError());
        }
    } else {
        lineErrors_ |= errors;
    }
    return got;
}

std::optional<std::string> Win32SerialDevice::TakeLineError() {
    const DWORD errors = std::exchange(lineErrors_, 0);
    if (errors & (CE_OVERRUN | CE_RXOVER)) {
        return std::string("overrun");
    }
    if (errors & CE_FRAME) {
        return std::string("framing");
    }
    if (errors & CE_RXPARITY) {
        return std::string("parity");
    }
    return std::nullopt;
}

bool Win32SerialDevice::Write(const char* bytes, std::size_t count) {
    if (!port_) {
        return false;
    }
    while (count > 0) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(count, MAXDWORD));
        DWORD written = 0;
        if (!WriteFile(port_.Get(), bytes, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes += written;
        count -= written;
    }
    return true;
}

}  // namespace qel
