// Waiting in tests against a deadline.
#include "Polling.h"

#include <windows.h>

#include <algorithm>

namespace qeltest {

bool WaitUntil(const std::function<bool()>& condition, unsigned deadlineMs) {
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    for (;;) {
        if (condition()) {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return condition();
        }
        // Wake for this thread's messages or after a short while, whichever comes first.
        MsgWaitForMultipleObjects(
            0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

}  // namespace qeltest
