// The uninstaller's start routine.
#include "Remove.h"

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
    for (const std::string& name : PlainFileNames(installDir)) {
        const std::string path = installDir + name;
        WriteTrace(UnlockingLine(path));
        LogFailure(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE);
        WriteTrace(KillingLine(path));
        LogFailure(DeleteFileA(path.c_str()) != FALSE);
    }
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
    const std::vector<std::string> folderList = MapFolders(kSearchedDrive, ListSubfolders);
    WriteTrace(kDoneMapping);
    for (const std::string& folder : folderList) {
        const std::string path = folder + pellucor::ShortcutFileName();
        KillUnlocked(path);
        if (pellucor::FileExists(path)) {
            WriteTrace(UnlockingLine(path));
            LogFailure(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE);
            WriteTrace(KillingLine(path));
            LogFailure(DeleteFileA(path.c_str()) != FALSE);
        }
    }
}

}  // namespace removal
