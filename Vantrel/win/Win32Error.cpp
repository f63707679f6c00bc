// Description texts for Windows and WinINet error codes, for the status line.
#include "Win32Error.h"

#include <array>
#include <string_view>

namespace qel {
namespace {

constexpr DWORD kFirstInternetError = 12000;
constexpr DWORD kLastInternetError = 12199;

bool IsInternetError(DWORD code) {
    return code >= kFirstInternetError && code <= kLastInternetError;
}

std::string WithoutTrailingLineBreaks(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.pop_back();
    }
    return text;
}

// FormatMessageA into a fixed buffer: nothing to free afterwards.
std::string FormatFrom(DWORD source, HMODULE module, DWORD code) {
    char buffer[512] = {};
    const DWORD length = FormatMessageA(source | FORMAT_MESSAGE_IGNORE_INSERTS, module, code, 0,
                                        buffer, static_cast<DWORD>(sizeof buffer), nullptr);
    return WithoutTrailingLineBreaks(std::string(buffer, length));
}

std::string SystemText(DWORD code) {
    if (IsInternetError(code)) {
        // WinINet keeps its texts in its own message table; it is loaded whenever an
        // internet call has been made, and without it the system table is still asked.
        if (HMODULE wininet = GetModuleHandleA("wininet.dll")) {
            std::string text = FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, wininet, code);
            if (!text.empty()) {
                return text;
            }
        }
    }
    return FormatFrom(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
}

struct KnownText {
    DWORD code;
    std::string_view text;
};

// Some systems carry no text for the commonest upload failures; these stand in for it.
constexpr std::array kOwnTexts{
    KnownText{12002, "The operation timed out"},
    KnownText{12003, "The server reported an error"},
    KnownText{12004, "An internal error occurred in the internet client"},
    KnownText{12005, "The URL is invalid"},
    KnownText{12006, "The URL scheme is not supported"},
    KnownText{12007, "The server name could not be resolved"},
    KnownText{12013, "The user name was not accepted"},
    KnownText{12014, "The password was not accepted"},
    KnownText{12015, "The login to the server failed"},
    KnownText{12017, "The operation was cancelled"},
    KnownText{12029, "A connection with the server could not be established"},
    KnownText{12030, "The connection with the server was ended"},
    KnownText{12031, "The connection with the server was reset"},
    KnownText{12110, "Another FTP transfer is already in progress"},
    KnownText{12111, "The FTP connection was dropped"},
};

std::string OwnText(DWORD code) {
    for (const KnownText& known : kOwnTexts) {
        if (known.code == code) {
            return std::string(known.text);
        }
    }
    return "Error " + std::to_string(code);
}

}  // namespace

std::string ErrorDescription(DWORD code) {
    std::string text = SystemText(code);
    return text.empty() ? OwnText(code) : text;
}

}  // namespace qel
