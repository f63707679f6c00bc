// Description texts for Windows and WinINet error codes, for the status line.
#pragma once

#include <windows.h>

#include <string>

namespace qel {

// The system's text for the code (WinINet's own texts for 12000-12199), without the trailing
// line break; a short text of our own when the system has none.
std::string ErrorDescription(DWORD code);

}  // namespace qel
