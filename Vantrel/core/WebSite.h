// Opening our web site in the user's browser: the program Windows associates with the page
// that ships beside Qel ("Pointer.html") is started with the site's address.
#pragma once

#include <cstddef>
#include <string>

#include "FileSystem.h"

namespace qel {

inline constexpr char kBrowserLookupPage[] = "Pointer.html";

// The shell services the launch needs. Paths, the command line included, are UTF-8 (as in
// FileSystem); the message texts are ANSI.
class BrowserShell {
public:
    virtual ~BrowserShell() = default;
    // Asks which program opens `file`, writing its path and a NUL into `result` (whose size
    // is the capacity; what follows the NUL is left as it was). False, with the reason, when
    // the lookup cannot be made at all; an unanswered lookup still returns true.
    virtual bool FindAssociatedProgram(const std::string& file, const std::string& directory,
                                       std::string& result, std::string& errorDescription) = 0;
    // Starts a program by its command line in a normal window and leaves it; false, with the
    // reason, when it cannot be started.
    virtual bool StartProcess(const std::string& commandLine, std::string& errorDescription) = 0;
    // A message box with an OK button and no icon.
    virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
};

// Room for the longest path the system allows, and then some.
inline constexpr std::size_t kBrowserPathCapacity = 1024;

// The browser's path from the lookup's blank-filled result buffer: blanks trimmed, NULs turned
// into blanks, trimmed again.
std::string BrowserPath(std::string buffer);

// The browser's path in quotes (so that a path with blanks is not read as a shorter program
// name followed by arguments), one blank, the address.
std::string BrowserCommandLine(const std::string& browserPath, const std::string& address);

// Starts the browser on the address; failures show one message box each and change nothing.
void OpenWebSite(BrowserShell& shell, FileSystem& files, const std::string& programFolder,
                 const std::string& address);

}  // namespace qel
