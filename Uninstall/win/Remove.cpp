// The uninstaller's start routine.
#include "Remove.h"

#include <vector>

#include "AddRemoveProgram.h"
#include "DoEvents.h"
#include "FindStartupBas.h"
#include "FolderPath.h"
#include "HandleFiles.h"
#include "FolderListing.h"
#include "FolderSearch.h"
#include "InstallNames.h"
#include "OwnedHandle.h"
#include "PathText.h"
#include "RemovalTexts.h"
#include "SystemErrorText.h"
#include "RemoveWaitForm.h"

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

// A file opened for deletion and checked on that handle: a plain file (no folder, no link)
// that really lies in `folder` (a real path). Empty with `why` set when it is not, or cannot
// be checked.
pellucor::OwnedHandle OpenChecked(const std::string& path, const std::string& folder,
                                  std::string& why) {
    pellucor::OwnedHandle file =
        pellucor::OpenNoFollow(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (!file) {
        why = pellucor::SystemErrorText(GetLastError());
        return nullptr;
    }
    const DWORD attributes = pellucor::HandleAttributes(file.get());
    const std::string final = pellucor::FinalPath(file.get());
    if (attributes == INVALID_FILE_ATTRIBUTES || final.empty()) {
        why = "its place cannot be told";
    } else if (!pellucor::LiesDirectlyIn(final, folder)) {
        why = "it lies at " + pellucor::AnsiFromUtf8(final);
    } else if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
        why = "it is not a plain file";
    } else {
        return file;
    }
    return nullptr;
}

// Where the folder holding `path` really is (through any link on the way).
std::string RealFolderOf(const std::string& path) {
    const pellucor::OwnedHandle folder = pellucor::OwnFile(
        CreateFileW(pellucor::Wide(pellucor::FolderOfFile(path)).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return folder ? pellucor::FinalPath(folder.get()) : std::string();
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
    std::string why;
    const pellucor::OwnedHandle file = OpenChecked(path, RealFolderOf(path), why);
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
    // Found while the folders are listed; only these few paths are kept.
    std::vector<std::string> found;
    const SearchOutcome outcome =
        SearchFolders(kSearchedDrive, pellucor::ShortcutFileName(), OpenListing,
                      [&](const std::string& path) { found.push_back(path); });
    if (!outcome.complete) {
        WriteTrace(SearchStoppedLine(outcome.stopReason, outcome.folders));
    }
    WriteTrace(kDoneMapping);
    for (const std::string& path : found) {
        // Deleted without a word; only a shortcut that stays is traced.
        std::string why;
        const pellucor::OwnedHandle file = OpenChecked(path, RealFolderOf(path), why);
        if (!file) {
            WriteTrace(NotDeletingLine(pellucor::AnsiFromUtf8(path), why));
        } else if (!pellucor::DeleteThrough(file.get())) {
            const DWORD error = GetLastError();
            const std::string shown = pellucor::AnsiFromUtf8(path);
            WriteTrace(UnlockingLine(shown));
            WriteTrace(KillingLine(shown));
            WriteTrace(pellucor::SystemErrorText(error));
        }
    }
}

void Remove::EmptyInstallFolder(const std::string& installDir) {
    // The uninstaller runs with administrator rights: through a link it would delete the files
    // of whatever folder the link points to.
    const std::string folder = WithoutTrailingBackslash(installDir);
    const pellucor::OwnedHandle held = IsLink(installDir) ? nullptr : HoldFolder(installDir, 0);
    if (!held) {
        const DWORD error = GetLastError();
        if (IsLink(installDir) || error == ERROR_REPARSE_TAG_MISMATCH) {
            WriteTrace(LinkLine(folder));
        } else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            WriteTrace(pellucor::SystemErrorText(error));
        }
        return;
    }
    for (const std::string& name : PlainFileNames(installDir)) {
        const std::string path = installDir + name;
        std::string why;
        const pellucor::OwnedHandle file = OpenChecked(path, folder, why);
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
