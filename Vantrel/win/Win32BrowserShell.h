// The shell services that open our web site, on Win32: which program opens a page, starting a
// program by command line, and the message boxes that report failures.
#pragma once

#include <windows.h>

#include "WebSite.h"

namespace qel {

class Win32BrowserShell final : public BrowserShell {
public:
    // Message boxes belong to the owner window.
    explicit Win32BrowserShell(HWND owner) : owner_(owner) {}

    bool FindAssociatedProgram(const std::string& file, const std::string& directory,
                               std::string& result, std::string& errorDescription) override;
    bool StartProcess(const std::string& commandLine, std::string& errorDescription) override;
    void ShowMessage(const std::string& text, const std::string& title) override;

private:
    HWND owner_;
};

}  // namespace qel
