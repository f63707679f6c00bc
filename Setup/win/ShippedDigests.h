// The SHA-256 of each file of the install set, written into the installer when it is built
// (the build makes the table from the very files it puts into the set).
#pragma once

namespace setup {

struct ShippedDigest {
    const char* name;    // the file's name in the set
    const char* sha256;  // lower-case hexadecimal
};

extern const ShippedDigest kShippedDigests[];
extern const int kShippedDigestCount;

}  // namespace setup
