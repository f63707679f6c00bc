// A COM port opened as a device file: the operating system's side of both communication
// methods and of the port search.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "SerialDevice.h"
#include "UniqueHandle.h"

namespace qel {

class Win32SerialDevice : public SerialDevice {
public:
    Win32SerialDevice() = default;
    Win32SerialDevice(const Win32SerialDevice&) = delete;
    Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;
    ~Win32SerialDevice() override;

    // Opens COM<port> with a mode such as "9600,N,8,1"; an open port is closed first. A port
    // this process already holds is refused as in use, as Windows itself does.
    std::optional<SerialError> Open(int port, const std::string& mode) override;
    void Close() override;
    bool IsOpen() const override;
    // Returns at once with what is waiting, 0 bytes when nothing is; an error when the device
    // has gone.
    std::size_t Read(char* buffer, std::size_t capacity,
                     std::optional<SerialError>& error) override;
    std::optional<std::string> TakeLineError() override;
    // Sends all the bytes; false when the port is closed or the write fails.
    bool Write(const char* bytes, std::size_t count);

private:
    UniqueHandle port_;
    int portNumber_ = 0;
    DWORD lineErrors_ = 0;  // ClearCommError's flags not yet taken
};

}  // namespace qel
