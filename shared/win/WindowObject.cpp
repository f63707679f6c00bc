// A window whose messages go to a C++ object.
#include "WindowObject.h"

namespace pellucor {

WindowObject::~WindowObject() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_.get(), GWLP_USERDATA, 0);
    }
}

void WindowObject::RegisterObjectClass(HINSTANCE instance, const char* className, HICON icon) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, className, &existing)) {
        return;
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &WindowObject::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = icon;
    wc.hbrBackground = nullptr;  // each window paints its own background
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
}

bool WindowObject::CreateObjectWindow(HINSTANCE instance, const char* className,
                                      const char* caption, DWORD style, DWORD exStyle,
                                      int clientWidth, int clientHeight, HWND owner, bool hasMenu) {
    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&outer, style, hasMenu ? TRUE : FALSE, exStyle);
    // WM_NCCREATE hands the window to hwnd_ before any other message arrives.
    CreateWindowExA(exStyle, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                    outer.right - outer.left, outer.bottom - outer.top, owner, nullptr, instance,
                    this);
    return hwnd_ != nullptr;
}

LRESULT CALLBACK WindowObject::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<WindowObject*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<WindowObject*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_.reset(hwnd);
    } else if (message == WM_NCDESTROY && self) {
        self->hwnd_.release();  // the window is gone already
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        try {
            self->WindowGone();
        } catch (...) {
        }
        self = nullptr;
    }
    if (self) {
        try {
            return self->HandleMessage(hwnd, message, wParam, lParam);
        } catch (...) {
            // Nothing a handler throws may unwind through the window system.
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace pellucor
