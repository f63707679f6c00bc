// Conversions between the UTF-8 paths the programs carry, the UTF-16 of the W functions and the
// system's ANSI code page.
#include "PathText.h"

#include <windows.h>

#include <climits>

#include "Utf16.h"

namespace pellucor {
namespace {

std::wstring ToUtf16(UINT codePage, std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
    return wide;
}

std::string FromUtf16(UINT codePage, std::wstring_view wide) {
    if (wide.empty() || wide.size() > INT_MAX) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int needed =
        WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), length, text.data(), needed, nullptr, nullptr);
    return text;
}

}  // namespace

// Windows' wchar_t is a UTF-16 unit.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Wide(std::string_view utf8) {
    const std::u16string wide = Utf16FromUtf8(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string Utf8(std::wstring_view wide) {
    return Utf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}

std::string Utf8FromAnsi(std::string_view ansi) {
    return Utf8(ToUtf16(CP_ACP, ansi));
}

std::string AnsiFromUtf8(std::string_view utf8) {
    return FromUtf16(CP_ACP, Wide(utf8));
}

}  // namespace pellucor
