// The current date and time as the user's locale writes them.
#pragma once

#include <string>

namespace qel {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::string ShortDate() = 0;  // the user's short date format
    virtual std::string LongTime() = 0;   // the user's long time format
};

}  // namespace qel
