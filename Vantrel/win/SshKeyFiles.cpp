// Reads the SSH key files with wide paths and checks who else may read them.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "SshKeyFiles.h"

#include <memory>

#include "PathText.h"
#include "UniqueHandle.h"
#include "Win32FileSystem.h"

namespace qel {
namespace {

// A private key's file is far smaller: anything larger is not one, and is not read whole.
constexpr DWORD kMaxKeyFileBytes = 64 * 1024;

struct LocalFreeDeleter {
    void operator()(void* memory) const { LocalFree(memory); }
};

// The SID of the user this program runs as.
std::unique_ptr<void, LocalFreeDeleter> CurrentUserSid() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) {
        return nullptr;
    }
    const UniqueHandle token(rawToken);
    alignas(TOKEN_USER) unsigned char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &size)) {
        return nullptr;
    }
    PSID user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
    const DWORD length = GetLengthSid(user);
    std::unique_ptr<void, LocalFreeDeleter> copy(LocalAlloc(LMEM_FIXED, length));
    if (copy && !CopySid(length, copy.get(), user)) {
        copy.reset();
    }
    return copy;
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    return IsWellKnownSid(sid, type) != FALSE;
}

// As OpenSSH judges a key file: besides its user, only the system and the administrators may
// read it. A file without any access list may be read by anyone.
bool OthersMayRead(const std::wstring& path) {
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR rawDescriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &acl, nullptr, &rawDescriptor) != ERROR_SUCCESS) {
        return false;  // not known: no warning on a guess
    }
    const std::unique_ptr<void, LocalFreeDeleter> descriptor(rawDescriptor);
    if (acl == nullptr) {
        return true;
    }
    const auto user = CurrentUserSid();
    constexpr ACCESS_MASK reading = FILE_READ_DATA | GENERIC_READ | GENERIC_ALL;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(acl, i, &entry)) {
            continue;
        }
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (allowed->Mask & reading) == 0) {
            continue;
        }
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (!(user && EqualSid(sid, user.get())) && !IsWellKnown(sid, WinLocalSystemSid) &&
            !IsWellKnown(sid, WinBuiltinAdministratorsSid)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<SshKeyFile> ReadSshKeyFiles(const std::string& folder,
                                        std::vector<std::string>& problems,
                                        std::vector<std::string>& warnings) {
    std::vector<SshKeyFile> files;
    for (const char* name : kSshKeyFileNames) {
        const std::wstring path = pellucor::Wide(folder + name);
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            continue;
        }
        FileError error;
        std::optional<std::string> text;
        WIN32_FILE_ATTRIBUTE_DATA about{};
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &about) &&
            (about.nFileSizeHigh != 0 || about.nFileSizeLow > kMaxKeyFileBytes)) {
            text = std::string();  // too large for a key: told as no key below
        } else {
            text = Win32FileSystem().ReadAll(folder + name, error);
        }
        if (!text) {
            problems.push_back(std::string(name) + ": " + error.description);
            continue;
        }
        if (OthersMayRead(path)) {
            warnings.push_back(std::string("The key file ") + name +
                               " may be read by other users of this computer; a private key "
                               "should be readable by you alone");
        }
        files.push_back({name, *text, KeyFileFormOf(*text)});
    }
    return files;
}

bool SshAgentRunning() {
    if (FindWindowA("Pageant", "Pageant") != nullptr) {
        return true;
    }
    // A pipe that is there but busy still makes the wait fail, with another code.
    return WaitNamedPipeA(kOpenSshAgentPipe, 1) || GetLastError() == ERROR_SEM_TIMEOUT;
}

}  // namespace qel
