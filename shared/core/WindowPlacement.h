// Arithmetic for placing windows: centring and the twips/pixels conversion.
#pragma once

#include <cstdint>

namespace pellucor {

constexpr int kTwipsPerInch = 1440;

// Twips per pixel for a screen of the given logical resolution (96 dpi gives 15).
constexpr int TwipsPerPixel(int dotsPerInch) {
    return dotsPerInch > 0 ? kTwipsPerInch / dotsPerInch : 15;
}

// Rounds a/2 to a whole number, halves to the even neighbour.
constexpr std::int64_t HalfRoundedToEven(std::int64_t a) {
    const std::int64_t q = a / 2;  // truncates towards zero
    if (a % 2 == 0) {
        return q;
    }
    // a is odd: the exact value is q + 0.5 (a > 0) or q - 0.5 (a < 0); pick the even one.
    const std::int64_t other = a > 0 ? q + 1 : q - 1;
    return (q % 2 == 0) ? q : other;
}

// Offset that centres a window of the given outer size on a screen of the given size, both in
// the same unit. A window larger than the screen is placed at 0, never at a negative offset.
constexpr std::int64_t CenterOffset(std::int64_t screenSize, std::int64_t windowSize) {
    const std::int64_t offset = HalfRoundedToEven(screenSize - windowSize);
    return offset < 0 ? 0 : offset;
}

// Converts twips to pixels, rounding to the nearest pixel.
constexpr int TwipsToPixels(int twips, int twipsPerPixel) {
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}

}  // namespace pellucor
