// The behaviour of Qel's main window: start-up after the program set-up, shutdown, the mode
// menus, the Run switch, the 500 ms run cycle and the operations it calls (port search, port
// set-up, page building and the hand-over to the uploads). The Win32 window forwards its events
// here; everything the logic needs from the system comes through the interfaces it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Clock.h"
#include "CommControl.h"
#include "FTPbyAPIModule3.h"
#include "FileSystem.h"
#include "MainView.h"
#include "ProgramState.h"
#include "SerialDevice.h"
#include "TransferControl.h"

namespace qel {

// What the main window's logic is given by the program that hosts it.
struct MainFormParts {
    ProgramState& state;
    MainView& view;
    FileSystem& files;
    Clock& clock;
    SerialDevice& commFile;   // the port opened as a device file (communication method 1)
    CommControl& MSComm1;     // our serial control (communication method 2, port search)
    FTPbyAPIModule3& ftpApi;  // upload method 1
    TransferControl& Inet1;   // upload method 2
};

class MainForm {
public:
    static constexpr const char* kCommSettings = "9600,N,8,1";
    static constexpr int kFirstProbedPort = 1;
    static constexpr int kLastProbedPort = 30;
    // The shell folders the page file is written to, first choice then fallback.
    static constexpr int kCsidlAppData = 0x1A;
    static constexpr int kCsidlCommonDocuments = 0x2E;
    // After a port failed to open or was lost, the next attempt to open it waits this long, so
    // that a port that is slow to refuse cannot stall every tick (about once a second, with
    // room for a timer that falls due a little early).
    static constexpr std::uint64_t kPortRetryMs = 900;

    explicit MainForm(const MainFormParts& parts);

    // Start-up steps that follow SetUpProgram: port search, settings, current host profile.
    void Form_Load();
    // Shutdown: saves the settings; the caller ends the process right after.
    void Form_Unload();

    void mnuMethod1_Click();
    void mnuMethod2_Click();
    void mnuMethod3_Click();
    void mnuCommMethod1_Click();
    void mnuCommMethod2_Click();
    void Command2_Click() { FindPorts(); }
    void ckkRun_Click();
    void Timer1_Timer();

    void FindPorts();
    void SetUpPort();
    void SendWebPage();
    void GetInfo();
    void FTPMethod2();

    // Text received from the device and not yet published.
    std::string InBuffer;
    // File number of the port opened as a device file; 0 until the first attempt to open it.
    std::int16_t CommFileNum = 0;

private:
    void ReadStepMethod1();
    void ReadStepMethod2();
    void EndMarkerCase();
    void SplitCase();
    void Publish(std::string block, std::string remainder);
    // False when the page could not be written (reported on the status line).
    bool WritePageFile(const std::string& pageText);
    std::optional<FileError> WritePageAttempt(const std::string& folder,
                                              const std::string& pageText);
    void Upload();
    struct TransferRequest {
        std::string url, userName, password, operation;
    };
    void StartTransfer(const TransferRequest& request);
    void TransferFinished(const std::optional<std::string>& failure);
    bool PortOpenAttemptDue();
    void RetryPortLater();
    void PortLost();
    void Fail(const std::string& text) {
        view_.ShowStatus(text, StatusColour::Failure);
        statusMustStay_ = true;
    }
    void Tell(const std::string& text) {
        view_.ShowStatus(text, StatusColour::Highlight);
        statusMustStay_ = text == "Run stopped";
    }

    ProgramState& state_;
    MainView& view_;
    FileSystem& files_;
    Clock& clock_;
    SerialDevice& commFile_;
    CommControl& MSComm1_;
    FTPbyAPIModule3& ftpApi_;
    TransferControl& Inet1_;
    // The tick yields to the message loop, so the timer can fall due again while a tick runs;
    // such a tick is skipped so that two ticks never work on InBuffer at once.
    bool tickRunning_ = false;
    // How much of InBuffer is known to hold no marker: a tick that reads nothing new must not
    // search a long buffer from its start again.
    std::size_t markerFreeLength_ = 0;
    // When the port may next be opened after a failure; nullopt when nothing failed.
    std::optional<std::uint64_t> portRetryAt_;
    // Upload method 2: the newest page the transfer component could not take because it was
    // still busy; it goes out as soon as the running transfer ends.
    std::optional<TransferRequest> waitingTransfer_;
    std::uint64_t transfersStarted_ = 0;
    std::uint64_t transfersEnded_ = 0;
    // The status line shows a failure or "Run stopped", which a transfer's late report must
    // not hide.
    bool statusMustStay_ = false;
};

}  // namespace qel
