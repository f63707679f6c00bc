// What the installer does, as data.
#include "InstallPlan.h"

#include "FolderPath.h"
#include "InstallNames.h"

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

std::string ProgressDots::Tick() {
    dots_ += " .";
    std::string shown = dots_;
    if (dots_.size() > 100) {
        dots_.clear();
    }
    return shown;
}

}  // namespace setup
