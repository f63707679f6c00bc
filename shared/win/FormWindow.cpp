// A plain top-level window built from a table of controls placed in twips.
#include "FormWindow.h"

#include "WindowPlacement.h"

namespace pellucor {

namespace {

struct ControlClass {
    const char* className;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassFor(FormControlKind kind) {
    switch (kind) {
        case FormControlKind::CentredLabel:
            return {"STATIC", SS_CENTER | SS_NOPREFIX, 0};
        case FormControlKind::MultiLineText:
            return {"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP,
                    WS_EX_CLIENTEDGE};
        case FormControlKind::Button:
            return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
        case FormControlKind::Label:
            break;
    }
    return {"STATIC", SS_LEFT | SS_NOPREFIX, 0};
}

COLORREF ToColorRef(Colour colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

}  // namespace

FormWindow::FormWindow(HINSTANCE instance, const FormSpec& spec)
    : background_(CreateSolidBrush(ToColorRef(spec.background))),
      backgroundColour_(ToColorRef(spec.background)) {
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    tppX_ = TwipsPerPixel(dpiX);
    tppY_ = TwipsPerPixel(dpiY);

    RegisterObjectClass(instance, spec.className);
    if (!CreateObjectWindow(instance, spec.className, spec.caption, spec.style, WS_EX_CONTROLPARENT,
                            TwipsToPixels(spec.clientWidth, tppX_),
                            TwipsToPixels(spec.clientHeight, tppY_))) {
        return;
    }
    for (const FormControlSpec& control : spec.controls) {
        const ControlClass cls = ClassFor(control.kind);
        HWND child = CreateWindowExA(
            cls.exStyle, cls.className, control.caption, WS_CHILD | WS_VISIBLE | cls.style,
            TwipsToPixels(control.left, tppX_), TwipsToPixels(control.top, tppY_),
            TwipsToPixels(control.width, tppX_), TwipsToPixels(control.height, tppY_), hwnd_.get(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        HFONT font = CreateFontA(FontPixelHeight(control.font.twentiethsOfPoint, dpiY), 0, 0, 0,
                                 control.font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, control.font.face);
        fonts_.emplace_back(font);
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        labelColours_.emplace_back(child, ToColorRef(control.textColour));
    }
}

FormWindow::~FormWindow() {
    Destroy();
}

void FormWindow::Destroy() {
    DestroyObjectWindow();
}

void FormWindow::SetText(int id, const std::string& text) {
    SetWindowTextA(Control(id), text.c_str());
}

void FormWindow::SetCaption(const std::string& text) {
    SetWindowTextA(hwnd_.get(), text.c_str());
}

void FormWindow::Repaint() {
    if (hwnd_.get()) {
        RedrawWindow(hwnd_.get(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

RECT FormWindow::ControlRect(int id) const {
    RECT rect{};
    GetWindowRect(Control(id), &rect);
    MapWindowPoints(nullptr, hwnd_.get(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int FormWindow::ControlWidth(int id) const {
    const RECT rect = ControlRect(id);
    return PixelsToTwips(rect.right - rect.left, tppX_);
}
int FormWindow::ControlHeight(int id) const {
    const RECT rect = ControlRect(id);
    return PixelsToTwips(rect.bottom - rect.top, tppY_);
}
int FormWindow::ControlLeft(int id) const {
    return PixelsToTwips(ControlRect(id).left, tppX_);
}
int FormWindow::ControlTop(int id) const {
    return PixelsToTwips(ControlRect(id).top, tppY_);
}

void FormWindow::MoveControl(int id, long long left, long long top, long long width,
                             long long height) {
    MoveWindow(Control(id), TwipsToPixels(left, tppX_), TwipsToPixels(top, tppY_),
               TwipsToPixels(width, tppX_), TwipsToPixels(height, tppY_), TRUE);
}

LRESULT FormWindow::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (handler_ && handler_(message, wParam, lParam, result)) {
        return result;
    }
    switch (message) {
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(hwnd_.get(), &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client,
                     static_cast<HBRUSH>(background_.get()));
            return 1;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, backgroundColour_);
            for (const auto& [control, colour] : labelColours_) {
                if (control == reinterpret_cast<HWND>(lParam)) {
                    SetTextColor(dc, colour);
                }
            }
            return reinterpret_cast<LRESULT>(background_.get());
        }
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace pellucor
