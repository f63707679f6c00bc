// The installer's start routine.
#include "SETUP1.h"

#include <memory>
#include <vector>

#include "AddRemoveProgram.h"
#include "DesktopShortcut.h"
#include "DoEvents.h"
#include "FolderPath.h"
#include "HandleFiles.h"
#include "InstallFolder.h"
#include "InstallNames.h"
#include "OwnedHandle.h"
#include "PathText.h"
#include "RelativeFiles.h"
#include "RestartDeletion.h"
#include "SetupHelpForm.h"
#include "SetupWaitForm.h"
#include "ShippedDigests.h"
#include "SystemErrorText.h"
#include "TargetFolder.h"

namespace setup {

// A file of the set, read through one handle and checked against the size and digest the
// installer was built with, at most one byte more than that size being read. The handle stays
// open (so the file cannot change) until the source is cleaned out or the installer ends.
struct Source {
    pellucor::OwnedHandle file;
    std::string bytes;    // the checked bytes; empty when the check failed
    std::string failure;  // why it cannot be installed; "" when it can
};

namespace {

constexpr int kDesktopFolder = 0x10;  // the user's desktop folder (CSIDL_DESKTOPDIRECTORY)

std::string WithoutTrailingBackslash(std::string folder) {
    if (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

[[noreturn]] void EndInstaller() {
    ExitProcess(kExitStoppedByUser);
}

const ShippedDigest* Expected(const std::string& name) {
    for (int i = 0; i < kShippedDigestCount; ++i) {
        if (name == kShippedDigests[i].name) {
            return &kShippedDigests[i];
        }
    }
    return nullptr;
}

// Reads and checks the open file as the set's `name`.
void Check(Source& source, const std::string& name) {
    const ShippedDigest* expected = Expected(name);
    if (!expected) {
        source.failure = kNotOurFileDescription;
    } else if (!ReadAtMost(source.file.get(), expected->size + 1, source.bytes)) {
        source.failure = pellucor::SystemErrorText(GetLastError());
    } else if (!IsShippedFile(source.bytes, expected->size, expected->sha256)) {
        source.failure = kNotOurFileDescription;
    }
    if (!source.failure.empty()) {
        source.bytes.clear();
    }
}

Source ReadSource(const std::string& path, const std::string& name) {
    Source source;
    const std::wstring wide = pellucor::Wide(path);
    // Nobody may write to it while it is held; with DELETE it can be cleaned out afterwards
    // through the same handle (a set on a read-only medium is only read).
    source.file = pellucor::OwnFile(
        CreateFileW(wide.c_str(), GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source.file && GetLastError() != ERROR_FILE_NOT_FOUND &&
        GetLastError() != ERROR_PATH_NOT_FOUND) {
        source.file = pellucor::OwnFile(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, 0, nullptr));
    }
    if (!source.file) {
        source.failure = pellucor::SystemErrorText(GetLastError());
        return source;
    }
    Check(source, name);
    return source;
}

// The installed copy of a file of the set, read as a source: through the install folder's
// handle, letting no one write to it meanwhile.
Source ReadInstalled(TargetFolder& folder, const std::string& name) {
    Source source;
    source.file = pellucor::OpenIn(folder.Handle(), name, GENERIC_READ | FILE_READ_ATTRIBUTES,
                                   pellucor::Disposition::OpenExisting, FILE_SHARE_READ);
    const DWORD attributes = source.file ? pellucor::HandleAttributes(source.file.get()) : 0;
    if (!source.file ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        source.failure = pellucor::SystemErrorText(ERROR_FILE_NOT_FOUND);
        return source;
    }
    Check(source, name);
    source.file.reset();
    return source;
}

// Deletes a source whose copy succeeded, through the handle it was read from, when it lies in
// the installer's own folder: a copy taken from another folder never costs that folder its
// file.
void CleanOut(Source& source, const std::string& ownFolder) {
    if (source.file && source.failure.empty() &&
        pellucor::LiesDirectlyIn(pellucor::FinalPath(source.file.get()), ownFolder)) {
        pellucor::DeleteThrough(source.file.get());
    }
    source.file.reset();
}

// The Windows folder, held for the uninstaller's copy; empty when it cannot be opened.
std::unique_ptr<TargetFolder> HoldWindowsFolder(const std::string& windowsDir) {
    pellucor::OwnedHandle held =
        pellucor::OpenNoFollow(WithoutTrailingBackslash(windowsDir),
                               FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES);
    if (!held) {
        return nullptr;
    }
    const std::string path = pellucor::FinalPath(held.get());
    return path.empty() ? nullptr : std::make_unique<TargetFolder>(std::move(held), path);
}

}  // namespace

std::string OwnFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) {
            return pellucor::FolderOfFile(pellucor::Utf8(std::wstring_view(buffer.data(), n)));
        }
        buffer.resize(buffer.size() * 2);
    }
}

