// Plain windows built from tables: each control's kind, caption, place and size in twips, font
// and text colour. The Win32 layer builds the window from the table; tests read the same table.
#pragma once

#include <cstdint>

namespace pellucor {

enum class FormControlKind { Label, CentredLabel, MultiLineText, Button };

struct FontSpec {
    const char* face;
    int twentiethsOfPoint;  // 9.75 points is 195: the sizes the forms use are not whole points
    bool bold;
};

// 0xRRGGBB-free form: the three channels, so the table stays OS-free.
struct Colour {
    std::uint8_t red, green, blue;
};

struct FormControlSpec {
    int id;
    const char* name;
    FormControlKind kind;
    const char* caption;
    int left, top, width, height;  // twips, within the window's client area
    FontSpec font;
    Colour textColour;
};

constexpr Colour kBlack{0, 0, 0};
constexpr Colour kBlue{0, 0, 255};
constexpr Colour kRed{255, 0, 0};
constexpr Colour kLightGrey{192, 192, 192};

constexpr const char* kSansSerif = "MS Sans Serif";

// Font height in pixels for a size in twentieths of a point (a negative height asks for the
// character height, as point sizes mean), rounded to the nearest pixel.
constexpr int FontPixelHeight(int twentiethsOfPoint, int dotsPerInch) {
    return -((twentiethsOfPoint * dotsPerInch + 720) / 1440);
}

}  // namespace pellucor
