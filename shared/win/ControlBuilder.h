// Builds a window's controls from a table of control descriptions (positions in twips), and
// the fonts and screen measures that go with it.
#pragma once

#include <windows.h>

#include <span>

#include "ControlTable.h"
#include "UniqueWin.h"
#include "WindowPlacement.h"

namespace pellucor {

struct ScreenTwips {
    TwipsPerPixel x;  // horizontally
    TwipsPerPixel y;  // and vertically
};

// Twips per pixel of the primary screen.
ScreenTwips ScreenTwipsPerPixel();

// Creates the controls as children of the parent, in table order (which is the tab order),
// each with the font given. The control's ID is its table ID.
void CreateControls(HWND parent, std::span<const ControlSpec> controls, const ScreenTwips& tpp,
                    HFONT font);

// Moves a control to a position given in twips.
void PlaceControl(HWND control, int left, int top, int width, int height, const ScreenTwips& tpp);

// A font by face name and size in points, as a form designer states it ("MS Sans Serif", 12,
// bold).
UniqueFont CreateUiFont(const char* face, double points, bool bold, bool underline = false);

// Sets a font on a control and on none other; the caller keeps the font alive.
inline void SetControlFont(HWND control, HFONT font) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

}  // namespace pellucor
