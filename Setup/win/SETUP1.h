// The installer's start routine: one fixed sequence from the information window to the desktop
// shortcut. It takes the install folder over as a fresh install leaves it, puts Qel, its
// instruction text and the browser-lookup page (each checked against the digest the installer
// was built with) into the install folder, the uninstaller into the Windows folder with its
// Add/Remove Programs entry, cleans the delivered files out of its own folder and makes the desktop
// shortcut. It starts nothing.
#pragma once

#include <windows.h>

#include <string>

#include "FindStartupBas.h"
#include "InstallPlan.h"

namespace setup {

class WaitForm;

class SETUP1 {
public:
    explicit SETUP1(HINSTANCE instance) : instance_(instance) {}

    // Runs the whole installation; the exit code for the process.
    int Main();

private:
    // The information window, or the Yes/No prompt when there is no instruction text; false
    // when the user chose not to install.
    bool ShowInformation();
    // Lets the information window run until "&Install" sets Proceed; false when the window's
    // loop ended without it.
    bool WaitForInstall();
    void Tick(WaitForm& wait);
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

// Reads a whole file as it is; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Reads the rest of an open file; false when a read fails.
bool ReadAll(HANDLE file, std::string& bytes);

}  // namespace setup
