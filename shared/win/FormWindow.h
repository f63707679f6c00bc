// A plain top-level window built from a table of controls placed in twips (FormLayout.h): the
// installer's and the uninstaller's forms. It owns its fonts and background brush, colours its
// labels, and hands the messages its owner cares about (commands, size, close) to a handler.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "FormLayout.h"
#include "WindowPlacement.h"
#include "WindowObject.h"

namespace pellucor {

struct FormSpec {
    const char* className;
    const char* caption;
    DWORD style;
    int clientWidth, clientHeight;  // twips
    Colour background;
    std::span<const FormControlSpec> controls;
};

class FormWindow final : public WindowObject {
public:
    // Return true when the message was handled; `result` is then the window procedure's answer.
    using Handler = std::function<bool(UINT message, WPARAM, LPARAM, LRESULT& result)>;

    // Creates the window hidden, with all its controls; Handle() is null when that failed.
    FormWindow(HINSTANCE instance, const FormSpec& spec);
    ~FormWindow() override;

    void SetHandler(Handler handler) { handler_ = std::move(handler); }

    HWND Control(int id) const { return GetDlgItem(hwnd_.get(), id); }
    void SetText(int id, const std::string& text);
    void SetCaption(const std::string& text);

    // Paints the window and its controls now, without waiting for the message loop.
    void Repaint();
    // Destroys the window (a form's unload); the object stays, without a window.
    void Destroy();

    TwipsPerPixel TwipsPerPixelX() const { return tppX_; }
    TwipsPerPixel TwipsPerPixelY() const { return tppY_; }
    // A control's place in twips within the client area.
    void MoveControl(int id, long long left, long long top, long long width, long long height);
    // The control's width or height in twips.
    int ControlWidth(int id) const;
    int ControlHeight(int id) const;
    int ControlLeft(int id) const;
    int ControlTop(int id) const;

private:
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    RECT ControlRect(int id) const;

    struct GdiDelete {
        void operator()(HGDIOBJ object) const { DeleteObject(object); }
    };
    using UniqueGdi = std::unique_ptr<std::remove_pointer_t<HGDIOBJ>, GdiDelete>;

    TwipsPerPixel tppX_;
    TwipsPerPixel tppY_;
    UniqueGdi background_;
    COLORREF backgroundColour_ = 0;
    std::vector<UniqueGdi> fonts_;
    std::vector<std::pair<HWND, COLORREF>> labelColours_;
    Handler handler_;
};

}  // namespace pellucor
