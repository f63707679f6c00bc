// The Add/Remove Programs entry.
#include "AddRemoveProgram.h"

#include "InstallNames.h"

namespace pellucor {

void SetRegistryString(HKEY root, const std::string& subKey, const std::string& valueName,
                       const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyA(root, subKey.c_str(), &key) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size()));
    RegCloseKey(key);
}

void AddToAddRemoveList(const std::string& name, const std::string& uninstallCommand) {
    const std::string key = UninstallKey(name);
    SetRegistryString(HKEY_LOCAL_MACHINE, key, kDisplayNameValue, name);
    SetRegistryString(HKEY_LOCAL_MACHINE, key, kUninstallStringValue, uninstallCommand);
}

void DeleteRegistryKey(HKEY root, const std::string& subKey) {
    RegDeleteKeyA(root, subKey.c_str());
}

void RemoveFromAddRemoveList(const std::string& name) {
    DeleteRegistryKey(HKEY_LOCAL_MACHINE, UninstallKey(name));
}

}  // namespace pellucor
