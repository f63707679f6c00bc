// Makes a shell shortcut (.lnk) through the shell's link interface.
#pragma once

#include <windows.h>

#include "InstallPlan.h"

namespace setup {

// Writes the shortcut file (replacing one of the same name); S_OK or the failure. COM must be
// initialised on the calling thread.
HRESULT SaveShortcut(const Shortcut& shortcut);

}  // namespace setup
