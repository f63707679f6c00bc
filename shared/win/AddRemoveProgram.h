// The Add/Remove Programs entry: the installer writes it, the uninstaller deletes it. One key
// under HKEY_LOCAL_MACHINE with a display name and the uninstall command, nothing more.
#pragma once

#include <windows.h>

#include <string>

namespace pellucor {

// Writes "DisplayName" = name and "UninstallString" = command (as given: no quotes added).
// Registry status codes are not looked at: without the rights to write under
// HKEY_LOCAL_MACHINE no entry is made and nothing is said, which is why both programs ask for
// administrator rights in their manifests.
void AddToAddRemoveList(const std::string& name, const std::string& uninstallCommand);

// Creates or opens the key and writes one REG_SZ value, the text's bytes without a NUL.
void SetRegistryString(HKEY root, const std::string& subKey, const std::string& valueName,
                       const std::string& value);

// Deletes the entry of that name; a missing entry is not an error anyone hears of.
void RemoveFromAddRemoveList(const std::string& name);

void DeleteRegistryKey(HKEY root, const std::string& subKey);

}  // namespace pellucor
