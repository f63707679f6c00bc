// The install folder made safe, through handles.
#include "InstallFolder.h"

#include <vector>

#include "AccessLists.h"
#include "FolderPath.h"
#include "HandleFiles.h"
#include "InstallPlan.h"
#include "PathText.h"
#include "RelativeFiles.h"
#include "RestartDeletion.h"
#include "SystemErrorText.h"

namespace setup {

namespace {

using pellucor::Disposition;

// The install folder, held so that it can be neither renamed nor replaced.
constexpr DWORD kHoldAccess = READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_LIST_DIRECTORY |
                              FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
// An entry that goes: nothing about it is changed but its name.
constexpr DWORD kRemoveAccess = DELETE | FILE_READ_ATTRIBUTES;
constexpr DWORD kKeepAccess = kRemoveAccess | READ_CONTROL | WRITE_DAC | WRITE_OWNER;
constexpr DWORD kEmptyAccess = kRemoveAccess | FILE_LIST_DIRECTORY | FILE_TRAVERSE;

std::string WithoutTrailingBackslash(std::string folder) {
    if (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

char WindowsDrive() {
    wchar_t folder[MAX_PATH] = {};
    return GetSystemWindowsDirectoryW(folder, MAX_PATH) > 0 ? static_cast<char>(folder[0]) : '?';
}

// Why the folder above the install folder is not safe to install into; "" when it is.
std::string ParentProblem(HANDLE parent, const std::string& parentPath) {
    std::string owner;
    std::vector<AccessEntry> entries;
    const DWORD status = ReadList(parent, owner, entries);
    if (status != ERROR_SUCCESS) {
        return pellucor::SystemErrorText(status);
    }
    const ParentVerdict verdict = CheckParent(owner, entries, ProcessUserSid());
    return verdict == ParentVerdict::Safe
               ? std::string()
               : ParentRefusedDescription(verdict, pellucor::AnsiFromUtf8(parentPath),
                                          WindowsDrive());
}

// What the handle is, seen from the folder it should lie in.
EntryKind KindOf(HANDLE handle, const std::string& folder) {
    const DWORD attributes = pellucor::HandleAttributes(handle);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !pellucor::LiesDirectlyIn(pellucor::FinalPath(handle), folder)) {
        return EntryKind::Link;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Folder : EntryKind::File;
}

class Clearing {
public:
    Clearing(TargetFolder& target, FolderProblem& problem) : target_(target), problem_(problem) {}

    // Works through one folder's entries; `top` for the install folder itself, below which
    // nothing is kept.
    bool Folder(HANDLE folder, const std::string& path, bool top) {
        std::vector<pellucor::ListedEntry> entries;
        if (!pellucor::ListThrough(folder, entries)) {
            return Fail(GetLastError());
        }
        for (const pellucor::ListedEntry& entry : entries) {
            if (!Entry(folder, path, entry, top)) {
                return false;
            }
        }
        return true;
    }

private:
    bool Entry(HANDLE folder, const std::string& path, const pellucor::ListedEntry& listed,
               bool top) {
        const std::string& name = listed.name;
        DWORD access = kRemoveAccess;
        if (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            access = kEmptyAccess;
        } else if (top && PlanFor(name, EntryKind::File) == UpgradeAction::KeepSettings) {
            access = kKeepAccess;
        }
        pellucor::OwnedHandle entry = pellucor::OpenIn(folder, name, access);
        if (!entry && access != kRemoveAccess && GetLastError() == ERROR_ACCESS_DENIED) {
            // What will not let itself be kept or emptied goes whole.
            access = kRemoveAccess;
            entry = pellucor::OpenIn(folder, name, access);
        }
        const std::string entryPath = path + "\\" + name;
        if (!entry) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) {
                return true;
            }
            return error == ERROR_SHARING_VIOLATION ? Held(entryPath) : Fail(error);
        }
        const EntryKind kind = KindOf(entry.get(), path);
        UpgradeAction action =
            PlanFor(name, kind, kind == EntryKind::File ? pellucor::LinkCount(entry.get()) : 1);
        if (!top && (action == UpgradeAction::Replace || action == UpgradeAction::KeepSettings)) {
            action = UpgradeAction::Delete;
        }
        switch (action) {
            case UpgradeAction::Replace:
                return true;  // replaced once its checked copy is in hand
            case UpgradeAction::KeepSettings:
                if (access == kKeepAccess &&
                    ApplyList(entry.get(), KeptFileList()) == ERROR_SUCCESS) {
                    return true;
                }
                return Remove(folder, entry.get(), name);  // settings that cannot be made safe go
            case UpgradeAction::RemoveLink:
                // Only a handle on the link itself may be deleted: one that reached the link's
                // target (as under Wine) would delete the target.
                if (!pellucor::LiesDirectlyIn(pellucor::FinalPath(entry.get()), path)) {
                    problem_.description =
                        LinkNotRemovedDescription(pellucor::AnsiFromUtf8(entryPath));
                    return false;
                }
                return Remove(folder, entry.get(), name);
            case UpgradeAction::RemoveFolder:
                if (access != kEmptyAccess) {
                    return Aside(entry.get(), name);  // it cannot even be listed
                }
                if (!Folder(entry.get(), entryPath, false)) {
                    return false;
                }
                return pellucor::RemoveEntry(entry.get()) || Aside(entry.get(), name);
            case UpgradeAction::Delete:
                return Remove(folder, entry.get(), name);
        }
        return false;
    }

    // What cannot be deleted now (in use) goes aside; a read-only file of its own loses that
    // attribute first where the system will not delete it otherwise.
    bool Remove(HANDLE folder, HANDLE entry, const std::string& name) {
        return pellucor::RemoveEntry(entry) ||
               (ClearReadOnly(folder, entry, name) && pellucor::RemoveEntry(entry)) ||
               Aside(entry, name);
    }

    // Through a second handle, since the entry's own was opened for deleting only; never for a
    // file with other names elsewhere.
    static bool ClearReadOnly(HANDLE folder, HANDLE entry, const std::string& name) {
        BY_HANDLE_FILE_INFORMATION facts{}, again{};
        FILE_BASIC_INFO basic{};
        if (!GetFileInformationByHandle(entry, &facts) || facts.nNumberOfLinks != 1 ||
            !(facts.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
            return false;
        }
        const pellucor::OwnedHandle writable = pellucor::OpenIn(
            folder, name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, Disposition::OpenExisting,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        if (!writable || !GetFileInformationByHandle(writable.get(), &again) ||
            again.nFileIndexHigh != facts.nFileIndexHigh ||
            again.nFileIndexLow != facts.nFileIndexLow ||
            again.dwVolumeSerialNumber != facts.dwVolumeSerialNumber ||
            !GetFileInformationByHandleEx(writable.get(), FileBasicInfo, &basic, sizeof basic)) {
            return false;
        }
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0) {
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        }
        return SetFileInformationByHandle(writable.get(), FileBasicInfo, &basic, sizeof basic);
    }

    bool Aside(HANDLE entry, const std::string& name) {
        return target_.PutAside(entry, name) || Fail(GetLastError());
    }

    // Whoever holds it could still change it later: it must not stay for good.
    bool Held(const std::string& path) {
        MarkForDeletionAtRestart(path);
        problem_.heldPath = path;
        return false;
    }

    bool Fail(DWORD status) {
        problem_.description = pellucor::SystemErrorText(status);
        return false;
    }

    TargetFolder& target_;
    FolderProblem& problem_;
};

}  // namespace

std::unique_ptr<TargetFolder> TakeInstallFolder(const std::string& installDir,
                                                FolderProblem& problem) {
    const std::string path = WithoutTrailingBackslash(installDir);
    const std::string parentPath = pellucor::FolderOfFile(path);
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    const pellucor::OwnedHandle parent = pellucor::OwnFile(CreateFileW(
        pellucor::Wide(parentPath).c_str(), READ_CONTROL | FILE_LIST_DIRECTORY | FILE_TRAVERSE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!parent) {
        problem.description = pellucor::SystemErrorText(GetLastError());
        return nullptr;
    }
    problem.description = ParentProblem(parent.get(), parentPath);
    if (!problem.description.empty()) {
        return nullptr;
    }
    pellucor::OwnedHandle held =
        pellucor::OpenIn(parent.get(), name, kHoldAccess, Disposition::NewFolder);
    if (!held && (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS)) {
        held = pellucor::OpenIn(parent.get(), name, kHoldAccess);
    }
    if (!held) {
        problem.description = pellucor::SystemErrorText(GetLastError());
        return nullptr;
    }
    const DWORD attributes = pellucor::HandleAttributes(held.get());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !pellucor::SamePath(pellucor::FinalPath(held.get()), path)) {
        problem.description = kFolderIsLinkDescription;
        return nullptr;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        problem.description = pellucor::SystemErrorText(ERROR_DIRECTORY);
        return nullptr;
    }
    const DWORD status = ApplyList(held.get(), InstallFolderList());
    if (status != ERROR_SUCCESS) {
        problem.description = pellucor::SystemErrorText(status);
        return nullptr;
    }
    return std::make_unique<TargetFolder>(std::move(held), path);
}

bool ClearFolder(TargetFolder& folder, FolderProblem& problem) {
    return Clearing(folder, problem).Folder(folder.Handle(), folder.Path(), true);
}

}  // namespace setup
