// Icons and pointers drawn at run time with GDI.
#include "DrawnIcons.h"

#include <functional>

namespace qel {
namespace {

// Draws the picture twice: in colour on black, and as the mask (black where the picture is,
// white where it lets the background through).
HICON DrawPicture(int size, bool icon, int hotX, int hotY,
                  const std::function<void(HDC dc, bool mask)>& draw) {
    HDC screen = GetDC(nullptr);
    if (!screen) {
        return nullptr;
    }
    HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
    HDC colourDc = CreateCompatibleDC(screen);
    HDC maskDc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    HICON result = nullptr;
    if (colour && mask && colourDc && maskDc) {
        HGDIOBJ oldColour = SelectObject(colourDc, colour);
        HGDIOBJ oldMask = SelectObject(maskDc, mask);
        const RECT all{0, 0, size, size};
        FillRect(colourDc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        FillRect(maskDc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        draw(colourDc, false);
        draw(maskDc, true);
        SelectObject(colourDc, oldColour);
        SelectObject(maskDc, oldMask);
        ICONINFO info{icon ? TRUE : FALSE, static_cast<DWORD>(hotX), static_cast<DWORD>(hotY), mask,
                      colour};
        result = CreateIconIndirect(&info);  // copies both bitmaps
    }
    if (colourDc) {
        DeleteDC(colourDc);
    }
    if (maskDc) {
        DeleteDC(maskDc);
    }
    if (colour) {
        DeleteObject(colour);
    }
    if (mask) {
        DeleteObject(mask);
    }
    return result;
}

// Fills and outlines a shape drawn by `shape`; on the mask everything is black.
void Shape(HDC dc, bool mask, COLORREF fill, COLORREF outline, const std::function<void()>& shape) {
    HBRUSH brush = CreateSolidBrush(mask ? RGB(0, 0, 0) : fill);
    HPEN pen = CreatePen(PS_SOLID, 1, mask ? RGB(0, 0, 0) : outline);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    shape();
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

void Mark(HDC dc, const char* text, int height, RECT area, COLORREF colour) {
    HFONT font = CreateFontA(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, "Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextA(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

}  // namespace

UniqueIcon SpeechBubbleIcon(int size) {
    const COLORREF white = RGB(255, 255, 255);
    const COLORREF black = RGB(0, 0, 0);
    return UniqueIcon(DrawPicture(size, true, 0, 0, [size, white, black](HDC dc, bool mask) {
        const POINT tail[3] = {
            {size * 5 / 16, size * 9 / 16}, {size / 8, size - 1}, {size * 9 / 16, size * 11 / 16}};
        Shape(dc, mask, white, black, [&] { Polygon(dc, tail, 3); });
        Shape(dc, mask, white, black, [&] { Ellipse(dc, 0, 1, size, size * 25 / 32); });
        if (!mask) {
            Mark(dc, "?", size * 5 / 8, RECT{0, 1, size, size * 25 / 32}, RGB(0, 0, 255));
        }
    }));
}

UniqueCursor WarningTriangleCursor(int size) {
    const int tipX = size / 2;
    return UniqueCursor(DrawPicture(size, false, tipX, 1, [size, tipX](HDC dc, bool mask) {
        const POINT corners[3] = {{tipX, 1}, {size - 2, size - 4}, {1, size - 4}};
        Shape(dc, mask, RGB(255, 0, 0), RGB(128, 0, 0), [&] { Polygon(dc, corners, 3); });
        if (!mask) {
            Mark(dc, "!", size * 9 / 16, RECT{0, size / 4, size, size - 4}, RGB(255, 255, 255));
        }
    }));
}

}  // namespace qel
