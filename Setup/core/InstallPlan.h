// What the installer does, as data: its message texts and titles, the files it copies and
// where, the files it cleans out of its own folder, the desktop shortcut, and the progress
// dots. The Win32 layer carries these out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "UpgradePlan.h"

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
// The folder the install folder is made in (`parent`, "C:\Program Files") lets someone other
// than an administrator change what it holds; on a drive C: that is not the Windows drive
// (`windowsDrive`, its letter) that is why.
std::string ParentRefusedDescription(ParentVerdict verdict, const std::string& parent,
                                     char windowsDrive);
// An installed file that must be replaced is held open, without leave to delete it, by another
// program: the installation stops, and the file is deleted when Windows restarts.
std::string HeldFileText(const std::string& path);
// Something nothing provided for (out of memory among others) stopped the installer.
std::string UnexpectedFailureText(const std::string& reason);
std::string UninstallerMissingText();
constexpr const char* kUninstallerMissingTitle = "Small problem";

// Exit codes of SetupQel.
constexpr int kExitInstalled = 0;
constexpr int kExitStoppedByUser = 1;
constexpr int kExitAborted = 2;     // the folder or a file in it could not be made safe
constexpr int kExitCopyFailed = 3;  // installed what could be copied; the rest was named
constexpr int kExitUnexpected = 4;  // stopped by a failure nothing provided for

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

// Whether bytes read from a file of the set are that file as the installer was built with it:
// its size and its SHA-256 (lower-case hexadecimal).
bool IsShippedFile(std::string_view bytes, std::uint64_t size, std::string_view sha256);

// Runs the installation and gives its exit code. An exception that escapes it (out of memory,
// or any other failure nothing provided for) is reported through `report` with its own text
// and ends with kExitUnexpected, never with the runtime's abort.
int RunGuarded(const std::function<int()>& run,
               const std::function<void(const std::string& text)>& report);

// A complete run ticks this often: twice after the folder, once per copy, once after the step
// that registered controls in earlier builds, once after the uninstaller.
constexpr int kTicksPerRun = 7;

}  // namespace setup
