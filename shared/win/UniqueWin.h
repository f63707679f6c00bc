// Owning wrappers for the window-system handles the programs create (brushes, fonts,
// accelerator tables, windows), so each is released exactly once.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace pellucor {

template <auto Release>
struct HandleReleaser {
    template <typename T>
    void operator()(T handle) const {
        if (handle) {
            Release(handle);
        }
    }
};

template <typename H, auto Release>
using UniqueWin = std::unique_ptr<std::remove_pointer_t<H>, HandleReleaser<Release>>;

// Plain functions rather than the imported API entries: their addresses are constants.
inline void DeleteGdiObject(HGDIOBJ object) {
    DeleteObject(object);
}
inline void DestroyAccel(HACCEL accel) {
    DestroyAcceleratorTable(accel);
}
inline void DestroyWin(HWND window) {
    DestroyWindow(window);
}

using UniqueBrush = UniqueWin<HBRUSH, DeleteGdiObject>;
using UniqueFont = UniqueWin<HFONT, DeleteGdiObject>;
using UniqueAccel = UniqueWin<HACCEL, DestroyAccel>;
using UniqueWindow = UniqueWin<HWND, DestroyWin>;

}  // namespace pellucor
