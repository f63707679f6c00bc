// The size and SHA-256 of each file of the install set, written into the installer when it is
// built (the build makes the table from the very files it puts into the set). The size bounds
// what the installer reads of a file before it knows whether it is the set's.
#pragma once

#include <cstdint>

namespace setup {

struct ShippedDigest {
    const char* name;    // the file's name in the set
    std::uint64_t size;  // in bytes
    const char* sha256;  // lower-case hexadecimal
};

extern const ShippedDigest kShippedDigests[];
extern const int kShippedDigestCount;

}  // namespace setup
