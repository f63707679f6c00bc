// Demo helper: waits for Qel's main window and checks its Run box, as a person would click it.
// With --wait-only it only waits for the window.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "MainFormLayout.h"

int main(int argc, char** argv) {
    const bool waitOnly = argc > 1 && std::strcmp(argv[1], "--wait-only") == 0;
    const ULONGLONG deadline = GetTickCount64() + 30000;
    HWND qel = nullptr;
    while (GetTickCount64() < deadline) {
        qel = FindWindowA("PellucorQelMain", nullptr);
        if (qel && IsWindowVisible(qel)) {
            break;
        }
        qel = nullptr;
        Sleep(50);  // polling another program's start-up
    }
    if (!qel) {
        std::fprintf(stderr, "CheckRun: no Qel window appeared\n");
        return 1;
    }
    if (waitOnly) {
        return 0;
    }
    HWND run = GetDlgItem(qel, qel::layout::IDC_ckkRun);
    DWORD_PTR state = 0;
    SendMessageTimeoutA(run, BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &state);
    if (state != BST_CHECKED) {
        SendMessageTimeoutA(run, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &state);
    }
    return 0;
}
