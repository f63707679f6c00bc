// Builds a window's controls from a table of control descriptions.
#include "ControlBuilder.h"

#include <cmath>

#include "WindowPlacement.h"

namespace pellucor {

namespace {

struct ControlClass {
    const char* className;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassFor(ControlKind kind) {
    switch (kind) {
        case ControlKind::CheckBox:
            return {"BUTTON", BS_AUTOCHECKBOX, 0};
        case ControlKind::Button:
            return {"BUTTON", BS_PUSHBUTTON, 0};
        case ControlKind::TextBox:
            return {"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::MaskedTextBox:
            return {"EDIT", ES_AUTOHSCROLL | ES_PASSWORD, WS_EX_CLIENTEDGE};
        case ControlKind::MultiLineText:
            return {"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL,
                    WS_EX_CLIENTEDGE};
        case ControlKind::ReadOnlyText:
            return {"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL,
                    WS_EX_CLIENTEDGE};
        case ControlKind::DropDownCombo:
            return {"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0};
        case ControlKind::RightLabel:
            return {"STATIC", SS_RIGHT, 0};
        case ControlKind::CentredLabel:
            return {"STATIC", SS_CENTER, 0};
        case ControlKind::PlainLabel:
            return {"STATIC", SS_LEFT | SS_NOPREFIX, 0};
        case ControlKind::Label:
            break;
    }
    return {"STATIC", SS_LEFT, 0};
}

}  // namespace

ScreenTwips ScreenTwipsPerPixel() {
    ScreenTwips tpp;
    if (HDC screen = GetDC(nullptr)) {
        tpp.x = TwipsPerPixel(GetDeviceCaps(screen, LOGPIXELSX));
        tpp.y = TwipsPerPixel(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return tpp;
}

void CreateControls(HWND parent, std::span<const ControlSpec> controls, const ScreenTwips& tpp,
                    HFONT font) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    for (const ControlSpec& spec : controls) {
        const ControlClass cls = ClassFor(spec.kind);
        const DWORD style = WS_CHILD | cls.style | (spec.visible ? WS_VISIBLE : 0) |
                            (spec.tabIndex >= 0 ? WS_TABSTOP : 0);
        // A drop-down combo box's height includes its list.
        const int height = spec.kind == ControlKind::DropDownCombo ? spec.height * 6 : spec.height;
        HWND control = CreateWindowExA(
            cls.exStyle, cls.className, spec.caption, style, TwipsToPixels(spec.left, tpp.x),
            TwipsToPixels(spec.top, tpp.y), TwipsToPixels(spec.width, tpp.x),
            TwipsToPixels(height, tpp.y), parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
        if (control && font) {
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
    }
}

void PlaceControl(HWND control, int left, int top, int width, int height, const ScreenTwips& tpp) {
    MoveWindow(control, TwipsToPixels(left, tpp.x), TwipsToPixels(top, tpp.y),
               TwipsToPixels(width, tpp.x), TwipsToPixels(height, tpp.y), TRUE);
}

UniqueFont CreateUiFont(const char* face, double points, bool bold, bool underline) {
    int dpi = 96;
    if (HDC screen = GetDC(nullptr)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    const int height = -static_cast<int>(std::lround(points * dpi / 72.0));
    return UniqueFont(CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                                  underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_SWISS, face));
}

}  // namespace pellucor
