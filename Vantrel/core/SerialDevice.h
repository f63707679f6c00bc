// Raw access to one COM port as the operating system gives it. Both communication methods and
// the port search are built on it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace qel {

struct SerialError {
    enum class Kind { NoSuchPort, InUse, BadSettings, Other };
    Kind kind = Kind::Other;
    std::string description;
};

class SerialDevice {
public:
    virtual ~SerialDevice() = default;
    // Opens COM<port> with a mode string such as "9600,N,8,1".
    virtual std::optional<SerialError> Open(int port, const std::string& mode) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Copies up to `capacity` waiting bytes into `buffer` and returns how many; returns 0 at once
    // when nothing is waiting. Never blocks.
    virtual std::size_t Read(char* buffer, std::size_t capacity,
                             std::optional<SerialError>& error) = 0;
    // The line errors (overrun, framing, parity) met since the last call, as a short text such
    // as "overrun"; nullopt when the line was clean.
    virtual std::optional<std::string> TakeLineError() = 0;
};

}  // namespace qel
