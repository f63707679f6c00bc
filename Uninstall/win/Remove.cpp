// The uninstaller's start routine.
#include "Remove.h"

#include <vector>

#include "AddRemoveProgram.h"
#include "DoEvents.h"
#include "EntryCheck.h"
#include "FindStartupBas.h"
#include "FolderListing.h"
#include "FolderPath.h"
#include "FolderSearch.h"
#include "HandleFiles.h"
#include "InstallNames.h"
#include "OwnedHandle.h"
#include "PathText.h"
#include "RelativeFiles.h"
#include "RemovalTexts.h"
#include "RemoveWaitForm.h"
#include "SystemErrorText.h"

namespace removal {

namespace {

// The three desktops a shortcut may be on: the desktop, the user's desktop folder and the
// desktop folder shared by all users (CSIDL numbers).
constexpr int kDesktops[] = {0x00, 0x10, 0x19};
constexpr const char* kSearchedDrive = "C:\\";

std::string WithoutTrailingBackslash(std::string folder) {
    if (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

// A junction, symbolic link or other redirection: asked of the name itself, not its target.
bool IsLink(const std::string& path) {
    const DWORD attributes =
        GetFileAttributesW(pellucor::Wide(WithoutTrailingBackslash(path)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The install folder held open without following a link, so that it can be neither renamed,
// deleted nor swapped while its files are deleted; empty when what has the folder's name is
// not the real folder (`access` adds what the caller needs).
pellucor::OwnedHandle HoldFolder(const std::string& folder, DWORD access) {
    const std::string name = WithoutTrailingBackslash(folder);
    pellucor::OwnedHandle held = pellucor::OpenNoFollow(name, FILE_READ_ATTRIBUTES | access);
    const DWORD attributes = held ? pellucor::HandleAttributes(held.get()) : 0;
    if (!held || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !pellucor::SamePath(pellucor::FinalPath(held.get()), name)) {
        SetLastError(held ? ERROR_REPARSE_TAG_MISMATCH : GetLastError());
        return nullptr;
    }
    return held;
}

// A file opened by its name inside a held folder (`folderPath`: where that folder really is)
// for deletion, and checked on that handle: a plain file that really lies directly in that
// very folder. Empty with `why` set when it is not, or cannot be checked.
pellucor::OwnedHandle OpenChecked(HANDLE folder, const std::string& folderPath,
                                  const std::string& name, std::string& why) {
    pellucor::OwnedHandle file =
        pellucor::OpenIn(folder, name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (!file) {
        why = pellucor::SystemErrorText(GetLastError());
        return nullptr;
    }
    const DWORD attributes = pellucor::HandleAttributes(file.get());
    const OpenedEntry entry{
        attributes != INVALID_FILE_ATTRIBUTES, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0, pellucor::FinalPath(file.get())};
    why = pellucor::AnsiFromUtf8(WhyNotDeleted(entry, folderPath));
    return why.empty() ? std::move(file) : nullptr;
}

}  // namespace

void Remove::WriteTrace(const std::string& text) {
    // Appended to only when it is a plain file at its own place: never through a link or into
    // a folder someone put there (a standard user may create both on drive C:).
    const std::wstring name = pellucor::Wide(kTraceFile);
    pellucor::OwnedHandle file = pellucor::OwnFile(
        CreateFileW(name.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file && GetLastError() == ERROR_FILE_NOT_FOUND) {
        // CREATE_NEW, not OPEN_ALWAYS: whatever appeared in between, a dangling link included,
        // is never written through.
        file = pellucor::OwnFile(CreateFileW(
            name.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
            CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    }
    if (!file) {
        return;
    }
    const DWORD attributes = pellucor::HandleAttributes(file.get());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        !pellucor::SamePath(pellucor::FinalPath(file.get()), kTraceFile)) {
        return;
    }
    const std::string line = text + "\r\n";
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void Remove::LogFailure(bool succeeded) {
    if (!succeeded) {
        WriteTrace(pellucor::SystemErrorText(GetLastError()));
    }
}

bool Remove::KillChecked(const std::string& path) {
    // The desktop folder may be redirected elsewhere: it is held where it really is, and the
    // shortcut is deleted only when it lies directly in that folder.
    const pellucor::OwnedHandle folder =
        pellucor::OwnFile(CreateFileW(pellucor::Wide(pellucor::FolderOfFile(path)).c_str(),
                                      FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    std::string why = pellucor::SystemErrorText(GetLastError());
    const pellucor::OwnedHandle file =
        folder ? OpenChecked(folder.get(), pellucor::FinalPath(folder.get()),
                             path.substr(path.find_last_of('\\') + 1), why)
               : nullptr;
    if (!file) {
        WriteTrace(NotDeletingLine(pellucor::AnsiFromUtf8(path), why));
        return false;
    }
    return pellucor::DeleteThrough(file.get());
}

int Remove::Main() {
    const pellucor::SystemFolders folders = pellucor::FindSystemFolders();
    if (MessageBoxA(nullptr, kWarningText, kWarningTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        MessageBoxA(nullptr, kAbortedText, kAbortedTitle, MB_OK);
        return kExitAborted;
    }
    pellucor::DoEvents();
    pellucor::DoEvents();
    WaitForm wait(instance_);
    wait.Show();

    // The shortcuts on the desktops.
    WriteTrace(kKillingLinks.trace);
    wait.ShowDoing(kKillingLinks.shown);
    bool LinkFound = false;
    for (int desktop : kDesktops) {
        const std::string path =
            pellucor::SpecialFolderPath(desktop) + pellucor::ShortcutFileName();
        if (pellucor::FileExists(path)) {
            KillChecked(path);
            LinkFound = true;
        }
    }
    if (!LinkFound) {
        WriteTrace(kMapping.trace);
        wait.ShowDoing(kMapping.shown);
        KillStrayShortcuts();
    }

    // The install folder's plain files, then the folder.
    const std::string installDir = pellucor::InstallDir();
    WriteTrace(kEmptying.trace);
    wait.ShowDoing(kEmptying.shown);
    EmptyInstallFolder(installDir);
    pellucor::DoEvents();
    WriteTrace(kChangingDirectory);
    // The folder cannot be removed while it is the current one.
    LogFailure(SetCurrentDirectoryW(pellucor::Wide(folders.WindowsDir).c_str()) != FALSE);
    WriteTrace(kKillingDirectory.trace);
    wait.ShowDoing(kKillingDirectory.shown);
    KillInstallFolder(installDir);
    pellucor::DoEvents();

    pellucor::RemoveFromAddRemoveList(pellucor::kProductName);
    WriteTrace(kUnloading);
    wait.Unload();
    MessageBoxA(nullptr, kCompleteText, kCompleteTitle, MB_OK);
    return kExitRemoved;
}

void Remove::KillStrayShortcuts() {
    // Each found while its folder is listed and deleted through that very folder's handle; only
    // what is to be traced is kept, and traced once the search is done.
    struct Left {
        std::string path, why;
        DWORD error;
    };
    std::vector<Left> left;
    const SearchOutcome outcome = SearchFolders(
        kSearchedDrive, pellucor::ShortcutFileName(), OpenListing,
        [&](FolderListing& listing, const std::string& name, const std::string& path) {
            // Every listing the search gets comes from OpenListing.
            const auto& held = static_cast<const HeldListing&>(listing);
            std::string why;
            const pellucor::OwnedHandle file =
                OpenChecked(held.Folder(), held.FolderPath(), name, why);
            if (!file) {
                left.push_back({path, why, ERROR_SUCCESS});
            } else if (!pellucor::DeleteThrough(file.get())) {
                left.push_back({path, {}, GetLastError()});
            }
        });
    if (!outcome.complete) {
        WriteTrace(SearchStoppedLine(outcome.stopReason, outcome.folders));
    }
    WriteTrace(kDoneMapping);
    for (const Left& stays : left) {
        const std::string shown = pellucor::AnsiFromUtf8(stays.path);
        if (!stays.why.empty()) {
            WriteTrace(NotDeletingLine(shown, stays.why));
        } else {
            WriteTrace(UnlockingLine(shown));
            WriteTrace(KillingLine(shown));
            WriteTrace(pellucor::SystemErrorText(stays.error));
        }
    }
}

void Remove::EmptyInstallFolder(const std::string& installDir) {
    // The uninstaller runs with administrator rights: through a link it would delete the files
    // of whatever folder the link points to.
    const std::string folder = WithoutTrailingBackslash(installDir);
    const pellucor::OwnedHandle held =
        IsLink(installDir) ? nullptr : HoldFolder(installDir, FILE_LIST_DIRECTORY);
    if (!held) {
        const DWORD error = GetLastError();
        if (IsLink(installDir) || error == ERROR_REPARSE_TAG_MISMATCH) {
            WriteTrace(LinkLine(folder));
        } else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            WriteTrace(pellucor::SystemErrorText(error));
        }
        return;
    }
    // The plain files: no folders, nothing hidden or system.
    constexpr DWORD kNotPlain =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    std::vector<pellucor::ListedEntry> entries;
    LogFailure(pellucor::ListThrough(held.get(), entries));
    const std::string heldPath = pellucor::FinalPath(held.get());
    for (const pellucor::ListedEntry& entry : entries) {
        if (entry.attributes & kNotPlain) {
            continue;
        }
        const std::string path = installDir + entry.name;
        std::string why;
        const pellucor::OwnedHandle file = OpenChecked(held.get(), heldPath, entry.name, why);
        if (!file) {
            WriteTrace(NotDeletingLine(pellucor::AnsiFromUtf8(path), why));
            continue;
        }
        WriteTrace(UnlockingLine(pellucor::AnsiFromUtf8(path)));
        WriteTrace(KillingLine(pellucor::AnsiFromUtf8(path)));
        LogFailure(pellucor::DeleteThrough(file.get()));
    }
}

void Remove::KillInstallFolder(const std::string& installDir) {
    // Opened again, now with the right to delete it (the emptying's hold, and the current
    // folder that pointed at it, would not share that). Deleted only when the handle is the
    // folder itself, or a link in its place but never what the link points to.
    const std::string name = WithoutTrailingBackslash(installDir);
    const pellucor::OwnedHandle held =
        pellucor::OpenNoFollow(name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (!held) {
        LogFailure(false);
        return;
    }
    if (!pellucor::SamePath(pellucor::FinalPath(held.get()), name)) {
        WriteTrace(NotDeletingLine(name, "it is a link that cannot be removed by itself"));
        return;
    }
    LogFailure(pellucor::DeleteThrough(held.get()));
}

}  // namespace removal
