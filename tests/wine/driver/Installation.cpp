// What the installer leaves on the machine, seen from a test.
#include "Installation.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <vector>

#include "AddRemoveProgram.h"
#include "FindStartupBas.h"
#include "InstallNames.h"
#include "PathText.h"
#include "ProgramRun.h"
#include "QelProcess.h"

namespace qeltest {

namespace {

constexpr const char* kInstallSetFiles[] = {"SetupQel.exe", "Qel.exe", "Qel.txt", "Pointer.html",
                                            "RemoveQel.exe"};
constexpr const char* kTracePath = "C:\\gcur.txt";
constexpr const wchar_t* kSessionManager = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kPendingValue = L"PendingFileRenameOperations";

}  // namespace

std::string InstallSetFolder() {
    return FromUnixPath(INSTALL_SET_UNIX_PATH) + "\\";
}

InstallSetCopy::InstallSetCopy(const std::set<std::string>& leaveOut) {
    for (const char* name : kInstallSetFiles) {
        if (!leaveOut.count(name)) {
            CopyFileA((InstallSetFolder() + name).c_str(), (Folder() + name).c_str(), FALSE);
        }
    }
}

void CopyInstallSet(const std::string& folder) {
    for (const char* name : kInstallSetFiles) {
        CopyFileW(pellucor::Wide(InstallSetFolder() + name).c_str(),
                  pellucor::Wide(folder + name).c_str(), FALSE);
    }
}

bool InstallSetCopy::Has(const std::string& name) const {
    return GetFileAttributesA((Folder() + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string InstalledUninstaller() {
    return pellucor::FindSystemFolders().WindowsDir + pellucor::kInstalledUninstallerName;
}

std::string UserDesktopShortcut() {
    return pellucor::SpecialFolderPath(CSIDL_DESKTOPDIRECTORY) + pellucor::ShortcutFileName();
}

void RemoveTree(const std::string& folder) {
    const std::string base = folder.back() == '\\' ? folder : folder + "\\";
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pellucor::Wide(base + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = pellucor::Utf8(found.cFileName);
            if (name == "." || name == "..") {
                continue;
            }
            // Named exactly, so that a name ending in a dot or blank is this entry's.
            const std::wstring path = pellucor::Wide("\\\\?\\" + base + name);
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(base + name);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(pellucor::Wide(base.substr(0, base.size() - 1)).c_str());
}

bool PathExists(const std::string& path) {
    return GetFileAttributesW(pellucor::Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

constexpr const wchar_t* kShellFolderKeys[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"};

std::optional<std::wstring> ReadDesktopValue(const wchar_t* key) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, key, L"Desktop",
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value,
                     &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(value);
}

void WriteDesktopValue(const wchar_t* key, const std::optional<std::wstring>& value) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (value) {
        RegSetValueExW(opened, L"Desktop", 0, key == kShellFolderKeys[0] ? REG_EXPAND_SZ : REG_SZ,
                       reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(opened, L"Desktop");
    }
    RegCloseKey(opened);
}

}  // namespace

DesktopRedirect::DesktopRedirect(const std::string& folder) {
    for (int i = 0; i < 2; ++i) {
        saved_[i] = ReadDesktopValue(kShellFolderKeys[i]);
        WriteDesktopValue(kShellFolderKeys[i], pellucor::Wide(folder));
    }
}

DesktopRedirect::~DesktopRedirect() {
    for (int i = 0; i < 2; ++i) {
        WriteDesktopValue(kShellFolderKeys[i], saved_[i]);
    }
}

namespace {

// Runs a Unix program through Wine and waits for it; false when it could not be run or failed.
bool RunUnix(std::vector<std::string> arguments) {
    using Spawn = LONG(WINAPI*)(char* const*, int);
    const auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn) {
        return false;
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return spawn(argv.data(), 1) == 0;
}

std::string UnixPath(const std::string& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char* unix = toUnix ? toUnix(wide) : nullptr;
    if (!unix) {
        return {};
    }
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

std::string WithoutBackslash(std::string path) {
    if (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

}  // namespace

bool MakeUnixLink(const std::string& target, const std::string& link) {
    const std::string from = UnixPath(WithoutBackslash(target)),
                      to = UnixPath(WithoutBackslash(link));
    return !from.empty() && !to.empty() && RunUnix({"/bin/ln", "-s", from, to});
}

bool MakeUnixHardLink(const std::string& target, const std::string& link) {
    const std::string from = UnixPath(target), to = UnixPath(link);
    return !from.empty() && !to.empty() && RunUnix({"/bin/ln", from, to});
}

bool RemoveUnixLink(const std::string& link) {
    const std::string path = UnixPath(WithoutBackslash(link));
    return !path.empty() && RunUnix({"/bin/rm", "-f", path});
}

void ClearInstallation() {
    RemoveUnixLink(pellucor::InstallDir());  // a link, even a dangling one; never what it points to
    RemoveTree(pellucor::InstallDir());
    const std::string folder = pellucor::InstallDir();
    SetFileAttributesA(folder.substr(0, folder.size() - 1).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(folder.substr(0, folder.size() - 1).c_str());  // a file in the folder's place
    DeleteFileA(InstalledUninstaller().c_str());
    for (int desktop : {CSIDL_DESKTOP, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
        DeleteFileW(
            pellucor::Wide(pellucor::SpecialFolderPath(desktop) + pellucor::ShortcutFileName())
                .c_str());
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, pellucor::UninstallKey(pellucor::kProductName).c_str());
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue);
}

std::string PendingDeletions() {
    std::vector<wchar_t> data(32768);
    DWORD size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, RRF_RT_REG_MULTI_SZ,
                     nullptr, data.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    std::wstring text(data.data(), size / sizeof(wchar_t));
    for (wchar_t& c : text) {
        c = c ? c : L'|';
    }
    return pellucor::Utf8(text);
}

std::optional<std::map<std::string, std::string>> UninstallEntry() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, pellucor::UninstallKey(pellucor::kProductName).c_str(), 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::map<std::string, std::string> values;
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD nameLength = sizeof name;
        BYTE data[1024] = {};
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataLength) !=
            ERROR_SUCCESS) {
            break;
        }
        std::string text(reinterpret_cast<char*>(data), dataLength);
        while (!text.empty() && text.back() == '\0') {
            text.pop_back();
        }
        values[name] = (type == REG_SZ ? "" : "(not REG_SZ) ") + text;
    }
    RegCloseKey(key);
    return values;
}

void WriteUninstallEntry() {
    pellucor::AddToAddRemoveList(pellucor::kProductName, InstalledUninstaller());
}

std::optional<ShortcutFacts> ReadShortcut(const std::string& linkPath) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkA* link = nullptr;  // the shortcut's facts come back as ANSI text
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return std::nullopt;
    }
    std::optional<ShortcutFacts> facts;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(pellucor::Wide(linkPath).c_str(), STGM_READ))) {
            char target[MAX_PATH] = {}, folder[MAX_PATH] = {}, description[MAX_PATH] = {};
            link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
            link->GetWorkingDirectory(folder, MAX_PATH);
            link->GetDescription(description, MAX_PATH);
            facts = ShortcutFacts{target, folder, description};
        }
        file->Release();
    }
    link->Release();
    return facts;
}

TraceFile::TraceFile() : mark_(All().size()) {}

std::string TraceFile::All() const {
    return wintest::ReadBytes(kTracePath).value_or("");
}

std::string TraceFile::SinceMark() const {
    const std::string all = All();
    return all.size() >= mark_ ? all.substr(mark_) : all;
}

bool UninstallAnsweringYes(const std::string& folder) {
    ProgramRun run;
    if (!run.Start(InstalledUninstaller(), folder)) {
        return false;
    }
    HWND warning = run.WaitForMessageBox("*** WARNING ***");
    if (!warning) {
        return false;
    }
    Press(warning, IDYES);
    HWND finished = run.WaitForMessageBox("Finished.", 60000);
    if (!finished) {
        return false;
    }
    Press(finished, IDOK);
    return run.WaitForExit();
}

}  // namespace qeltest