void RemoveDesktopShortcut() {
    const std::string desktop = pellucor::SpecialFolderPath(kDesktopFolder);
    if (desktop.empty()) {
        return;
    }
    const pellucor::OwnedHandle folder = pellucor::OwnFile(
        CreateFileW(pellucor::Wide(WithoutTrailingBackslash(desktop)).c_str(), FILE_LIST_DIRECTORY,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
        return;
    }
    const pellucor::OwnedHandle link =
        pellucor::OpenIn(folder.get(), pellucor::ShortcutFileName(),
                         DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    const DWORD attributes = link ? pellucor::HandleAttributes(link.get()) : 0;
    if (link && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
        pellucor::LiesDirectlyIn(pellucor::FinalPath(link.get()),
                                 pellucor::FinalPath(folder.get()))) {
        pellucor::DeleteThrough(link.get());
    }
}

int SETUP1::Main() {
    // The set's files, read and checked before anything is shown or changed: the information
    // window shows, and the installation installs, only what passed the check.
    const std::string installDir = pellucor::InstallDir();
    const std::vector<FileCopy> copies = ProgramCopies(installDir);
    std::vector<Source> sources;
    for (const FileCopy& copy : copies) {
        sources.push_back(ReadSource(copy.source, copy.source));
    }
    // 1. Information or confirmation: the only point where the user can stop.
    if (!ShowInformation(sources.front())) {
        return kExitStoppedByUser;
    }
    // 2. to 5.
    WaitForm wait(instance_);
    wait.Show();
    wait.Repaint();
    folders_ = pellucor::FindSystemFolders();
    wait.SetStatus(InstallingText());
    wait.Repaint();
    const std::string ownFolder = OwnFolder();
    const FileCopy uninstaller = UninstallerCopy(ownFolder, folders_.WindowsDir);
    const bool uninstallerThere = pellucor::FileExists(uninstaller.source);
    Source uninstallerSource;
    if (uninstallerThere) {
        uninstallerSource = ReadSource(uninstaller.source, pellucor::kUninstallerFileName);
    }

    // From here on a failing copy is passed over; the install folder and its files are not.
    // The folder is made as a fresh install leaves it before anything is copied into it: an
    // earlier version let every user change it, and what they may have planted or swapped in
    // would run with the rights of whoever starts Qel.
    FolderProblem problem;
    const std::unique_ptr<TargetFolder> folder = TakeInstallFolder(installDir, problem);
    if (!folder || !ClearFolder(*folder, problem)) {
        return Abort(folder.get(), problem.heldPath, problem.description);
    }
    Tick(wait);
    Tick(wait);

    std::vector<CopyFailure> failures;
    bool programInstalled = false;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const Put put = PutFile(*folder, *folder, copies[i].name, sources[i]);
        if (put == Put::Stopped) {
            return kExitAborted;
        }
        if (put == Put::Failed) {
            failures.push_back({copies[i].source, sources[i].failure});
        }
        programInstalled =
            programInstalled || (put == Put::Done && copies[i].name == pellucor::kProgramFileName);
        Tick(wait);
    }
    if (!programInstalled) {
        // The installed program stays only as a new copy of itself, and only when it is the
        // set's: whoever may have held it open before keeps nothing of it.
        Source installed = ReadInstalled(*folder, pellucor::kProgramFileName);
        const Put put = PutFile(*folder, *folder, pellucor::kProgramFileName, installed);
        if (put == Put::Stopped) {
            return kExitAborted;
        }
        programInstalled = put == Put::Done;
    }
    // The serial and transfer components are part of Qel.exe: no controls to deliver or
    // register, but the step keeps its tick.
    Tick(wait);

    if (uninstallerThere) {
        const std::unique_ptr<TargetFolder> windows = HoldWindowsFolder(folders_.WindowsDir);
        if (!windows) {
            uninstallerSource.failure = pellucor::SystemErrorText(GetLastError());
        }
        const Put put =
            windows ? PutFile(*windows, *folder, uninstaller.name, uninstallerSource) : Put::Failed;
        if (windows) {
            windows->Finish();
        }
        if (put == Put::Stopped) {
            return kExitAborted;
        }
        // The entry would otherwise offer an uninstaller that is not there.
        if (put == Put::Done) {
            pellucor::AddToAddRemoveList(pellucor::kProductName, uninstaller.destination);
        } else {
            failures.push_back({pellucor::kUninstallerFileName, uninstallerSource.failure});
        }
    } else {
        MessageBoxA(nullptr, UninstallerMissingText().c_str(), kUninstallerMissingTitle, MB_OK);
    }
    Tick(wait);

    pellucor::DoEvents();
    for (Source& source : sources) {
        CleanOut(source, ownFolder);
    }
    CleanOut(uninstallerSource, ownFolder);
    folder->Finish();
    if (!failures.empty()) {
        MessageBoxA(nullptr, CopyFailureText(failures).c_str(), kApplicationTitle, MB_OK);
    }
    // Never a shortcut to a program whose bytes were not checked in this run.
    if (programInstalled) {
        CreateDesktopShortcut(pellucor::kProductName, installDir, pellucor::kProgramFileName);
    } else {
        RemoveDesktopShortcut();
    }
    wait.Unload();
    return failures.empty() ? kExitInstalled : kExitCopyFailed;
}

SETUP1::Put SETUP1::PutFile(TargetFolder& target, TargetFolder& installFolder,
                            const std::string& name, Source& source) {
    if (!source.failure.empty()) {
        return Put::Failed;
    }
    switch (target.Replace(name, source.bytes)) {
        case Replaced::Done:
            // A deletion at restart marked by an earlier, stopped run must not take it.
            if (CancelDeletionAtRestart(target.PathOf(name))) {
                return Put::Done;
            }
            break;
        case Replaced::Held:
            Abort(&installFolder, target.PathOf(name), {});
            return Put::Stopped;
        case Replaced::Diverted:
            if (&target == &installFolder) {
                Abort(&installFolder, {}, kFolderIsLinkDescription);
                return Put::Stopped;
            }
            SetLastError(ERROR_REPARSE_TAG_MISMATCH);
            break;
        case Replaced::Failed:
            break;
    }
    source.failure = pellucor::SystemErrorText(GetLastError());
    return Put::Failed;
}

int SETUP1::Abort(TargetFolder* folder, const std::string& heldPath,
                  const std::string& description) {
    RemoveDesktopShortcut();
    if (folder) {
        folder->Finish();
    }
    const std::string text =
        heldPath.empty()
            ? FolderFailureText(description, pellucor::AnsiFromUtf8(pellucor::InstallDir()))
            : HeldFileText(pellucor::AnsiFromUtf8(heldPath));
    MessageBoxA(nullptr, text.c_str(), kFolderFailureTitle, MB_OK);
    return kExitAborted;
}

bool SETUP1::ShowInformation(const Source& text) {
    // An instruction text that is not the set's is as good as missing.
    if (text.failure.empty()) {
        HelpForm help(instance_, Proceed, [] { EndInstaller(); });
        helpWindow_ = help.Handle();
        help.SetCaption(InformationCaption());
        help.Show();
        help.SetText(text.bytes);
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

void SETUP1::CreateDesktopShortcut(const std::string& name, const std::string& folder,
                                   const std::string& fileName) {
    const std::string desktop = pellucor::SpecialFolderPath(kDesktopFolder);
    if (desktop.empty()) {
        return;
    }
    SaveShortcut(DesktopShortcut(desktop, name, folder, fileName));
}

}  // namespace setup
