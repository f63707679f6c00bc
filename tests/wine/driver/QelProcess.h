// Drives Qel.exe from outside for whole-program tests: starts it from a throwaway folder, finds
// its window and controls, clicks, types, picks menu commands, reads texts and closes it. Qel
// keeps its settings and profiles in the user's settings folder, which each driver empties when
// it is made and when it goes: the files a test puts beside Qel.exe are an earlier install's,
// carried over at the first start.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "WinTestSupport.h"

namespace qeltest {

class QelProcess {
public:
    // Makes a fresh folder holding a copy of Qel.exe and the given files (name → bytes), and
    // empties the user's settings folder. With a folder name, Qel's folder has that name.
    explicit QelProcess(const std::map<std::string, std::string>& files = {},
                        const std::string& folderName = {});
    QelProcess(const QelProcess&) = delete;
    QelProcess& operator=(const QelProcess&) = delete;
    // Ends the program if it still runs and removes the folder.
    ~QelProcess();

    // Starts the program (again, after it has ended) with the given command-line arguments and
    // waits until its main window and controls exist.
    bool Start(const std::string& arguments = "");
    bool Running() const;
    bool WaitForExit(unsigned deadlineMs);

    HWND MainWindow() const { return window_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    HANDLE ProcessHandle() const { return process_.hProcess; }
    std::string Caption() const;
    std::string Text(int controlId) const;
    void SetText(int controlId, const std::string& text);
    void Click(int controlId);  // a button or check box, as a mouse click does
    void Menu(int commandId);   // a menu command
    void Close();               // the window's close box
    bool Checked(int controlId) const;
    // Sends a message to the main window; nullopt when no answer came within the time.
    std::optional<LRESULT> SendWithin(UINT message, WPARAM wParam, LPARAM lParam,
                                      unsigned timeoutMs) const;

    // Waits until the control's text equals / contains the given text.
    bool WaitForText(int controlId, const std::string& text, unsigned deadlineMs = 10000) const;
    bool WaitForTextContaining(int controlId, const std::string& part,
                               unsigned deadlineMs = 10000) const;

    // The program's folder, ending in "\", and files in it.
    const std::string& Folder() const { return folder_; }
    bool HasFile(const std::string& name) const;
    std::string ReadFile(const std::string& name) const;
    // The user's settings folder, ending in "\", and files in it.
    static std::string SettingsFolder();
    bool HasSetting(const std::string& name) const;
    std::string ReadSetting(const std::string& name) const;

private:
    HWND Control(int controlId) const { return GetDlgItem(window_, controlId); }

    wintest::ScratchFolder scratch_;  // removed with all it holds when the driver goes
    std::string folder_;
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

// A file that ships beside Qel.exe ("Qel.txt", "Pointer.html"), as the sources hold it.
std::string ShippedFile(const std::string& name);

// A Windows path for a path of the Linux host (Wine maps "/" to drive Z:).
std::string FromUnixPath(const std::string& unixPath);

}  // namespace qeltest
