// The running Qel program: owns the program state, the system components the logic is given,
// the main window and its logic, and runs the message loop.
#pragma once

#include <windows.h>

#include <vector>

#include "AboutBox.h"
#include "CommControl.h"
#include "CommandLine.h"
#include "ConfigUploadWindow.h"
#include "FTPbyAPIModule3.h"
#include "HelpForm.h"
#include "InetTransfer.h"
#include "Instructions.h"
#include "MainForm.h"
#include "MainWindow.h"
#include "ProgramState.h"
#include "SecondaryWindows.h"
#include "StatusHistory.h"
#include "Win32Clock.h"
#include "Win32FileSystem.h"
#include "Win32SerialDevice.h"
#include "Win32StatusHistory.h"
#include "WinInetApi.h"

namespace qel {

class QelApp final : public SecondaryWindows {
public:
    // Builds the main window and runs the start-up; the window is shown at the end of it. With
    // `runSwitch` Run is then switched on as a click on it does.
    QelApp(HINSTANCE instance, MainWindow::EndProcess endProcess, const StartOptions& options = {});
    QelApp(const QelApp&) = delete;
    QelApp& operator=(const QelApp&) = delete;

    // The message loop; returns only if the loop receives WM_QUIT.
    int Run();

    MainWindow& Window() { return window_; }
    qel::MainForm& Form() { return form_; }
    qel::ProgramState& State() { return state_; }
    // The instructions window, for the windows that show a section of the instructions.
    Instructions& Help() { return help_; }
    ConfigUploadWindow& ConfigUpload() { return config_; }

    // SecondaryWindows
    void mnuConfigureUpload_Click() override;
    void mnuInstructions_Click() override;
    void mnuAbout_Click() override;

private:
    // "/run" and "/port=N" from another start of Qel.
    bool TakeOptions(const StartOptions& options);

    qel::ProgramState state_;
    Win32FileSystem files_;
    Win32Clock clock_;
    Win32SerialDevice commFile_;
    Win32SerialDevice commControlPort_;
    qel::CommControl MSComm1_{commControlPort_};
    WinInetApi internet_;
    Win32HistoryFile historyFile_;
    Win32HistoryClock historyClock_;
    qel::StatusHistory history_{historyFile_, historyClock_, state_};
    MainWindow window_;
    // Reports to the main form's guarded status line once the form exists.
    qel::FTPbyAPIModule3 ftpApi_{internet_, window_, clock_, state_};
    InetTransfer Inet1_;
    qel::MainForm form_;
    HelpForm help_;
    AboutBox about_;
    ConfigUploadWindow config_;
    bool started_ = false;                  // start-up is over
    std::vector<StartOptions> handedOver_;  // by other starts during start-up
};

}  // namespace qel
