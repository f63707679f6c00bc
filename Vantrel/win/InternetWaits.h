// How long an FTP upload may wait on the host: both upload methods give WinINet the same limits.
#pragma once

#include <windows.h>
#include <wininet.h>

namespace qel {

// A host that accepts the connection and then stops answering gives up the upload after this.
constexpr DWORD kInternetWaitLimitMs = 30000;

// Sets the connect, send and receive time limits (control and data connections) of a session
// and of every connection made from it. Best effort: a limit the library refuses is skipped.
void LimitInternetWaits(HINTERNET session);

}  // namespace qel
