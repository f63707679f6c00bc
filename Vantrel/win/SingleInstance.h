// One Qel per user, whatever the session: a second start hands its command line to the Qel that
// runs, brings that one's window to the front and ends, so that two processes never share the
// port, Leq.ini or Qel.log.
#pragma once

#include <windows.h>

#include <string>

#include "UniqueHandle.h"

namespace qel {

// The message data tag a handed-over command line travels with (WM_COPYDATA).
inline constexpr ULONG_PTR kCommandLineHandOver = 0x51454C31;  // "QEL1"
// The exit code of a start that ended because a Qel of the same user runs but could not be
// given its command line.
inline constexpr int kAlreadyRunningExitCode = 3;

class SingleInstance {
public:
    enum class Outcome {
        Mine,          // no other Qel of this user runs: this start is the Qel
        HandedOver,    // the running Qel took the command line: end quietly
        NotAnswering,  // a Qel of this session never answered: end with the exit code
        OtherSession,  // a Qel of this user runs in another session: end with the exit code
    };

    // Claims this user's Qel for the process; the claim lasts as long as the object.
    SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Looks for the Qel that runs and hands it the command line. A Qel of this session that is
    // still starting or busy is asked again for up to half a minute; one that ends meanwhile
    // leaves the claim to this start.
    Outcome Claim(const std::string& commandLine, const char* windowClass);

    // A start that ends without its command line taken writes why to Qel.log and, unless it is
    // unattended, says so in a message box.
    static void Explain(Outcome outcome, bool unattended);

private:
    static bool Owned(const UniqueHandle& mutex, bool& owned);

    UniqueHandle user_;     // one per user on the PC, in every session
    UniqueHandle session_;  // one per user in this session
    bool userOwned_ = false;
    bool sessionOwned_ = false;
};

}  // namespace qel
