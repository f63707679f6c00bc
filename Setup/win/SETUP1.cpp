// The installer's start routine.
#include "SETUP1.h"

#include <vector>

#include "AddRemoveProgram.h"
#include "DoEvents.h"
#include "DesktopShortcut.h"
#include "FolderPath.h"
#include "SetupHelpForm.h"
#include "InstallFolderRights.h"
#include "InstallNames.h"
#include "OwnedHandle.h"
#include "SystemErrorText.h"
#include "SetupWaitForm.h"

namespace setup {

namespace {

constexpr int kDesktopFolder = 0x10;  // the user's desktop folder (CSIDL_DESKTOPDIRECTORY)

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A junction, symbolic link or other redirection in the folder's place (the name is asked
// without its trailing backslash, so the link itself answers, not its target).
bool IsLink(const std::string& folder) {
    std::string name = folder;
    if (name.size() > 3 && name.back() == '\\') {
        name.pop_back();
    }
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The full path a copy's source names (a bare name is looked up in the current folder).
std::string FullPath(const std::string& path) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()),
                                         buffer.data(), nullptr);
        if (n == 0) {
            return path;
        }
        if (n < buffer.size()) {
            return std::string(buffer.data(), n);
        }
        buffer.resize(n + 1);
    }
}

void ShowAborting(const std::string& description, const std::string& installDir) {
    const std::string text = FolderFailureText(description, installDir);
    MessageBoxA(nullptr, text.c_str(), kFolderFailureTitle, MB_OK);
}

[[noreturn]] void EndInstaller() {
    ExitProcess(kExitStoppedByUser);
}

}  // namespace

std::string OwnFolder() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) {
            return pellucor::FolderOfFile(std::string(buffer.data(), n));
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    const pellucor::OwnedHandle file =
        pellucor::OwnFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    bytes.clear();
    char buffer[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0) {
        bytes.append(buffer, got);
    }
    return ok;
}

int SETUP1::Main() {
    // 1. Information or confirmation: the only point where the user can stop.
    if (!ShowInformation()) {
        return kExitStoppedByUser;
    }
    // 2. to 5.
    WaitForm wait(instance_);
    wait.Show();
    wait.Repaint();
    folders_ = pellucor::FindSystemFolders();
    const std::string installDir = pellucor::InstallDir();
    wait.SetStatus(InstallingText());
    wait.Repaint();

    // From here on a failing step is passed over, except the install folder itself.
    if (!IsLink(installDir) && !FolderExists(installDir) &&
        !CreateDirectoryA(installDir.c_str(), nullptr)) {
        ShowAborting(pellucor::SystemErrorText(GetLastError()), installDir);
        return kExitAborted;
    }
    // A folder that an earlier version let Users change may have been swapped for a link: look
    // before and after taking that right away, so that no one can swap it in between.
    bool link = IsLink(installDir);
    if (!link) {
        RemoveUsersChanges(installDir);
        link = IsLink(installDir);
    }
    if (link) {
        ShowAborting(kFolderIsLinkDescription, installDir);
        return kExitAborted;
    }
    Tick(wait);
    Tick(wait);

    std::vector<CopyFailure> failures;
    std::vector<std::string> copiedSources;
    // Copies a file; a failure is remembered to be named at the end.
    const auto copyFile = [&](const FileCopy& copy, const std::string& name) {
        if (CopyFileA(copy.source.c_str(), copy.destination.c_str(), FALSE)) {
            copiedSources.push_back(FullPath(copy.source));
            return true;
        }
        failures.push_back({name, pellucor::SystemErrorText(GetLastError())});
        return false;
    };
    for (const FileCopy& copy : ProgramCopies(installDir)) {
        copyFile(copy, copy.source);
        Tick(wait);
    }
    // The serial and transfer components are part of Qel.exe: no controls to deliver or
    // register, but the step keeps its tick.
    Tick(wait);

    const std::string ownFolder = OwnFolder();
    const FileCopy uninstaller = UninstallerCopy(ownFolder, folders_.WindowsDir);
    if (pellucor::FileExists(uninstaller.source)) {
        // The entry would otherwise offer an uninstaller that is not there.
        if (copyFile(uninstaller, pellucor::kUninstallerFileName)) {
            pellucor::AddToAddRemoveList(pellucor::kProductName, uninstaller.destination);
        }
    } else {
        MessageBoxA(nullptr, UninstallerMissingText().c_str(), kUninstallerMissingTitle, MB_OK);
    }
    Tick(wait);

    pellucor::DoEvents();
    for (const std::string& path : CleanUpPaths(ownFolder, copiedSources)) {
        KillIfExists(path);
    }
    if (!failures.empty()) {
        MessageBoxA(nullptr, CopyFailureText(failures).c_str(), kApplicationTitle, MB_OK);
    }
    // A shortcut to a program that is not there would only fail when the user tries it.
    if (pellucor::FileExists(installDir + pellucor::kProgramFileName)) {
        CreateDesktopShortcut(pellucor::kProductName, installDir, pellucor::kProgramFileName);
    }
    wait.Unload();
    return failures.empty() ? kExitInstalled : kExitCopyFailed;
}

bool SETUP1::ShowInformation() {
    std::string text;
    if (pellucor::FileExists(pellucor::kInformationFileName) &&
        ReadWholeFile(pellucor::kInformationFileName, text)) {
        HelpForm help(instance_, Proceed, [] { EndInstaller(); });
        helpWindow_ = help.Handle();
        help.SetCaption(InformationCaption());
        help.Show();
        help.SetText(text);
        help.FocusInstall();
        const bool proceed = WaitForInstall();
        helpWindow_ = nullptr;
        return proceed;
    }
    return MessageBoxA(nullptr, ConfirmationText().c_str(), ConfirmationTitle().c_str(),
                       MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

bool SETUP1::WaitForInstall() {
    static bool WaitBusy = false;
    Proceed = false;
    if (WaitBusy) {
        return false;
    }
    WaitBusy = true;
    // A blocking loop: the thread sleeps until a message comes, instead of spinning.
    MSG msg;
    while (!Proceed && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (helpWindow_ && IsWindow(helpWindow_) && IsDialogMessageA(helpWindow_, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    const bool proceed = Proceed;
    WaitBusy = false;
    Proceed = false;
    return proceed;
}

void SETUP1::Tick(WaitForm& wait) {
    wait.SetDots(Dots.Tick());
    wait.Repaint();
}

void SETUP1::KillIfExists(const std::string& path) {
    if (pellucor::FileExists(path)) {
        DeleteFileA(path.c_str());
    }
}

void SETUP1::CreateDesktopShortcut(const std::string& name, const std::string& folder,
                                   const std::string& fileName) {
    const std::string desktop = pellucor::SpecialFolderPath(kDesktopFolder);
    if (desktop.empty()) {
        return;
    }
    SaveShortcut(DesktopShortcut(desktop, name, folder, fileName));
}

}  // namespace setup
