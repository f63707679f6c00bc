// What the installer does, as data: its message texts and titles, the files it copies and
// where, the files it cleans out of its own folder, the desktop shortcut, and the progress
// dots. The Win32 layer carries these out.
#pragma once

#include <string>
#include <vector>

namespace setup {

// Messages, each text and title exactly as the user sees it.
std::string InformationCaption();  // "Pellucor Information"
std::string ConfirmationText();
std::string ConfirmationTitle();
std::string InstallingText();  // the progress window's status line
std::string FolderFailureText(const std::string& description, const std::string& installDir);
constexpr const char* kFolderFailureTitle = "Serious problem. Aborting setup.";
// The description shown when the install folder is a junction or symbolic link: the installer
// runs with administrator rights and must not write through it to wherever it points.
constexpr const char* kFolderIsLinkDescription = "The folder is a link to another place.";
// An entry of the install folder that lies elsewhere and whose link cannot be reached to be
// removed: the folder cannot be made safe.
std::string LinkNotRemovedDescription(const std::string& path);
// A file of the set that is not the one this installer was built with.
constexpr const char* kNotOurFileDescription =
    "It is not the file this installer was made with (changed or damaged).";
std::string UninstallerMissingText();
constexpr const char* kUninstallerMissingTitle = "Small problem";

// Exit codes of SetupQel.
constexpr int kExitInstalled = 0;
constexpr int kExitStoppedByUser = 1;
constexpr int kExitAborted = 2;
constexpr int kExitCopyFailed = 3;  // installed what could be copied; the rest was named

// The title of a message box that names no title of its own.
constexpr const char* kApplicationTitle = "Pellucor Installer";

struct CopyFailure {
    std::string name;         // the file's name
    std::string description;  // the system's description of the failure
};
// The one message that names every file that could not be copied.
std::string CopyFailureText(const std::vector<CopyFailure>& failures);

struct FileCopy {
    std::string source;  // a bare name: looked up in the current folder
    std::string destination;
    std::string name;  // the installed file's name
};

// The files copied into the install folder, in order: instruction text, browser-lookup page,
// program. Each copy replaces a file of the same name by a new file.
std::vector<FileCopy> ProgramCopies(const std::string& installDir);

// The uninstaller's source beside the installer and its destination in the Windows folder.
FileCopy UninstallerCopy(const std::string& ownFolder, const std::string& windowsDir);

struct Shortcut {
    std::string linkPath;
    std::string target;
    std::string workingFolder;
    std::string description;
};

// The shortcut `name`.lnk in the desktop folder, to folder + fileName, started in folder.
Shortcut DesktopShortcut(const std::string& desktopFolder, const std::string& name,
                         const std::string& folder, const std::string& fileName);

// The progress window's growing row of " ." pairs: each tick adds one and gives the text to
// show; past 100 characters the row starts again.
class ProgressDots {
public:
    std::string Tick();

private:
    std::string dots_;
};

// A complete run ticks this often: twice after the folder, once per copy, once after the step
// that registered controls in earlier builds, once after the uninstaller.
constexpr int kTicksPerRun = 7;

}  // namespace setup
