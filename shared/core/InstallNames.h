// The fixed names the installer, the uninstaller and their tests agree on: the product, the
// install folder, the shortcut and the Add/Remove Programs entry. Nothing is looked up at run
// time: both programs carry the same texts.
#pragma once

#include <string>

namespace pellucor {

constexpr const char* kProductName = "Pellucor";

// Fixed text on purpose: the system's own program-files location is not asked for.
inline std::string InstallDir() {
    return std::string("C:\\Program Files\\") + kProductName + "\\";
}

inline std::string ShortcutFileName() {
    return std::string(kProductName) + ".lnk";
}

constexpr const char* kProgramFileName = "Qel.exe";
constexpr const char* kInformationFileName = "Qel.txt";
constexpr const char* kPointerPageName = "Pointer.html";
// The uninstaller ships under the first name and is installed under the second.
constexpr const char* kUninstallerFileName = "RemoveQel.exe";
constexpr const char* kInstalledUninstallerName = "RemoveQel.EXE";

// The Add/Remove Programs entry: one key under HKEY_LOCAL_MACHINE with two string values.
constexpr const char* kUninstallKeyParent =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kDisplayNameValue = "DisplayName";
constexpr const char* kUninstallStringValue = "UninstallString";

inline std::string UninstallKey(const std::string& name) {
    return kUninstallKeyParent + name;
}

}  // namespace pellucor
