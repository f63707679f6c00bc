// Redirecting a user's shell folder in the registry, and putting it back.
#include "UserFolders.h"

#include <shlobj.h>

#include "PathText.h"

namespace qeltest {

namespace {

// The shell reads the first and keeps the second up to date for programs that read it.
constexpr const wchar_t* kKeys[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"};

void SetValue(const wchar_t* key, const std::wstring& name, DWORD type, const std::wstring& text) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name.c_str(), type, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

RedirectedUserFolder::RedirectedUserFolder(const std::string& valueName, const std::string& folder)
    : name_(pellucor::Wide(valueName)) {
    std::wstring path = pellucor::Wide(folder);
    if (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    for (int i = 0; i < 2; ++i) {
        // A saved "%USERPROFILE%\..." goes back unexpanded, in the type it had.
        wchar_t text[1024] = {};
        DWORD type = REG_SZ;
        DWORD size = sizeof text - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, kKeys[i], name_.c_str(),
                         RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type, text,
                         &size) == ERROR_SUCCESS) {
            saved_[i] = Value{type, text};
        }
        SetValue(kKeys[i], name_, REG_SZ, path);
    }
}

RedirectedUserFolder::~RedirectedUserFolder() {
    for (int i = 0; i < 2; ++i) {
        if (saved_[i]) {
            SetValue(kKeys[i], name_, saved_[i]->type, saved_[i]->text);
        } else {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kKeys[i], name_.c_str());
        }
    }
}

}  // namespace qeltest
