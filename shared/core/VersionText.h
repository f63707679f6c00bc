// The version text users see: major "." minor in plain decimal, without leading zeros.
#pragma once

#include <string>

namespace pellucor {

inline std::string VersionText(unsigned major, unsigned minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace pellucor
