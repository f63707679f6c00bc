// The small pictures Qel's secondary windows use, drawn at run time with GDI: the instructions
// window's speech bubble with a question mark, and the warning-triangle pointer over the About
// box's web link.
#pragma once

#include <windows.h>

#include "UniqueWin.h"

namespace qel {

inline void DestroyIconHandle(HICON icon) {
    DestroyIcon(icon);
}
inline void DestroyCursorHandle(HCURSOR cursor) {
    DestroyCursor(cursor);
}

using UniqueIcon = pellucor::UniqueWin<HICON, DestroyIconHandle>;
using UniqueCursor = pellucor::UniqueWin<HCURSOR, DestroyCursorHandle>;

// A white speech bubble with a blue question mark, size x size pixels.
UniqueIcon SpeechBubbleIcon(int size);

// A red warning triangle with a white exclamation mark; the hot spot is the triangle's tip.
UniqueCursor WarningTriangleCursor(int size);

}  // namespace qel
