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
#include "CommandLine.h"
#include "FTPbyAPIModule3.h"
#include "FileSystem.h"
#include "GuardedMainView.h"
#include "HostKeyQuestion.h"
#include "MainView.h"
#include "ProgramState.h"
#include "SerialDevice.h"
#include "SettingsFile.h"
#include "StatusHistory.h"
#include "TransferControl.h"
#include "UploadQueue.h"

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
    TransferControl& Inet1;   // upload methods 2, 3 and 4
    StatusRecorder& history;  // every status text, and the failures a standing one hides
    // How long an upload may take in all before it is given up.
    std::uint64_t uploadLimitMs = UploadQueue::kOverallLimitMs;
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
    // At exit a page still waiting for its file gets one last chance for about this long.
    static constexpr std::uint32_t kLastPageAttemptMs = 1000;

    explicit MainForm(const MainFormParts& parts);

    // Start-up steps that follow SetUpProgram: port search, settings, current host profile.
    // A port named on the command line is put into Port after the search; a refused one is
    // said in red, and the search's result stands.
    void Form_Load(const StartOptions& options = {});
    // A "/port=N" handed over by another start: with Run on, the open port is closed and N
    // opened at once.
    void PortNamed(const StartOptions& options);
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

    // The main window as the other windows should report to it: every status text through the
    // same guard as the uploads' own.
    MainView& View() { return guardedView_; }

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
    void LastPageAttempt();
    void UploadWrittenPage();
    void Upload();
    void StartWaitingUpload();
    void StartTransfer();
    bool UploadLineBusy() const;
    void TransferFinished(const std::optional<std::string>& failure);
    void SettleTransfer(const std::optional<std::string>& failure);
    // Called in a handler of whatever an upload's start or end threw.
    void UploadThrew() noexcept;
    void RetrySettings();
    // `retry`: a tick's attempt at a profile that could not be opened before, without waiting.
    void LoadCurrentProfile(bool retry);
    void RetryProfile();
    void StartUpFailureResolved();
    void TellBesideStartUpFailure(const std::string& text, StatusTopic topic);
    KeptSettings SettingsChangedSinceLoad() const;
    bool PortOpenAttemptDue();
    void RetryPortLater();
    void PortLost();
    void ChooseFtpMethod(std::uint8_t method, MenuChoice item);
    void CheckLineErrors(std::optional<std::string> lineError);
    void Fail(const std::string& text) { uploads_.Fail(text); }
    void Tell(const std::string& text) { uploads_.Tell(text); }
    void FailSerial(const std::string& text) { uploads_.Fail(text, StatusTopic::Serial); }

    ProgramState& state_;
    MainView& view_;
    FileSystem& files_;
    Clock& clock_;
    SerialDevice& commFile_;
    CommControl& MSComm1_;
    FTPbyAPIModule3& ftpApi_;
    TransferControl& Inet1_;
    StatusRecorder& history_;
    // The tick yields to the message loop, so the timer can fall due again while a tick runs;
    // such a tick is skipped so that two ticks never work on InBuffer at once.
    bool tickRunning_ = false;
    // How much of InBuffer is known to hold no marker: a tick that reads nothing new must not
    // search a long buffer from its start again.
    std::size_t markerFreeLength_ = 0;
    // When the port may next be opened after a failure; nullopt when nothing failed.
    std::optional<std::uint64_t> portRetryAt_;
    // One upload at a time, the newest page waiting, the guard of the status line, the overall
    // limit and the watchdog.
    UploadQueue uploads_;
    // The window as the logic reports to it; method 1 and the settings files report here too.
    GuardedMainView guardedView_{view_, uploads_};
    Settings settingsAtLoad_;
    // A method menu was used, even for the method in force: that choice outlives a settings
    // file read late, and an upload method picked by the user may be used before it is read.
    bool ftpMethodChosen_ = false;
    bool commMethodChosen_ = false;
    // The newest page that could not be written yet because another program held its file; it
    // is tried again on each tick while Run is on, and once more at exit.
    struct PendingPage {
        std::string path;
        std::string text;
        std::uint64_t since;
        bool reported;
    };
    std::optional<PendingPage> pendingPage_;
    // A line error garbled text of the block being received: what follows is dropped up to and
    // including its end marker.
    bool discardToMarker_ = false;
    HostKeyQuestion hostKeys_;           // method 4: hosts whose key is not known yet
    std::uint32_t hostChoicesSeen_ = 0;  // ProgramState::HostChoices when hostKeys_ last heard
    std::uint32_t hostChoicesKept_ = 0;  // ProgramState::HostChoices the kept connection knows
    bool runByHand_ = true;              // Run was last switched on by the user, not by /run
    // Why start-up could not read the settings or the profile, while it is not resolved: the
    // status text it was shown with.
    std::string startUpFailure_;
    // The profile Leq.ini names could not be opened; it is tried again on every tick.
    bool profileUnread_ = false;
    std::uint32_t profileChoicesAtFailure_ = 0;  // ProgramState::HostChoices at that moment
};

}  // namespace qel
