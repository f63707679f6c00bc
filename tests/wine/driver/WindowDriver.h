// Drives another process's windows the way a user would, without ever blocking on them: finds
// a program's top-level windows by caption, reads and types texts, and posts clicks (a click on
// a button that opens a message box would otherwise wait for that box to be answered).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ProgramRun.h"  // WindowText, MessageBoxText, Press

namespace qeltest {

// A visible top-level window of the process with exactly this caption; null when none.
HWND FindProcessWindow(DWORD processId, const std::string& caption);
// Waits until such a window exists; null when the deadline passes first.
HWND WaitForProcessWindow(DWORD processId, const std::string& caption, unsigned deadlineMs);
// Waits until no such window exists.
bool WaitForNoProcessWindow(DWORD processId, const std::string& caption, unsigned deadlineMs);

// Types a text into a box (the box tells its window of the change, as typing does).
void SetTextOf(HWND window, const std::string& text);
// A click on the control: posts the button's notification to its parent.
void PostClick(HWND parent, int controlId);
// Picks a list entry of a combo box as a mouse click does; false when no entry has that text.
bool PickComboEntry(HWND parent, int comboId, const std::string& entry);
// The entries of a combo box's list, in order.
std::vector<std::string> ComboEntries(HWND combo);
bool IsShown(HWND window);

}  // namespace qeltest
