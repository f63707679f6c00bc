// Demo helper: plays the user at Qel's window. Waits for the main window; with --configure it
// enters a web host in the Configure Host dialog as a person would (the four values, Set, Save
// under a profile name, Ok, Exit); then it checks the Run box. With --wait-only it only waits.
//
//   CheckRun [--wait-only] [--configure HOST USER PASSWORD FOLDER PROFILE]
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ConfigUploadLayout.h"
#include "MainFormLayout.h"

namespace {

constexpr UINT kSendTimeoutMs = 5000;

// Polls for another program's window; null when it has not appeared within 30 s.
template <typename Find>
HWND WaitForWindow(Find find) {
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (GetTickCount64() < deadline) {
        if (HWND found = find(); found && IsWindowVisible(found)) {
            return found;
        }
        Sleep(50);
    }
    return nullptr;
}

void Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &ignored);
}

void Type(HWND dialog, int box, const char* text) {
    Send(GetDlgItem(dialog, box), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void Press(HWND dialog, int button) {
    Send(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
}

bool ConfigureHost(HWND qel, char** values) {
    using namespace qel::config_layout;
    PostMessageA(qel, WM_COMMAND, MAKEWPARAM(qel::layout::IDM_mnuConfigureUpload, 0), 0);
    HWND dialog = WaitForWindow([] { return FindWindowA(nullptr, kCaption); });
    if (!dialog) {
        return false;
    }
    Type(dialog, IDC_txtURL, values[0]);
    Type(dialog, IDC_txtUserName, values[1]);
    Type(dialog, IDC_txtPassword, values[2]);
    Type(dialog, IDC_txtPathName, values[3]);
    Press(dialog, IDC_Command4);  // Set: the program uses the values from now on
    Press(dialog, IDC_Command1);  // Save: proposes a profile name
    Type(dialog, IDC_txtFileName, values[4]);
    Press(dialog, IDC_cmdOK);     // writes the profile and names it in Leq.ini
    Press(dialog, IDC_Command3);  // Exit: set and saved, so no question
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool waitOnly = argc > 1 && std::strcmp(argv[1], "--wait-only") == 0;
    const bool configure = argc > 6 && std::strcmp(argv[1], "--configure") == 0;
    HWND qel = WaitForWindow([] { return FindWindowA("PellucorQelMain", nullptr); });
    if (!qel) {
        std::fprintf(stderr, "CheckRun: no Qel window appeared\n");
        return 1;
    }
    if (waitOnly) {
        return 0;
    }
    if (configure && !ConfigureHost(qel, argv + 2)) {
        std::fprintf(stderr, "CheckRun: the Configure Host dialog did not open\n");
        return 1;
    }
    HWND run = GetDlgItem(qel, qel::layout::IDC_ckkRun);
    DWORD_PTR state = 0;
    SendMessageTimeoutA(run, BM_GETCHECK, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &state);
    if (state != BST_CHECKED) {
        Send(run, BM_CLICK, 0, 0);
    }
    return 0;
}
