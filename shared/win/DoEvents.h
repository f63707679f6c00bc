// Lets the window messages already waiting be handled, without waiting for more: the installer
// and the uninstaller yield so at a few fixed points of their sequences.
#pragma once

namespace pellucor {

void DoEvents();

}  // namespace pellucor
