// Drives Qel.exe from outside for whole-program tests.
#include "QelProcess.h"

#include "MainFormLayout.h"
#include "PathText.h"
#include "Polling.h"
#include "SetUpProgram.h"

namespace qeltest {

namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr char kMainWindowClass[] = "PellucorQelMain";

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if (owner == search->processId && std::string(className) == kMainWindowClass) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::string SentText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &length)) {
        return {};
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, kSendTimeoutMs, &copied);
    text.resize(copied);
    return text;
}

}  // namespace

std::string FromUnixPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::string ShippedFile(const std::string& name) {
    return wintest::ReadBytes(FromUnixPath(std::string(QEL_RES_UNIX_DIR) + "/" + name))
        .value_or("");
}

namespace {

// Deletes the settings file, its kept-aside copy and every profile of the settings folder.
void EmptySettingsFolder() {
    const std::string folder = QelProcess::SettingsFolder();
    for (const char* pattern : {"Leq.ini*", "*.uci"}) {
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW(pellucor::Wide(folder + pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            continue;
        }
        do {
            const std::wstring path = pellucor::Wide(folder) + found.cFileName;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
}

}  // namespace

std::string QelProcess::SettingsFolder() {
    return qel::OwnSettingsFolder("");
}

bool QelProcess::HasSetting(const std::string& name) const {
    return GetFileAttributesW(pellucor::Wide(SettingsFolder() + name).c_str()) !=
           INVALID_FILE_ATTRIBUTES;
}

std::string QelProcess::ReadSetting(const std::string& name) const {
    return wintest::ReadBytes(SettingsFolder() + name).value_or("");
}

QelProcess::QelProcess(const std::map<std::string, std::string>& files,
                       const std::string& folderName)
    : folder_(folderName.empty() ? scratch_.Path() : scratch_.Path() + folderName + "\\") {
    EmptySettingsFolder();
    CreateDirectoryW(pellucor::Wide(folder_).c_str(), nullptr);
    CopyFileW(pellucor::Wide(FromUnixPath(QEL_EXE_UNIX_PATH)).c_str(),
              pellucor::Wide(folder_ + "Qel.exe").c_str(), FALSE);
    for (const auto& [name, bytes] : files) {
        wintest::WriteBytes(folder_ + name, bytes);
    }
}

QelProcess::~QelProcess() {
    if (process_.hProcess) {
        if (Running()) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, kSendTimeoutMs);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    EmptySettingsFolder();
}

bool QelProcess::Start(const std::string& arguments) {
    if (process_.hProcess) {  // started before: this is a restart in the same folder
        if (Running()) {
            return false;
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        process_ = {};
        window_ = nullptr;
    }
    const std::string exe = folder_ + "Qel.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = pellucor::Wide("\"" + exe + "\" " + arguments);
    if (!CreateProcessW(pellucor::Wide(exe).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, pellucor::Wide(folder_).c_str(), &startup, &process_)) {
        return false;
    }
    // The window is shown at the end of the start-up, once its controls exist.
    return WaitUntil([this] {
        WindowSearch search{process_.dwProcessId, nullptr};
        EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
        window_ = search.found;
        return window_ && IsWindowVisible(window_) &&
               GetDlgItem(window_, qel::layout::IDC_lblStatus) != nullptr;
    });
}

bool QelProcess::Running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool QelProcess::WaitForExit(unsigned deadlineMs) {
    return WaitUntil([this] { return !Running(); }, deadlineMs);
}

std::string QelProcess::Caption() const {
    return SentText(window_);
}

std::string QelProcess::Text(int controlId) const {
    return SentText(Control(controlId));
}

void QelProcess::SetText(int controlId, const std::string& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(Control(controlId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_NORMAL, kSendTimeoutMs, &ignored);
}

void QelProcess::Click(int controlId) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(Control(controlId), BM_CLICK, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &ignored);
}

bool QelProcess::Checked(int controlId) const {
    DWORD_PTR state = 0;
    SendMessageTimeoutA(Control(controlId), BM_GETCHECK, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &state);
    return state == BST_CHECKED;
}

std::optional<LRESULT> QelProcess::SendWithin(UINT message, WPARAM wParam, LPARAM lParam,
                                              unsigned timeoutMs) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window_, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

void QelProcess::Menu(int commandId) {
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

void QelProcess::Close() {
    PostMessageA(window_, WM_CLOSE, 0, 0);
}

bool QelProcess::WaitForText(int controlId, const std::string& text, unsigned deadlineMs) const {
    return WaitUntil([&] { return Text(controlId) == text; }, deadlineMs);
}

bool QelProcess::WaitForTextContaining(int controlId, const std::string& part,
                                       unsigned deadlineMs) const {
    return WaitUntil([&] { return Text(controlId).find(part) != std::string::npos; }, deadlineMs);
}

bool QelProcess::HasFile(const std::string& name) const {
    return GetFileAttributesW(pellucor::Wide(folder_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string QelProcess::ReadFile(const std::string& name) const {
    return wintest::ReadBytes(folder_ + name).value_or("");
}

}  // namespace qeltest
