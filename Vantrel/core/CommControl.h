// Our serial communications control: a COM port driven through properties (port number,
// settings, open switch, input), each of which can refuse with a description for the status
// line. The second communication method and the port search use it.
#pragma once

#include <optional>
#include <string>

#include "SerialDevice.h"

namespace qel {

class CommControl {
public:
    using Error = std::optional<std::string>;  // the refusal's description, or nullopt

    static constexpr int kMaxCommPort = 255;

    explicit CommControl(SerialDevice& device) : device_(device) {}

    // The port number cannot change while the port is open, and must name a COM port.
    Error SetCommPort(int port);
    // A mode text such as "9600,N,8,1"; used the next time the port opens.
    Error SetSettings(const std::string& settings);
    // True opens the port (refused when it is already open); false closes it.
    Error SetPortOpen(bool open);
    bool PortOpen() const { return device_.IsOpen(); }
    // Everything received since the previous call; "" when nothing came or the port is closed.
    // A port that fails while it is read (a device unplugged) sets `error` to the failure's
    // description; what came before the failure is still returned.
    std::string Input(Error& error);
    // Line errors met while the input was received (see SerialDevice::TakeLineError).
    std::optional<std::string> TakeLineError() { return device_.TakeLineError(); }

private:
    SerialDevice& device_;
    int commPort_ = 1;
    std::string settings_ = "9600,N,8,1";
};

// True for a mode text of the form "baud,parity,data bits,stop bits" (parity N, E, O, M or S;
// data bits 4 to 8; stop bits 1, 1.5 or 2).
bool IsValidCommSettings(const std::string& settings);

}  // namespace qel
