// Where the information window's text box and buttons go when the window changes size: the text
// box fills the width and the height left above the buttons, and the two buttons stand side by
// side below it at one and two thirds of the free width. All measures in twips.
#pragma once

#include <cstdint>

namespace setup {

struct HelpFormMeasures {
    std::int64_t innerWidth, innerHeight;  // the window's client area
    std::int64_t textLeft, textTop;        // the text box keeps its laid-out place
    std::int64_t buttonWidth, buttonHeight;
};

struct HelpFormPlaces {
    std::int64_t textWidth, textHeight;
    std::int64_t command1Left, command2Left, buttonsTop;
};

constexpr std::int64_t kMinTextWidth = 100;
constexpr std::int64_t kMinTextHeight = 20;

HelpFormPlaces LayOutHelpForm(const HelpFormMeasures& m);

}  // namespace setup
