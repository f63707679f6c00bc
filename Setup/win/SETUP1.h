// The installer's start routine: one fixed sequence from the information window to the desktop
// shortcut. It reads and checks the set's files first (each against the size and digest the
// installer was built with), takes the install folder over as a fresh install leaves it, puts
// Qel, its instruction text and the browser-lookup page into the install folder and the
// uninstaller into the Windows folder with its Add/Remove Programs entry, cleans the delivered
// files out of its own folder and makes the desktop shortcut, only ever to a program whose bytes
// it checked. It starts nothing.
#pragma once

#include <windows.h>

#include <string>

#include "FindStartupBas.h"
#include "InstallPlan.h"

namespace setup {

class WaitForm;

struct Source;
class TargetFolder;

class SETUP1 {
public:
    explicit SETUP1(HINSTANCE instance) : instance_(instance) {}

    // Runs the whole installation; the exit code for the process.
    int Main();

private:
    // The information window showing the checked instruction text, or the Yes/No prompt when
    // there is none; false when the user chose not to install.
    bool ShowInformation(const Source& text);
    // Lets the information window run until "&Install" sets Proceed; false when the window's
    // loop ended without it.
    bool WaitForInstall();
    void Tick(WaitForm& wait);
    // How putting one file in place went.
    enum class Put { Done, Failed, Stopped };
    // Puts the checked bytes of `source` into `target` (the install folder or the Windows
    // folder) as `name`; a failure is kept in the source. A file held open by another program,
    // or a folder no longer where its path says, stops the installation (Abort).
    Put PutFile(TargetFolder& target, TargetFolder& installFolder, const std::string& name,
                Source& source);
    // Stops the installation: no shortcut is left to a program whose bytes were not checked,
    // what was moved aside is marked for deletion at restart, and the message says why.
    int Abort(TargetFolder* folder, const std::string& heldPath, const std::string& description);
    static void CreateDesktopShortcut(const std::string& name, const std::string& folder,
                                      const std::string& fileName);

    HINSTANCE instance_;
    bool Proceed = false;
    HWND helpWindow_ = nullptr;
    ProgressDots Dots;
    pellucor::SystemFolders folders_;
};

// The folder the running installer file is in, without a trailing backslash (a drive root
// keeps its own).
std::string OwnFolder();

// Deletes the user's desktop shortcut, through the desktop folder's handle; nothing else.
void RemoveDesktopShortcut();

}  // namespace setup
