// Drives another process's windows the way a user would, without ever blocking on them.
#include "WindowDriver.h"

#include "Polling.h"

namespace qeltest {

namespace {

constexpr UINT kSendTimeoutMs = 5000;

struct CaptionSearch {
    DWORD processId;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<CaptionSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->processId && IsWindowVisible(hwnd) &&
        WindowText(hwnd) == *search->caption) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const std::string& caption) {
    CaptionSearch search{processId, &caption, nullptr};
    EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForProcessWindow(DWORD processId, const std::string& caption, unsigned deadlineMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindProcessWindow(processId, caption)) != nullptr; },
              deadlineMs);
    return found;
}

bool WaitForNoProcessWindow(DWORD processId, const std::string& caption, unsigned deadlineMs) {
    return WaitUntil([&] { return FindProcessWindow(processId, caption) == nullptr; }, deadlineMs);
}

void SetTextOf(HWND window, const std::string& text) {
    Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void PostClick(HWND parent, int controlId) {
    HWND control = GetDlgItem(parent, controlId);
    if ((GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        // A click turns a check box over before its window hears of it.
        const bool checked = Send(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        Send(control, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(parent, controlId)));
}

bool PickComboEntry(HWND parent, int comboId, const std::string& entry) {
    HWND combo = GetDlgItem(parent, comboId);
    const auto entries = ComboEntries(combo);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] == entry) {
            Send(combo, CB_SETCURSEL, i, 0);
            PostMessageA(parent, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(combo));
            return true;
        }
    }
    return false;
}

std::vector<std::string> ComboEntries(HWND combo) {
    std::vector<std::string> entries;
    const auto count = Send(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Across processes Wine hands list texts over as UTF-16 whichever form is asked for;
        // asking for that form and converting gives the same answer on Windows.
        const auto length = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                            reinterpret_cast<LPARAM>(wide.data()), SMTO_NORMAL, kSendTimeoutMs,
                            &copied);
        wide.resize(copied <= static_cast<DWORD_PTR>(length) ? copied : length);
        std::string text(wide.size() * 2 + 1, '\0');
        const int n =
            WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(),
                                static_cast<int>(text.size()), nullptr, nullptr);
        text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        entries.push_back(text);
    }
    return entries;
}

bool IsShown(HWND window) {
    return (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

}  // namespace qeltest
