// What the installer does, as data.
#include "InstallPlan.h"

#include <exception>
#include <new>

#include "FolderPath.h"
#include "InstallNames.h"
#include "Sha256.h"

namespace setup {

using pellucor::kProductName;

std::string InformationCaption() {
    return std::string(kProductName) + " Information";
}

std::string ConfirmationText() {
    return std::string("This program will install ") + kProductName +
           " on your computer.\r\nDo you wish to continue?";
}

std::string ConfirmationTitle() {
    return std::string("Preparing to install ") + kProductName;
}

std::string InstallingText() {
    return std::string("Installing ") + kProductName;
}

std::string FolderFailureText(const std::string& description, const std::string& installDir) {
    return description + " making " + installDir;
}

std::string LinkNotRemovedDescription(const std::string& path) {
    return path + " lies elsewhere and cannot be removed without following it.";
}

std::string ParentRefusedDescription(ParentVerdict verdict, const std::string& parent,
                                     char windowsDrive) {
    std::string text = verdict == ParentVerdict::ForeignOwner
                           ? parent + " belongs to an account that is not an administrator's"
                           : parent +
                                 " lets accounts that are not administrators change what "
                                 "it holds";
    text += ", so a folder made there would not be safe.";
    if (windowsDrive != 'C' && windowsDrive != 'c') {
        text += std::string(" Drive C: is not the Windows drive (") + windowsDrive +
                ":), and its folders lack the protection Windows gives its own drive.";
    }
    return text;
}

std::string HeldFileText(const std::string& path) {
    return path +
           " is held open by another program, so it cannot be replaced. Close that program (a "
           "running Qel, for example) and run the installer again. Until then " +
           kProductName +
           " has no desktop shortcut, and the file is deleted when Windows restarts.";
}

std::string UnexpectedFailureText(const std::string& reason) {
    return "The installer stopped unexpectedly: " + reason + ". " + kProductName +
           " may be installed only in part: run the installer again.";
}

std::string UninstallerMissingText() {
    return std::string(kProductName) + " uninstall file not found, and therefore not installed.";
}

std::string CopyFailureText(const std::vector<CopyFailure>& failures) {
    std::string text = "These files could not be copied:";
    for (const CopyFailure& failure : failures) {
        text += "\r\n" + failure.name + " - " + failure.description;
    }
    return text;
}

std::vector<FileCopy> ProgramCopies(const std::string& installDir) {
    std::vector<FileCopy> copies;
    for (const char* name :
         {pellucor::kInformationFileName, pellucor::kPointerPageName, pellucor::kProgramFileName}) {
        copies.push_back({name, installDir + name, name});
    }
    return copies;
}

FileCopy UninstallerCopy(const std::string& ownFolder, const std::string& windowsDir) {
    return {pellucor::WithTrailingBackslash(ownFolder) + pellucor::kUninstallerFileName,
            windowsDir + pellucor::kInstalledUninstallerName, pellucor::kInstalledUninstallerName};
}

Shortcut DesktopShortcut(const std::string& desktopFolder, const std::string& name,
                         const std::string& folder, const std::string& fileName) {
    return {desktopFolder + name + ".lnk", folder + fileName, folder, name};
}

bool IsShippedFile(std::string_view bytes, std::uint64_t size, std::string_view sha256) {
    return bytes.size() == size && HexOf(Sha256Of(bytes)) == sha256;
}

int RunGuarded(const std::function<int()>& run,
               const std::function<void(const std::string& text)>& report) {
    std::string reason;
    try {
        return run();
    } catch (const std::bad_alloc&) {
        reason = "not enough memory";
    } catch (const std::exception& failure) {
        reason = failure.what();
    } catch (...) {
        reason = "a failure of unknown kind";
    }
    try {
        report(UnexpectedFailureText(reason));
    } catch (...) {
        // Nothing more can be said; the exit code still tells.
    }
    return kExitUnexpected;
}

std::string ProgressDots::Tick() {
    dots_ += " .";
    std::string shown = dots_;
    if (dots_.size() > 100) {
        dots_.clear();
    }
    return shown;
}

}  // namespace setup
