// Keyboard handling for the programs' modeless windows: a window marked here gets dialog
// keys (Tab between controls, Enter for the default button, Esc for cancel) from the one
// message loop that serves all windows of the thread.
#pragma once

#include <windows.h>

namespace pellucor {

inline constexpr char kModelessProperty[] = "PellucorModeless";

// Call once the window exists; the mark goes with the window.
inline void MarkModeless(HWND window) {
    SetPropA(window, kModelessProperty, reinterpret_cast<HANDLE>(1));
}

// Call when the window is being destroyed.
inline void UnmarkModeless(HWND window) {
    RemovePropA(window, kModelessProperty);
}

// True when the message belonged to a marked window and has been handled as a dialog key.
inline bool RouteToModeless(MSG& msg) {
    if (!msg.hwnd) {
        return false;
    }
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    return root && GetPropA(root, kModelessProperty) && IsDialogMessageA(root, &msg);
}

}  // namespace pellucor
