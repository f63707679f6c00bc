// SHA-256 (FIPS 180-4), so that the installer can tell its own files from any others without
// loading a cryptography DLL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

using Digest = std::array<std::uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    void Add(std::string_view bytes);
    Digest Finish();  // the object is spent afterwards

private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingLength_ = 0;
    std::uint64_t totalLength_ = 0;
};

Digest Sha256Of(std::string_view bytes);
// Lower-case hexadecimal, 64 characters.
std::string HexOf(const Digest& digest);

}  // namespace setup
