// Where the information window's controls go on a resize.
#include "SetupHelpFormLayout.h"

#include <algorithm>

namespace setup {

namespace {

// n / 3 rounded to the nearest whole twip (a third is never exactly a half), for n >= 0.
std::int64_t ThirdRounded(std::int64_t n) {
    return (2 * n + 3) / 6;
}

}  // namespace

HelpFormPlaces LayOutHelpForm(const HelpFormMeasures& m) {
    HelpFormPlaces p{};
    p.textWidth = std::max(m.innerWidth - 2 * m.textLeft, kMinTextWidth);
    p.textHeight = std::max(m.innerHeight - 3 * m.textTop - m.buttonHeight, kMinTextHeight);
    const std::int64_t free = m.innerWidth - m.buttonWidth;
    const std::int64_t step = free > 0 ? ThirdRounded(free) : 0;
    p.command1Left = step;
    p.command2Left = 2 * step;
    p.buttonsTop = 2 * m.textTop + p.textHeight;
    return p;
}

}  // namespace setup
