// The system's description of an error code, as the installer and the uninstaller show it in
// their messages and the trace file.
#pragma once

#include <windows.h>

#include <string>

namespace pellucor {

// The system's text for the code without its trailing line break; "Error <code>" when the
// system has none.
std::string SystemErrorText(DWORD code);

}  // namespace pellucor
