// The current date and time as the user's locale writes them, and a clock for intervals.
#pragma once

#include <cstdint>
#include <string>

namespace qel {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::string ShortDate() = 0;  // the user's short date format
    virtual std::string LongTime() = 0;   // the user's long time format
    // Milliseconds on a clock that only moves forward, for measuring intervals.
    virtual std::uint64_t Milliseconds() = 0;
};

}  // namespace qel
