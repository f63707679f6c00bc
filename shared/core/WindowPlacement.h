// Arithmetic for placing windows: centring and the twips/pixels conversion.
#pragma once

#include <cstdint>

namespace pellucor {

constexpr int kTwipsPerInch = 1440;

// Twips per pixel of a screen, kept as the exact fraction 1440 / dots per inch: at 168 dpi a
// pixel is 8.57 twips, and a whole 8 would make every window and control 7 % too large.
struct TwipsPerPixel {
    constexpr explicit TwipsPerPixel(int dotsPerInch = 96)
        : dpi(dotsPerInch > 0 ? dotsPerInch : 96) {}
    int dpi;
};

// a / b rounded down, for b > 0 and any a.
constexpr std::int64_t FloorDivide(std::int64_t a, std::int64_t b) {
    return a / b - (a % b < 0 ? 1 : 0);
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

// Converts twips to pixels, rounding to the nearest pixel (halves up).
constexpr int TwipsToPixels(std::int64_t twips, TwipsPerPixel scale) {
    return static_cast<int>(FloorDivide(twips * scale.dpi + kTwipsPerInch / 2, kTwipsPerInch));
}

// Converts pixels to twips, rounding to the nearest twip (halves up).
constexpr int PixelsToTwips(std::int64_t pixels, TwipsPerPixel scale) {
    return static_cast<int>(
        FloorDivide(2 * pixels * kTwipsPerInch + scale.dpi, std::int64_t{2} * scale.dpi));
}

}  // namespace pellucor
