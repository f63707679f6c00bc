// The device's end of a linked COM port pair: what a test writes here arrives at the port Qel
// reads. The harness links COM<n> to COM<n+30> (COM3 to COM33, COM4 to COM34, ...).
#pragma once

#include <functional>
#include <string>

#include "Win32SerialDevice.h"

namespace qeltest {

class DevicePort {
public:
    // Opens the device end that feeds `qelPort`; false from Opened() when the harness has no such
    // pair (the test should then be skipped).
    explicit DevicePort(int qelPort);
    bool Opened() const { return device_.IsOpen(); }
    bool Send(const std::string& text) { return device_.Write(text.data(), text.size()); }

    static bool LinkedPortsAvailable();
    // The device behind `qelPort` goes away as an unplugged one does (the port Qel holds stops
    // working and cannot be opened again), or comes back; true once it has. An open DevicePort
    // on that pair must be opened anew after a replug.
    // `whileWaiting` runs again and again until then.
    static bool Unplug(int qelPort, const std::function<void()>& whileWaiting = {});
    static bool Replug(int qelPort);

private:
    qel::Win32SerialDevice device_;
};

// The harness's SSH servers end every connection they hold, as a host that drops them does;
// true once they have. `whileWaiting` runs again and again until then.
bool DropSshConnections(const std::function<void()>& whileWaiting = {});

// The page file as Qel writes it to the user's application data folder.
std::string AppDataFile(const std::string& name);

}  // namespace qeltest
