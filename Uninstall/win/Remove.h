// The uninstaller's start routine: after a confirmation it deletes the desktop shortcuts (or,
// when none is found, every stray one on drive C:), empties and removes the install folder and
// deletes the Add/Remove Programs entry, writing a line per step to its trace file. Failures
// are passed over, logged where a step says so, and completion is reported regardless.
#pragma once

#include <windows.h>

#include <string>

namespace removal {

class Remove {
public:
    explicit Remove(HINSTANCE instance) : instance_(instance) {}

    // Runs the whole removal; the exit code for the process.
    int Main();

    // Appends one line to the trace file; a line that cannot be written is lost.
    static void WriteTrace(const std::string& text);
    // Deletes a file through a handle checked to be a plain file in the folder its path names
    // (read-only or not); anything else stays and gets a trace line. False when not deleted.
    static bool KillChecked(const std::string& path);

private:
    // Deletes the shortcut wherever the folder search finds it.
    void KillStrayShortcuts();
    // Deletes the plain files of the install folder, never through a link and never a file
    // that lies outside it.
    static void EmptyInstallFolder(const std::string& installDir);
    // Deletes the emptied install folder itself, through a handle that shows it is the real
    // folder; a failure is logged.
    static void KillInstallFolder(const std::string& installDir);
    // Writes the description of the last operation's failure when it failed.
    static void LogFailure(bool succeeded);

    HINSTANCE instance_;
};

}  // namespace removal
