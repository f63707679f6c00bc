// One Qel per user: a second start hands its command line to the Qel that runs, brings that
// one's window to the front and ends, so that two processes never share the port, Leq.ini or
// Qel.log.
#pragma once

#include <windows.h>

#include <string>

namespace qel {

// The message data tag a handed-over command line travels with (WM_COPYDATA).
inline constexpr ULONG_PTR kCommandLineHandOver = 0x51454C31;  // "QEL1"

class SingleInstance {
public:
    // Claims this user's Qel for the process; the claim lasts as long as the object.
    SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance();

    // True when another Qel of this user runs and took the command line: this start should end
    // now. A Qel that does not answer within a few seconds (hung, or still starting without a
    // window) does not keep this one from starting.
    bool HandedOver(const std::string& commandLine, const char* windowClass);

private:
    HANDLE mutex_ = nullptr;
    bool another_ = false;
};

}  // namespace qel
