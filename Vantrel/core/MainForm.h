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
#include "HostKeyQuestion.h"
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
    // A page that another program keeps from being written for this long is reported in red;
    // it is still tried on every tick until it is written or a newer page replaces it.
    static constexpr std::uint64_t kPendingPageReportMs = 5000;

    explicit MainForm(const MainFormParts& parts);

    // Start-up steps that follow SetUpProgram: port search, settings, current host profile.
    void Form_Load();
    // Shutdown: saves the settings; the caller ends the process right after.
    void Form_Unload();

    void mnuMethod1_Click();
    void mnuMethod2_Click();
    void mnuMethod3_Click();
    void mnuMethod4_Click();
    void mnuCommMethod1_Click();
    void mnuCommMethod2_Click();
    void Command2_Click() { FindPorts(); }
    void ckkRun_Click(bool byHand = true);  // false: by the /run start
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
    // What the settings file keeps, as the user can change it while Qel runs.
    struct Settings {
        std::string currentFile, fileName, pageTitle, refresh;
        std::uint8_t ftpMethod = 0, commMethod = 0;
        bool operator==(const Settings&) const = default;
    };
    Settings UserSettings() const;

    void ReadStepMethod1();
    void ReadStepMethod2();
    void EndMarkerCase();
    void SplitCase();
    void Publish(std::string block, std::string remainder);
    // False when the page could not be written (reported on the status line) or waits to be.
    bool WritePageFile(const std::string& pageText);
    std::optional<FileError> WritePageAttempt(const std::string& folder,
                                              const std::string& pageText);
    std::optional<FileError> WritePageTo(const std::string& path, const std::string& pageText);
    void WritePendingPage();
    void UploadWrittenPage();
    void Upload();
    struct TransferRequest {
        std::string url, userName, password, operation;
        std::uint64_t serial;  // which upload this is, counted over both methods
    };
    void StartTransfer(const TransferRequest& request);
    void TransferFinished(const std::optional<std::string>& failure);
    bool PortOpenAttemptDue();
    void RetryPortLater();
    void PortLost();
    void ChooseFtpMethod(std::uint8_t method, MenuChoice item);
    void CheckLineErrors(std::optional<std::string> lineError);
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
    Settings settingsAtLoad_;
    bool methodChosen_ = false;  // a method menu was used, even for the method in force
    // The newest page that could not be written yet because another program held its file; it
    // is tried again on each tick while Run is on, and dropped at exit.
    struct PendingPage {
        std::string path;
        std::string text;
        std::uint64_t since;
        bool reported;
    };
    std::optional<PendingPage> pendingPage_;
    // Uploads asked for so far, by either method; a transfer's late report is shown only when
    // no newer upload was asked for since its own.
    std::uint64_t uploadsAsked_ = 0;
    // The upload the transfer component runs, from its start until its completion is handled.
    std::optional<std::uint64_t> runningTransfer_;
    // Upload method 1: the newest page waits for a WinINet call that was given up on.
    bool method1Waiting_ = false;
    // A line error garbled text of the block being received: what follows is dropped up to and
    // including its end marker.
    bool discardToMarker_ = false;
    // The status line shows a failure or "Run stopped", which a transfer's late report must
    // not hide.
    bool statusMustStay_ = false;
    HostKeyQuestion hostKeys_;  // method 4: hosts whose key is not known yet
    bool runByHand_ = true;     // Run was last switched on by the user, not by /run
    // Every upload message, method 1's included, goes through Fail and Tell, so that the
    // guard above sees them all.
    class GuardedStatus : public StatusLine {
    public:
        explicit GuardedStatus(MainForm& form) : form_(form) {}
        void ShowStatus(const std::string& text, StatusColour colour) override {
            colour == StatusColour::Failure ? form_.Fail(text) : form_.Tell(text);
        }

    private:
        MainForm& form_;
    };
    GuardedStatus uploadStatus_{*this};
};

}  // namespace qel
