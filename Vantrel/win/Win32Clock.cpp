// The current local date and time in the user's short date and long time formats, and the
// system's tick count for intervals.
#include "Win32Clock.h"

#include <windows.h>

namespace qel {
namespace {

// Both format functions share this shape: asked with no buffer they give the length needed
// (with the NUL), then they fill a buffer of that length. Both calls format the same instant.
using FormatFunction = int(WINAPI*)(LCID, DWORD, const SYSTEMTIME*, LPCSTR, LPSTR, int);

std::string FormatNow(FormatFunction format, DWORD flags) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const int needed = format(LOCALE_USER_DEFAULT, flags, &now, nullptr, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(needed), '\0');
    const int written = format(LOCALE_USER_DEFAULT, flags, &now, nullptr, text.data(), needed);
    if (written <= 0) {
        return {};
    }
    text.resize(static_cast<std::size_t>(written) - 1);  // drop the NUL
    return text;
}

}  // namespace

std::string Win32Clock::ShortDate() {
    return FormatNow(&GetDateFormatA, DATE_SHORTDATE);
}

std::string Win32Clock::LongTime() {
    return FormatNow(&GetTimeFormatA, 0);
}

std::uint64_t Win32Clock::Milliseconds() {
    return GetTickCount64();
}

}  // namespace qel
