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
    // Clears the file's attributes and deletes it, when it is there.
    static void KillUnlocked(const std::string& path);

private:
    // Deletes the shortcut wherever the folder search finds it.
    void KillStrayShortcuts();
    // Deletes the plain files of the install folder, never through a link and never a file
    // that lies outside it.
    static void EmptyInstallFolder(const std::string& installDir);
    // Writes the description of the last operation's failure when it failed.
    static void LogFailure(bool succeeded);

    HINSTANCE instance_;
};

}  // namespace removal
