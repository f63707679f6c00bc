// One Qel per user.
#include "SingleInstance.h"

namespace qel {
namespace {

// How long a second start looks for the running Qel's window, and waits for its answer.
constexpr DWORD kFindWindowMs = 5000;
constexpr DWORD kAnswerMs = 3000;
constexpr DWORD kPollMs = 100;

// Per user and per session ("Local\"): another user's Qel on the same PC is no reason to end.
std::wstring MutexName() {
    wchar_t user[257] = {};
    DWORD length = 257;
    std::wstring name = L"Local\\Pellucor.Qel.";
    if (GetUserNameW(user, &length)) {
        name += user;
    }
    return name;
}

HWND FindQelWindow(const char* windowClass) {
    // Only a window of this user's session and desktop can be found, as wanted.
    HWND found = nullptr;
    for (DWORD waited = 0;
         (found = FindWindowA(windowClass, nullptr)) == nullptr && waited < kFindWindowMs;
         waited += kPollMs) {
        Sleep(kPollMs);
    }
    return found;
}

}  // namespace

SingleInstance::SingleInstance() {
    mutex_ = CreateMutexW(nullptr, FALSE, MutexName().c_str());
    another_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

bool SingleInstance::HandedOver(const std::string& commandLine, const char* windowClass) {
    if (!another_) {
        return false;
    }
    HWND running = FindQelWindow(windowClass);
    if (running == nullptr) {
        return false;
    }
    COPYDATASTRUCT data{};
    data.dwData = kCommandLineHandOver;
    data.cbData = static_cast<DWORD>(commandLine.size());
    data.lpData = const_cast<char*>(commandLine.data());
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerMs, &answer) ||
        answer != TRUE) {
        return false;
    }
    if (IsIconic(running)) {
        ShowWindowAsync(running, SW_RESTORE);
    }
    SetForegroundWindow(running);
    return true;
}

}  // namespace qel
