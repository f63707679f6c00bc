// The instructions window's controls and the arithmetic that sizes and lays it out, in twips.
#pragma once

#include <array>

#include "ControlTable.h"
#include "WindowPlacement.h"

namespace qel::helpform {

// Client area as laid out; the width is replaced by four fifths of the screen at load.
constexpr int kClientWidth = 14190;
constexpr int kClientHeight = 8355;
constexpr unsigned char kBackgroundGrey = 192;

enum ControlId : int {
    IDC_Text1 = 1201,
    IDC_Command1,
};

// Command1 first: it has tab index 0.
constexpr std::array<pellucor::ControlSpec, 2> kControls{{
    {IDC_Command1, "Command1", pellucor::ControlKind::Button, "&Ok", 6960, 6240, 1335, 615, 0},
    {IDC_Text1, "Text1", pellucor::ControlKind::ReadOnlyText, "", 240, 120, 7215, 4815, 1},
}};
inline constexpr const pellucor::ControlSpec& kCommand1 = kControls[0];
inline constexpr const pellucor::ControlSpec& kText1 = kControls[1];

// The gap between the text box and the button, and the margin kept below the button so that
// it stays inside the client area (the same as the margin above the text box).
constexpr int kButtonGap = 15;
constexpr int kBottomMargin = kText1.top;

// The window's outer width: four fifths of the screen's width, to the nearest twip (a fifth
// is never exactly half a twip away).
constexpr int WindowWidth(int screenWidth) {
    return static_cast<int>((std::int64_t{screenWidth} * 4 + 2) / 5);
}

struct Placement {
    int textWidth;
    int textHeight;
    int buttonLeft;
    int buttonTop;
};

// Where the text box and the button go for a client area of the given size. The text box keeps
// its left and top and takes the width between equal margins and the height that leaves room
// for the button below it; a client area too small for that leaves the box's size as it was.
constexpr Placement Form_Resize(int clientWidth, int clientHeight, int textWidth, int textHeight) {
    Placement p{textWidth, textHeight, 0, 0};
    if (clientWidth - 3 * kText1.left > 10) {
        p.textWidth = clientWidth - 2 * kText1.left;
    }
    const int roomForText =
        clientHeight - kText1.top - kButtonGap - kCommand1.height - kBottomMargin;
    if (roomForText > 10) {
        p.textHeight = roomForText;
    }
    p.buttonTop = kText1.top + p.textHeight + kButtonGap;
    p.buttonLeft = static_cast<int>(pellucor::HalfRoundedToEven(clientWidth - kCommand1.width));
    return p;
}

}  // namespace qel::helpform
