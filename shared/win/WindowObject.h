// A window whose messages go to a C++ object: the object makes the window, hears every message
// and owns it, so the window never outlives the object. Nothing a handler throws reaches the
// window system.
#pragma once

#include <windows.h>

#include "UniqueWin.h"

namespace pellucor {

class WindowObject {
public:
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    // The window while it exists, null otherwise.
    HWND Handle() const { return hwnd_.get(); }

protected:
    WindowObject() = default;
    // A window still there is destroyed without its messages reaching the object, whose
    // derived part is gone by then: a derived class that wants them calls DestroyObjectWindow
    // in its own destructor.
    virtual ~WindowObject();

    // Registers the class, once per program, with the procedure that routes to the objects.
    static void RegisterObjectClass(HINSTANCE instance, const char* className,
                                    HICON icon = nullptr);
    // Makes the window with a client area of the given size in pixels; false when it cannot be
    // made.
    bool CreateObjectWindow(HINSTANCE instance, const char* className, const char* caption,
                            DWORD style, DWORD exStyle, int clientWidth, int clientHeight,
                            HWND owner = nullptr, bool hasMenu = false);
    void DestroyObjectWindow() { hwnd_.reset(); }

    // Every message of the window; what it does not handle goes to DefWindowProcA. `hwnd` is
    // passed because Handle() is already null while the window is being destroyed.
    virtual LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The window is gone; Handle() is null from now on.
    virtual void WindowGone() {}

    UniqueWindow hwnd_;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace pellucor
