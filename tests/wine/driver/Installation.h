// What the installer leaves on the machine, seen from a test: the install folder, the
// uninstaller in the Windows folder, the Add/Remove Programs entry, the desktop shortcut and
// the uninstaller's trace file. Also the install set the build made, to install from.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "WinTestSupport.h"

namespace qeltest {

// The build's install set folder (SetupQel.exe, Qel.exe, Qel.txt, Pointer.html, RemoveQel.exe),
// ending in "\".
std::string InstallSetFolder();
// A fresh folder holding the install set less the files named in `leaveOut`.
class InstallSetCopy {
public:
    explicit InstallSetCopy(const std::set<std::string>& leaveOut = {});
    const std::string& Folder() const { return scratch_.Path(); }
    std::string SetupExe() const { return Folder() + "SetupQel.exe"; }
    bool Has(const std::string& name) const;

private:
    wintest::ScratchFolder scratch_;
};

// Copies the whole install set into `folder` (ending in "\").
void CopyInstallSet(const std::string& folder);

std::string InstalledUninstaller();  // the Windows folder's RemoveQel.EXE
// Runs the installed uninstaller from `folder`, answers Yes to its warning and OK to its last
// message; true when it went that way and ended.
bool UninstallAnsweringYes(const std::string& folder);
std::string UserDesktopShortcut();  // Pellucor.lnk on the user's desktop folder

// Removes every trace of an installation, so each test starts from a clean machine.
void ClearInstallation();
// Removes a folder with all it holds (paths here are UTF-8, as in the programs).
void RemoveTree(const std::string& folder);
bool PathExists(const std::string& path);

// Points the user's desktop folder (both shell-folder keys of the registry) at `folder` for as
// long as it lives; the earlier values come back afterwards.
class DesktopRedirect {
public:
    explicit DesktopRedirect(const std::string& folder);
    ~DesktopRedirect();
    DesktopRedirect(const DesktopRedirect&) = delete;
    DesktopRedirect& operator=(const DesktopRedirect&) = delete;

private:
    std::optional<std::wstring> saved_[2];
};
// Makes `link` a Unix symbolic link to the folder `target`, as a user with a shell can (Wine
// shows it as a reparse point), or removes such a link; false when that could not be done.
bool MakeUnixLink(const std::string& target, const std::string& link);
// Gives the file `target` a second name `link` (a hard link), as a user with a shell can.
bool MakeUnixHardLink(const std::string& target, const std::string& link);
bool RemoveUnixLink(const std::string& link);

// The system's list of files to delete or rename at the next start of Windows, each NUL shown
// as "|" ("" when there is none). ClearInstallation empties it.
std::string PendingDeletions();

// The values of the Add/Remove Programs entry (name → text); nullopt when there is no entry.
std::optional<std::map<std::string, std::string>> UninstallEntry();
// Writes the entry as the installer does.
void WriteUninstallEntry();

struct ShortcutFacts {
    std::string target, workingFolder, description;
};
std::optional<ShortcutFacts> ReadShortcut(const std::string& linkPath);

// The uninstaller's trace file: what was appended after the mark.
class TraceFile {
public:
    TraceFile();
    std::string SinceMark() const;
    std::string All() const;

private:
    std::size_t mark_;
};

}  // namespace qeltest
