// The uninstaller's start routine.
#include "Remove.h"

#include <vector>

#include "AddRemoveProgram.h"
#include "DoEvents.h"
#include "FindStartupBas.h"
#include "FolderListing.h"
#include "FolderSearch.h"
#include "InstallNames.h"
#include "OwnedHandle.h"
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
    if (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

// A junction, symbolic link or other redirection: asked of the name itself, not its target.
bool IsLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(WithoutTrailingBackslash(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Where an open file or folder really is, in upper case for comparing; "" when unknown.
std::string FinalPath(HANDLE handle) {
    char buffer[MAX_PATH * 2] = {};
    const DWORD n = GetFinalPathNameByHandleA(handle, buffer, sizeof buffer,
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= sizeof buffer) {
        return {};
    }
    CharUpperBuffA(buffer, n);
    return std::string(buffer, n);
}

// The install folder held open, so that it cannot be renamed, deleted or swapped for a link
// while its files are deleted (it is shared for reading and writing, not for deleting).
pellucor::OwnedHandle HoldFolder(const std::string& folder) {
    return pellucor::OwnFile(CreateFileA(WithoutTrailingBackslash(folder).c_str(),
                                         FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                         nullptr));
}

// Where a file of the folder really lies, when that can be told.
std::string FinalPathOf(const std::string& path) {
    const pellucor::OwnedHandle file = pellucor::OwnFile(CreateFileA(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file ? FinalPath(file.get()) : std::string();
}

}  // namespace

void Remove::WriteTrace(const std::string& text) {
    const pellucor::OwnedHandle file =
        pellucor::OwnFile(CreateFileA(kTraceFile, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
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

void Remove::KillUnlocked(const std::string& path) {
    if (pellucor::FileExists(path)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
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
            KillUnlocked(path);
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
    LogFailure(SetCurrentDirectoryA(folders.WindowsDir.c_str()) != FALSE);
    WriteTrace(kKillingDirectory.trace);
    wait.ShowDoing(kKillingDirectory.shown);
    LogFailure(RemoveDirectoryA(WithoutTrailingBackslash(installDir).c_str()) != FALSE);
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
        KillUnlocked(path);
        if (pellucor::FileExists(path)) {
            WriteTrace(UnlockingLine(path));
            LogFailure(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE);
            WriteTrace(KillingLine(path));
            LogFailure(DeleteFileA(path.c_str()) != FALSE);
        }
    }
}

void Remove::EmptyInstallFolder(const std::string& installDir) {
    // The uninstaller runs with administrator rights: through a link it would delete the files
    // of whatever folder the link points to.
    if (IsLink(installDir)) {
        WriteTrace(LinkLine(WithoutTrailingBackslash(installDir)));
        return;
    }
    const pellucor::OwnedHandle held = HoldFolder(installDir);
    if (IsLink(installDir)) {  // swapped before it was held
        WriteTrace(LinkLine(WithoutTrailingBackslash(installDir)));
        return;
    }
    const std::string folderFinal = held ? FinalPath(held.get()) + "\\" : std::string();
    for (const std::string& name : PlainFileNames(installDir)) {
        const std::string path = installDir + name;
        const std::string fileFinal = FinalPathOf(path);
        if (folderFinal.size() > 1 && !fileFinal.empty() &&
            fileFinal.compare(0, folderFinal.size(), folderFinal) != 0) {
            WriteTrace(OutsideLine(path, fileFinal));
            continue;
        }
        WriteTrace(UnlockingLine(path));
        LogFailure(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE);
        WriteTrace(KillingLine(path));
        LogFailure(DeleteFileA(path.c_str()) != FALSE);
    }
}

}  // namespace removal
