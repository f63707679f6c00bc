// The installer's start routine.
#include "SETUP1.h"

#include <vector>

#include "AddRemoveProgram.h"
#include "DoEvents.h"
#include "DesktopShortcut.h"
#include "FolderPath.h"
#include "SetupHelpForm.h"
#include "HandleFiles.h"
#include "InstallFolder.h"
#include "InstallNames.h"
#include "OwnedHandle.h"
#include "PathText.h"
#include "Sha256.h"
#include "ShippedDigests.h"
#include "SystemErrorText.h"
#include "SetupWaitForm.h"

namespace setup {

namespace {

constexpr int kDesktopFolder = 0x10;  // the user's desktop folder (CSIDL_DESKTOPDIRECTORY)

std::string WithoutTrailingBackslash(std::string folder) {
    if (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

DWORD AttributesOf(const std::string& path) {
    return GetFileAttributesW(pellucor::Wide(WithoutTrailingBackslash(path)).c_str());
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A junction, symbolic link or other redirection in the folder's place (the name is asked
// without its trailing backslash, so the link itself answers, not its target).
bool IsLink(const std::string& folder) {
    const DWORD attributes = AttributesOf(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void ShowAborting(const std::string& description, const std::string& installDir) {
    const std::string text = FolderFailureText(description, pellucor::AnsiFromUtf8(installDir));
    MessageBoxA(nullptr, text.c_str(), kFolderFailureTitle, MB_OK);
}

[[noreturn]] void EndInstaller() {
    ExitProcess(kExitStoppedByUser);
}

// The install folder held open without following a link (it can then be neither renamed nor
// replaced), with the rights to take it over; empty when it is not the real folder of that
// name.
pellucor::OwnedHandle HoldInstallFolder(const std::string& installDir) {
    const std::string name = WithoutTrailingBackslash(installDir);
    pellucor::OwnedHandle held = pellucor::OpenNoFollow(
        name, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES);
    if (!held) {
        return held;
    }
    const DWORD attributes = pellucor::HandleAttributes(held.get());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !pellucor::SamePath(pellucor::FinalPath(held.get()), name)) {
        SetLastError(ERROR_REPARSE_TAG_MISMATCH);
        return nullptr;
    }
    return held;
}

// A source file of the set, read whole through one handle and checked against the digest the
// installer was built with. The handle stays open (so the file cannot change) until the
// source is cleaned out or the installer ends.
struct Source {
    pellucor::OwnedHandle file;
    std::string bytes;
    std::string failure;  // why it cannot be installed; "" when it can
};

const char* ExpectedDigest(const std::string& name) {
    for (int i = 0; i < kShippedDigestCount; ++i) {
        if (name == kShippedDigests[i].name) {
            return kShippedDigests[i].sha256;
        }
    }
    return nullptr;
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
    if (!source.file || !ReadAll(source.file.get(), source.bytes)) {
        source.failure = pellucor::SystemErrorText(GetLastError());
        return source;
    }
    const char* expected = ExpectedDigest(name);
    if (!expected || HexOf(Sha256Of(source.bytes)) != expected) {
        source.failure = kNotOurFileDescription;
    }
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

bool ReadAll(HANDLE file, std::string& bytes) {
    bytes.clear();
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0) {
        bytes.append(buffer, got);
    }
    return ok;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    const pellucor::OwnedHandle file =
        pellucor::OwnFile(CreateFileW(pellucor::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ReadAll(file.get(), bytes);
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
        !CreateDirectoryW(pellucor::Wide(installDir).c_str(), nullptr)) {
        ShowAborting(pellucor::SystemErrorText(GetLastError()), installDir);
        return kExitAborted;
    }
    // The folder as a fresh install leaves it, before anything is copied into it: an earlier
    // version let every user change it, and what they may have planted or swapped in would run
    // with the rights of whoever starts Qel.
    if (IsLink(installDir)) {
        ShowAborting(kFolderIsLinkDescription, installDir);
        return kExitAborted;
    }
    const pellucor::OwnedHandle held = HoldInstallFolder(installDir);
    if (!held) {
        ShowAborting(GetLastError() == ERROR_REPARSE_TAG_MISMATCH
                         ? kFolderIsLinkDescription
                         : pellucor::SystemErrorText(GetLastError()),
                     installDir);
        return kExitAborted;
    }
    const std::string folder = WithoutTrailingBackslash(installDir);
    const DWORD rights = ResetRights(held.get(), AccessTarget::InstallFolder);
    std::string problem;
    if (rights != ERROR_SUCCESS) {
        problem = pellucor::SystemErrorText(rights);
    }
    if (!problem.empty() || !ClearFolder(folder, problem)) {
        ShowAborting(problem, installDir);
        return kExitAborted;
    }
    Tick(wait);
    Tick(wait);

    // Every source is read and checked before any installed file is replaced by it.
    const std::vector<FileCopy> copies = ProgramCopies(installDir);
    const std::string ownFolder = OwnFolder();
    const FileCopy uninstaller = UninstallerCopy(ownFolder, folders_.WindowsDir);
    std::vector<Source> sources;
    for (const FileCopy& copy : copies) {
        sources.push_back(ReadSource(copy.source, copy.source));
    }
    const bool uninstallerThere = pellucor::FileExists(uninstaller.source);
    Source uninstallerSource;
    if (uninstallerThere) {
        uninstallerSource = ReadSource(uninstaller.source, pellucor::kUninstallerFileName);
    }

    std::vector<CopyFailure> failures;
    // Installs a checked source; a failure is remembered to be named at the end.
    const auto install = [&](Source& source, const std::string& destinationFolder,
                             const FileCopy& copy, const std::string& shownName) {
        if (source.failure.empty()) {
            const DWORD status = ReplaceFile(destinationFolder, copy.name, source.bytes);
            if (status == ERROR_SUCCESS) {
                return true;
            }
            source.failure = pellucor::SystemErrorText(status);
        }
        failures.push_back({shownName, source.failure});
        return false;
    };
    for (std::size_t i = 0; i < copies.size(); ++i) {
        install(sources[i], folder, copies[i], copies[i].source);
        Tick(wait);
    }
    // The serial and transfer components are part of Qel.exe: no controls to deliver or
    // register, but the step keeps its tick.
    Tick(wait);

    if (uninstallerThere) {
        // The entry would otherwise offer an uninstaller that is not there.
        if (install(uninstallerSource, WithoutTrailingBackslash(folders_.WindowsDir), uninstaller,
                    pellucor::kUninstallerFileName)) {
            pellucor::AddToAddRemoveList(pellucor::kProductName, uninstaller.destination);
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

void SETUP1::CreateDesktopShortcut(const std::string& name, const std::string& folder,
                                   const std::string& fileName) {
    const std::string desktop = pellucor::SpecialFolderPath(kDesktopFolder);
    if (desktop.empty()) {
        return;
    }
    SaveShortcut(DesktopShortcut(desktop, name, folder, fileName));
}

}  // namespace setup
