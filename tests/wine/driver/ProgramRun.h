// Runs a Windows program from outside for whole-program tests and finds what it shows: its
// windows by class, its message boxes by title, with their texts and buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qeltest {

class ProgramRun {
public:
    ProgramRun() = default;
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;
    // Ends the program if it still runs.
    ~ProgramRun();

    // Starts `exe` with `folder` as its current folder.
    bool Start(const std::string& exe, const std::string& folder);
    bool Running() const;
    bool WaitForExit(unsigned deadlineMs = 20000);
    DWORD ExitCode() const;
    void Terminate();
    HANDLE Process() const { return process_.hProcess; }

    // A visible top-level window of the program with that class whose child `childId` exists
    // (0: any); null when none came before the deadline.
    HWND WaitForWindow(const char* className, int childId = 0, unsigned deadlineMs = 10000) const;
    // A message box of the program with that title; null when none came before the deadline.
    HWND WaitForMessageBox(const std::string& title, unsigned deadlineMs = 10000) const;
    // The program's visible top-level windows of that class (a message box is "#32770").
    std::vector<HWND> Windows(const char* className) const;

private:
    PROCESS_INFORMATION process_{};
};

// A window's text, asked across processes.
std::string WindowText(HWND window);
// The text a message box shows (its labels with text, joined by line breaks).
std::string MessageBoxText(HWND box);
// Presses a message box button (IDYES, IDNO, IDOK), as a click does.
void Press(HWND box, int button);

}  // namespace qeltest
