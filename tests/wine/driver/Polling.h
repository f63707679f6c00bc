// Waiting in tests: poll a condition against a deadline, keeping this thread's windows alive.
#pragma once

#include <chrono>
#include <functional>

#include "WinTestSupport.h"

namespace qeltest {

constexpr unsigned kDefaultDeadlineMs = 10000;

// True as soon as `condition` holds; false when the deadline passes first. Messages of this
// thread are dispatched while waiting, so windows created by the test keep working.
inline bool WaitUntil(const std::function<bool()>& condition,
                      unsigned deadlineMs = kDefaultDeadlineMs) {
    return wintest::PumpUntil(condition, std::chrono::milliseconds(deadlineMs)) || condition();
}

}  // namespace qeltest
