// The current local date and time in the user's short date and long time formats.
#pragma once

#include <string>

#include "Clock.h"

namespace qel {

class Win32Clock : public Clock {
public:
    std::string ShortDate() override;
    std::string LongTime() override;
};

}  // namespace qel
