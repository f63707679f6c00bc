// The current local date and time in the user's short date and long time formats, and the
// system's tick count for intervals.
#pragma once

#include <cstdint>
#include <string>

#include "Clock.h"

namespace qel {

class Win32Clock : public Clock {
public:
    std::string ShortDate() override;
    std::string LongTime() override;
    std::uint64_t Milliseconds() override;
};

}  // namespace qel
