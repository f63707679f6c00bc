// One Qel per user, whatever the session.
#include "SingleInstance.h"

#include <sddl.h>

#include <memory>
#include <vector>

#include "ProgramState.h"
#include "StatusHistory.h"
#include "Win32StatusHistory.h"

namespace qel {
namespace {

// How long a second start keeps asking a Qel of its session that does not answer (still
// starting, or busy), and how long it waits for each answer.
constexpr DWORD kAskForMs = 30000;
constexpr DWORD kAnswerMs = 3000;
constexpr DWORD kPollMs = 100;

// The user's SID as text ("S-1-5-21-..."); "" when it cannot be had.
std::wstring UserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    const UniqueHandle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    wchar_t* text = nullptr;
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        return {};
    }
    std::wstring sid(text);
    LocalFree(text);
    return sid;
}

// A mutex of the user's, that only the user and the system may open: named with the user's
// SID, so that another user's Qel is no reason to end and cannot hold the name against this
// user's. Owned by the creator for as long as it runs. `existed` when another had made it.
UniqueHandle UserMutex(const std::wstring& name, const std::wstring& sid, bool& existed) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const std::wstring sddl = L"D:P(A;;GA;;;" + sid + L")(A;;GA;;;SY)";
    if (!sid.empty() && ConvertStringSecurityDescriptorToSecurityDescriptorW(
                            sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        attributes.lpSecurityDescriptor = descriptor;
    }
    UniqueHandle mutex(CreateMutexW(&attributes, TRUE, name.c_str()));
    existed = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
    if (descriptor != nullptr) {
        LocalFree(descriptor);
    }
    return mutex;
}

bool AskToTakeOver(HWND running, const std::string& commandLine) {
    COPYDATASTRUCT data{};
    data.dwData = kCommandLineHandOver;
    data.cbData = static_cast<DWORD>(commandLine.size());
    data.lpData = const_cast<char*>(commandLine.data());
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerMs, &answer) &&
           answer == TRUE;
}

}  // namespace

SingleInstance::SingleInstance() {
    const std::wstring sid = UserSid();
    bool userExisted = false;
    bool sessionExisted = false;
    user_ = UserMutex(L"Global\\Pellucor.Qel." + sid, sid, userExisted);
    session_ = UserMutex(L"Local\\Pellucor.Qel." + sid, sid, sessionExisted);
    // Only the creator owns a mutex from the start; the others ask for it when they need to know
    // whether its Qel is still there.
    userOwned_ = user_ && !userExisted;
    sessionOwned_ = session_ && !sessionExisted;
}

bool SingleInstance::Owned(const UniqueHandle& mutex, bool& owned) {
    // A Qel that has ended leaves its mutex abandoned, and so to this start.
    if (!owned && mutex) {
        const DWORD wait = WaitForSingleObject(mutex.Get(), 0);
        owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    return owned;
}

SingleInstance::Outcome SingleInstance::Claim(const std::string& commandLine,
                                              const char* windowClass) {
    if (!user_ || Owned(user_, userOwned_)) {
        return Outcome::Mine;  // a name that cannot be had is never a reason not to run
    }
    if (Owned(session_, sessionOwned_)) {
        // This session has no Qel, yet the user has one: a window message cannot reach it.
        return Outcome::OtherSession;
    }
    for (DWORD asked = 0; asked < kAskForMs;) {
        const DWORD start = GetTickCount();
        if (HWND running = FindWindowA(windowClass, nullptr)) {
            if (AskToTakeOver(running, commandLine)) {
                if (IsIconic(running)) {
                    ShowWindowAsync(running, SW_RESTORE);
                }
                SetForegroundWindow(running);
                return Outcome::HandedOver;
            }
        } else {
            Sleep(kPollMs);  // still starting: its window is not made yet
        }
        if (Owned(session_, sessionOwned_) && Owned(user_, userOwned_)) {
            return Outcome::Mine;  // it ended meanwhile
        }
        asked += GetTickCount() - start;
    }
    return Outcome::NotAnswering;
}

void SingleInstance::Explain(Outcome outcome, bool unattended) {
    const char* why = outcome == Outcome::OtherSession
                          ? "Qel is already running in another session of this user"
                          : "Qel is already running but not answering";
    Win32HistoryFile file;
    Win32HistoryClock clock;
    const ProgramState state;
    StatusHistory(file, clock, state).Note(std::string("A second start of Qel ended: ") + why);
    if (!unattended) {
        MessageBoxA(nullptr, (std::string(why) + ".").c_str(), "Pellucor",
                    MB_OK | MB_ICONEXCLAMATION);
    }
}

}  // namespace qel
