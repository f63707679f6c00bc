// Runs a Windows program from outside and finds what it shows.
#include "ProgramRun.h"

#include "PathText.h"
#include "Polling.h"

namespace qeltest {

namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr char kMessageBoxClass[] = "#32770";

struct WindowSearch {
    DWORD processId;
    std::string className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (owner == search->processId && search->className == className && IsWindowVisible(hwnd)) {
        search->found.push_back(hwnd);
    }
    return TRUE;
}

struct ChildTexts {
    std::string joined;
};

BOOL CALLBACK CollectStaticText(HWND hwnd, LPARAM param) {
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) {
        const std::string text = WindowText(hwnd);
        if (!text.empty()) {
            auto* texts = reinterpret_cast<ChildTexts*>(param);
            texts->joined += (texts->joined.empty() ? "" : "\n") + text;
        }
    }
    return TRUE;
}

}  // namespace

ProgramRun::~ProgramRun() {
    Terminate();
    if (process_.hProcess) {
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
}

bool ProgramRun::Start(const std::string& exe, const std::string& folder) {
    // Paths are UTF-8, so that a program can be started from a folder of any name.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::wstring program = pellucor::Wide(exe);
    std::wstring commandLine = L"\"" + program + L"\"";
    return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          pellucor::Wide(folder).c_str(), &startup, &process_) != FALSE;
}

bool ProgramRun::Running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ProgramRun::WaitForExit(unsigned deadlineMs) {
    return WaitUntil([this] { return !Running(); }, deadlineMs);
}

DWORD ProgramRun::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_.hProcess) {
        GetExitCodeProcess(process_.hProcess, &code);
    }
    return code;
}

void ProgramRun::Terminate() {
    if (Running()) {
        TerminateProcess(process_.hProcess, 255);
        WaitForSingleObject(process_.hProcess, kSendTimeoutMs);
    }
}

std::vector<HWND> ProgramRun::Windows(const char* className) const {
    WindowSearch search{process_.dwProcessId, className, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramRun::WaitForWindow(const char* className, int childId, unsigned deadlineMs) const {
    HWND window = nullptr;
    WaitUntil(
        [&] {
            for (HWND candidate : Windows(className)) {
                if (childId == 0 || GetDlgItem(candidate, childId)) {
                    window = candidate;
                    return true;
                }
            }
            return false;
        },
        deadlineMs);
    return window;
}

HWND ProgramRun::WaitForMessageBox(const std::string& title, unsigned deadlineMs) const {
    HWND box = nullptr;
    WaitUntil(
        [&] {
            for (HWND candidate : Windows(kMessageBoxClass)) {
                // The box exists before its buttons: wait until it can be answered.
                if (WindowText(candidate) == title &&
                    (GetDlgItem(candidate, IDOK) || GetDlgItem(candidate, IDYES))) {
                    box = candidate;
                    return true;
                }
            }
            return false;
        },
        deadlineMs);
    return box;
}

std::string WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSendTimeoutMs,
                             &length)) {
        return {};
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, kSendTimeoutMs, &copied);
    text.resize(copied);
    return text;
}

std::string MessageBoxText(HWND box) {
    ChildTexts texts;
    EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
    return texts.joined;
}

void Press(HWND box, int button) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

}  // namespace qeltest
