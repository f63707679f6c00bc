// The shell services that open our web site, on Win32.
#include "Win32BrowserShell.h"

#include <shellapi.h>

#include "PathText.h"
#include "UniqueHandle.h"
#include "Win32Error.h"

namespace qel {

namespace {

using FindExecutableFunction = HINSTANCE(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR);

// Looked up when needed, so that a system without it gets a message rather than a program
// that does not start.
FindExecutableFunction ShellFindExecutable() {
    HMODULE shell32 = GetModuleHandleA("shell32.dll");
    if (!shell32) {
        shell32 = LoadLibraryA("shell32.dll");  // stays loaded for the rest of the run
    }
    if (!shell32) {
        return nullptr;
    }
    return reinterpret_cast<FindExecutableFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(shell32, "FindExecutableW")));
}

}  // namespace

bool Win32BrowserShell::FindAssociatedProgram(const std::string& file, const std::string& directory,
                                              std::string& result, std::string& errorDescription) {
    const FindExecutableFunction find = ShellFindExecutable();
    if (!find) {
        errorDescription = ErrorDescription(GetLastError());
        return false;
    }
    // The shell writes at most MAX_PATH characters with their NUL; an unanswered lookup leaves
    // the buffer empty.
    wchar_t found[MAX_PATH] = {};
    find(pellucor::Wide(file).c_str(), pellucor::Wide(directory).c_str(), found);
    const std::string path = pellucor::Utf8(std::wstring_view(found, wcsnlen(found, MAX_PATH)));
    if (result.size() <= path.size()) {
        result.resize(path.size() + 1, ' ');
    }
    result.replace(0, path.size() + 1, path + '\0');
    return true;
}

bool Win32BrowserShell::StartProcess(const std::string& commandLine,
                                     std::string& errorDescription) {
    std::wstring line = pellucor::Wide(commandLine);  // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        errorDescription = ErrorDescription(GetLastError());
        return false;
    }
    // Started and left alone.
    UniqueHandle thread(process.hThread);
    UniqueHandle started(process.hProcess);
    return true;
}

void Win32BrowserShell::ShowMessage(const std::string& text, const std::string& title) {
    MessageBoxA(owner_, text.c_str(), title.c_str(), MB_OK);
}

}  // namespace qel
