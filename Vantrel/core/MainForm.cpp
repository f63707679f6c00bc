// The behaviour of Qel's main window and its run cycle.
#include "MainForm.h"

#include <cmath>
#include <exception>
#include <limits>
#include <new>
#include <utility>

#include "BlockTakeOut.h"
#include "FolderPath.h"
#include "HostProfile.h"
#include "NumericValue.h"
#include "PageBuilder.h"
#include "SettingsFile.h"
#include "UserSettings.h"

namespace qel {

namespace {

// Marks a tick as running for as long as it lasts, however it ends.
class TickScope {
public:
    explicit TickScope(bool& running) : running_(running) { running_ = true; }
    ~TickScope() { running_ = false; }
    TickScope(const TickScope&) = delete;
    TickScope& operator=(const TickScope&) = delete;

private:
    bool& running_;
};

// A port number typed by the user, as a whole number that can name a COM port.
std::optional<int> PortNumberFrom(double value) {
    if (!(value >= 0 && value <= std::numeric_limits<int>::max()) || value != std::floor(value)) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

}  // namespace

MainForm::MainForm(const MainFormParts& parts)
    : state_(parts.state),
      view_(parts.view),
      files_(parts.files),
      clock_(parts.clock),
      commFile_(parts.commFile),
      MSComm1_(parts.MSComm1),
      ftpApi_(parts.ftpApi),
      Inet1_(parts.Inet1),
      history_(parts.history),
      uploads_(parts.view, parts.history, parts.clock, parts.uploadLimitMs) {
    Inet1_.SetCompletion(
        [this](const std::optional<std::string>& failure) { TransferFinished(failure); });
    ftpApi_.ReportTo(guardedView_);
}

void MainForm::Form_Load(const StartOptions& options) {
    FindPorts();
    PortNamed(options);
    if (auto unfinished = CarryOverSettings(state_, files_, kBusyFilePatienceMs)) {
        // An earlier install's settings are still to come (held, or a copy that failed): until
        // they are across and read, nothing may stand in for them.
        state_.SettingsCarryOverPending = true;
        state_.SettingsFileNeverRead = true;
        view_.SetCaption(std::string(kProgramCaption));
        Fail(unfinished->description);
    } else {
        LoadSettings(state_, guardedView_, files_);
    }
    settingsAtLoad_ = UserSettings();
    if (!state_.SettingsFileNeverRead) {
        LoadCurrentProfile(false);
    }
    if (state_.SettingsFileNeverRead) {
        startUpFailure_ = uploads_.StatusText();
    }
}

void MainForm::PortNamed(const StartOptions& options) {
    if (options.refusedPort) {
        // A wrong port that sends nothing would never even arm the watchdog: say so at once.
        FailSerial(RefusedPortText(*options.refusedPort));
    }
    if (!options.port) {
        return;
    }
    view_.SetPortText(NumberWithSignBlank(*options.port));
    if (view_.RunChecked()) {
        PortLost();  // what came from the old port is no start for the new one
        portRetryAt_.reset();
        SetUpPort();
    }
}

void MainForm::LoadCurrentProfile(bool retry) {
    profileUnread_ = false;
    if (!state_.CurrentFile.empty() && !IsUsableProfileName(state_.CurrentFile)) {
        Fail(RefusedProfileNameText(state_.CurrentFile));  // why no host values were loaded
        return;
    }
    if (!LoadHostProfile(state_, guardedView_, files_, retry)) {
        // The cause stands in red, not the missing values it leaves: the profile is tried again
        // on every tick, and the pages wait for it.
        profileUnread_ = true;
        profileChoicesAtFailure_ = state_.HostChoices;
        if (!retry) {
            startUpFailure_ = uploads_.StatusText();
        }
        return;
    }
    if (!state_.HostConfigurationComplete()) {
        Fail("Configuration information required");
    }
}

void MainForm::RetryProfile() {
    if (state_.HostChoices != profileChoicesAtFailure_) {
        profileUnread_ = false;  // the user chose a host in the dialog meanwhile: that stands
    } else {
        LoadCurrentProfile(true);
    }
    if (!profileUnread_) {
        StartUpFailureResolved();
    }
}

void MainForm::TellBesideStartUpFailure(const std::string& text, StatusTopic topic) {
    if (!startUpFailure_.empty() && uploads_.StatusText() == startUpFailure_) {
        // Nobody may have seen why start-up could not read the settings (an unattended start):
        // the cause stays in view until it is resolved, and the news goes to the history.
        history_.Record(text, StatusColour::Highlight, topic);
        return;
    }
    uploads_.Tell(text, topic);
}

void MainForm::StartUpFailureResolved() {
    const bool standing = !startUpFailure_.empty() && uploads_.StatusText() == startUpFailure_;
    startUpFailure_.clear();
    if (!standing) {
        return;  // a newer text says more
    }
    if (state_.HostConfigurationComplete()) {
        Tell("");
    } else {
        Fail("Configuration information required");
    }
}

void MainForm::Form_Unload() {
    LastPageAttempt();
    SaveSettings(state_, guardedView_, files_);
}

void MainForm::LastPageAttempt() {
    if (!pendingPage_) {
        return;
    }
    // A scanner that holds the page lets go soon: the page is worth a moment more, and is
    // never dropped without a word.
    std::optional<FileError> error;
    for (std::uint32_t waited = 0;; waited += kLastPageAttemptMs / 10) {
        error = WritePageTo(pendingPage_->path, pendingPage_->text);
        if (!error || error->kind != FileError::Kind::Busy || waited >= kLastPageAttemptMs) {
            break;
        }
        files_.Pause(kLastPageAttemptMs / 10);
    }
    pendingPage_.reset();
    if (error) {
        Fail("Page dropped at exit: " + error->description + " saving Web file");
    }
}

KeptSettings MainForm::SettingsChangedSinceLoad() const {
    const Settings now = UserSettings();
    return KeptSettings{now.currentFile != settingsAtLoad_.currentFile,
                        now.fileName != settingsAtLoad_.fileName,
                        now.pageTitle != settingsAtLoad_.pageTitle,
                        now.refresh != settingsAtLoad_.refresh,
                        ftpMethodChosen_ || now.ftpMethod != settingsAtLoad_.ftpMethod,
                        commMethodChosen_ || now.commMethod != settingsAtLoad_.commMethod};
}

void MainForm::RetrySettings() {
    if (state_.SettingsCarryOverPending) {
        if (CarryOverSettings(state_, files_, 0)) {
            return;  // still held
        }
        state_.SettingsCarryOverPending = false;
    }
    const KeptSettings kept = SettingsChangedSinceLoad();
    if (!RetryLoadSettings(state_, guardedView_, files_, kept)) {
        return;
    }
    // What was read replaces what stood in for it; the user's own changes stay. The failure
    // that said the file could not be read goes once nothing is missing any more.
    if (!kept.currentFile) {
        LoadCurrentProfile(false);
    }
    if (!profileUnread_) {
        StartUpFailureResolved();
    }
}
MainForm::Settings MainForm::UserSettings() const {
    return {state_.CurrentFile,  view_.FileNameText(), view_.PageTitleText(),
            view_.RefreshText(), state_.FTPMethod,     state_.CommMethod};
}

void MainForm::mnuMethod1_Click() {
    ChooseFtpMethod(1, MenuChoice::Method1);
}

void MainForm::mnuMethod2_Click() {
    ChooseFtpMethod(2, MenuChoice::Method2);
}

void MainForm::mnuMethod3_Click() {
    ChooseFtpMethod(3, MenuChoice::Method3);
}

void MainForm::mnuMethod4_Click() {
    ChooseFtpMethod(4, MenuChoice::Method4);
}

void MainForm::ChooseFtpMethod(std::uint8_t method, MenuChoice item) {
    const auto effective = [](std::uint8_t m) { return m == 0 ? std::uint8_t{1} : m; };
    if (effective(method) != effective(state_.FTPMethod)) {
        // The running upload goes on to its end, and the waiting page after it by the new
        // method; what the old method has to say of an older page is no longer news.
        uploads_.MethodChanged();
        Inet1_.EndKeptConnection();
    }
    state_.FTPMethod = method;
    hostKeys_.ChosenAnew();
    view_.CheckFtpMethodItem(item);
    ftpMethodChosen_ = true;
}

void MainForm::mnuCommMethod1_Click() {
    state_.CommMethod = 0;
    view_.CheckCommMethodItem(MenuChoice::Method1);
    commMethodChosen_ = true;
}

void MainForm::mnuCommMethod2_Click() {
    state_.CommMethod = 1;
    view_.CheckCommMethodItem(MenuChoice::Method2);
    commMethodChosen_ = true;
}

void MainForm::ckkRun_Click(bool byHand) {
    runByHand_ = byHand;
    if (view_.RunChecked()) {
        uploads_.RunStarted();
    } else {
        Inet1_.EndKeptConnection();
    }
    TellBesideStartUpFailure(view_.RunChecked() ? "Run started" : "Run stopped",
                             StatusTopic::Upload);
}

void MainForm::Timer1_Timer() {
    if (tickRunning_) {
        return;
    }
    TickScope tick(tickRunning_);
    if (state_.HostChoices != hostChoicesKept_) {
        // New host values or another profile: the connection made with the old ones goes.
        hostChoicesKept_ = state_.HostChoices;
        Inet1_.EndKeptConnection();
    }
    if (state_.SettingsFileNeverRead) {
        RetrySettings();  // Run or not: the settings are wanted either way
    } else if (profileUnread_) {
        RetryProfile();
    }
    if (!view_.RunChecked()) {
        return;
    }
    uploads_.Tick(ftpApi_.StillWorking());
    if (pendingPage_) {
        WritePendingPage();
    }
    StartWaitingUpload();  // a page that waited for the upload before it, or for the settings
    if (state_.CommMethod == 0) {
        ReadStepMethod1();
        view_.DoEvents();
        EndMarkerCase();
        if (!view_.RunChecked()) {
            return;  // Run was switched off during the tick
        }
        SplitCase();
    } else {
        if (!state_.PortIsOpen) {
            if (PortOpenAttemptDue()) {
                SetUpPort();
            }
            return;
        }
        ReadStepMethod2();
    }
}

bool MainForm::PortOpenAttemptDue() {
    return !portRetryAt_ || clock_.Milliseconds() >= *portRetryAt_;
}

void MainForm::RetryPortLater() {
    portRetryAt_ = clock_.Milliseconds() + kPortRetryMs;
}

void MainForm::PortLost() {
    // A device that was unplugged leaves a port that never delivers again: close it, so that a
    // later tick opens it anew once the device is back.
    if (state_.CommMethod == 0) {
        commFile_.Close();
    } else {
        MSComm1_.SetPortOpen(false);
    }
    state_.PortIsOpen = false;
    RetryPortLater();
    // What came before the loss can never be completed: the device starts afresh when it is
    // back, and the rest of an old block must not be glued to the first new one.
    InBuffer.clear();
    markerFreeLength_ = 0;
    discardToMarker_ = false;
}

void MainForm::CheckLineErrors(std::optional<std::string> lineError) {
    if (lineError) {
        // Some of the text received since the last check was garbled on the line, and nothing
        // says where: the block it belongs to cannot be trusted up to its end marker.
        // Only that block is lost: a complete block after its end marker is clean.
        FailSerial("Serial data lost (" + *lineError + ")");
        markerFreeLength_ = 0;
        discardToMarker_ = true;
    }
    if (!discardToMarker_) {
        return;
    }
    const auto marker = InBuffer.find(kEndMarker);
    if (marker == std::string::npos) {
        // Kept: the start of a marker whose rest is still on its way.
        const auto keep = std::min<std::size_t>(InBuffer.size(), kEndMarker.size() - 1);
        InBuffer.erase(0, InBuffer.size() - keep);
        return;
    }
    InBuffer.erase(0, marker + kEndMarker.size());
    markerFreeLength_ = 0;
    discardToMarker_ = false;
}

void MainForm::ReadStepMethod1() {
    // The device file is opened on first use and, unlike a port that stays unusable until the
    // program restarts, again about once a second while it is not open: a device plugged in (or
    // back) or a port number corrected after Run was checked is picked up without a restart.
    if (CommFileNum == 0 || !commFile_.IsOpen()) {
        if (!PortOpenAttemptDue()) {
            return;
        }
        SetUpPort();
        view_.DoEvents();
        if (!commFile_.IsOpen()) {
            return;  // keeps the reason the open failed on the status line
        }
    }
    for (;;) {
        char c = '\0';
        std::optional<SerialError> error;
        const std::size_t n = commFile_.Read(&c, 1, error);
        if (error) {
            FailSerial(error->description + " inputting from com");
            PortLost();
            return;
        }
        // Code 0 means nothing more is waiting; it is never stored.
        if (n == 0 || c == '\0') {
            CheckLineErrors(commFile_.TakeLineError());
            return;
        }
        InBuffer += c;
        view_.DoEvents();
    }
}

void MainForm::ReadStepMethod2() {
    CommControl::Error error;
    const std::string input = MSComm1_.Input(error);
    if (!input.empty()) {
        InBuffer += input;
        CheckLineErrors(MSComm1_.TakeLineError());
        EndMarkerCase();
        SplitCase();
    }
    if (error) {
        FailSerial(*error);
        PortLost();
    }
}

void MainForm::EndMarkerCase() {
    if (auto block = TakeEndMarkerBlock(InBuffer)) {
        Publish(std::move(*block), std::string());
    }
}

void MainForm::SplitCase() {
    if (auto block = TakeSplitBlock(InBuffer, MarkerSearchStart(markerFreeLength_))) {
        // The copy's text after the marker becomes InBuffer once the page is out.
        std::string remainder = std::move(InBuffer);
        Publish(std::move(*block), std::move(remainder));
    } else {
        markerFreeLength_ = InBuffer.size();
    }
}

void MainForm::Publish(std::string block, std::string remainder) {
    // With no upload method the page is published locally only: nothing to watch for.
    uploads_.BlockTakenOut(state_.FTPMethod <= 4);
    InBuffer = std::move(block);
    view_.SetOutputText(InBuffer);
    SendWebPage();
    InBuffer = std::move(remainder);
    markerFreeLength_ = 0;
}

void MainForm::FindPorts() {
    for (int n = kFirstProbedPort; n <= kLastProbedPort; ++n) {
        const auto portError = MSComm1_.SetCommPort(n);
        const auto openError = MSComm1_.SetPortOpen(true);
        if (portError || openError) {
            continue;
        }
        view_.SetPortText(NumberWithSignBlank(n));
        MSComm1_.SetPortOpen(false);
    }
}

void MainForm::SetUpPort() {
    state_.PortIsOpen = false;
    const double value = NumericValue(view_.PortText());
    if (state_.CommMethod == 0) {
        CommFileNum = 1;
        const auto port = PortNumberFrom(value);
        std::optional<SerialError> error;
        if (!port) {
            error = SerialError{SerialError::Kind::Other, "Bad file name or number"};
        } else {
            error = commFile_.Open(*port, kCommSettings);
        }
        if (error) {
            FailSerial(error->description + " opening com");
            RetryPortLater();
            return;
        }
    } else {
        const auto failed = [this](const std::string& description) {
            FailSerial(description);
            RetryPortLater();
        };
        const auto port = RoundToInt16(value);
        if (!port) {
            return failed("Overflow");
        }
        if (auto error = MSComm1_.SetCommPort(*port)) {
            return failed(*error);
        }
        const auto settingsError = MSComm1_.SetSettings(kCommSettings);
        const auto openError = MSComm1_.SetPortOpen(true);
        if (settingsError || openError) {
            return failed(openError ? *openError : *settingsError);
        }
    }
    state_.PortIsOpen = true;
    portRetryAt_.reset();
    TellBesideStartUpFailure("Serial communication established", StatusTopic::Serial);
}

void MainForm::GetInfo() {
    state_.DestPath = NormaliseDestPath(state_.DestPath);
    state_.DestFileName = view_.FileNameText();
}

void MainForm::SendWebPage() {
    if (InBuffer.size() < 2) {
        return;
    }
    InBuffer = StripMarkers(InBuffer);
    view_.SetOutputText(InBuffer);
    InBuffer = ConvertLineBreaks(InBuffer);
    GetInfo();
    const bool written =
        WritePageFile(BuildPageText(view_.PageTitleText(), view_.RefreshText(), InBuffer));
    view_.DoEvents();
    if (!written) {
        return;  // the older page stays, here and on the host: a failed write uploads nothing
    }
    UploadWrittenPage();
}

void MainForm::UploadWrittenPage() {
    if (!files_.FileExists(state_.WebFilePath)) {
        Fail("Web file not found - " + clock_.LongTime());
        return;
    }
    Upload();
    view_.DoEvents();
}

bool MainForm::WritePageFile(const std::string& pageText) {
    // A folder that cannot be written makes way for the next one: the user's application data,
    // then the documents shared by all users, then the program's own folder.
    const std::string folders[] = {files_.SpecialFolderPath(kCsidlAppData),
                                   files_.SpecialFolderPath(kCsidlCommonDocuments),
                                   state_.ProgramFolder};
    std::optional<FileError> error;
    for (const std::string& folder : folders) {
        error = WritePageAttempt(folder, pageText);
        if (!error || error->kind != FileError::Kind::Access) {
            break;
        }
    }
    if (error && error->kind == FileError::Kind::Busy) {
        // Another program holds the page (or its temporary file) for a moment: the page waits
        // to be written in the same place, rather than go where other users would see it. It
        // replaces an older waiting page, whose wait it carries on.
        const PendingPage older = pendingPage_.value_or(
            PendingPage{std::string(), std::string(), clock_.Milliseconds(), false});
        pendingPage_ = PendingPage{state_.WebFilePath, pageText, older.since, older.reported};
        return false;
    }
    pendingPage_.reset();  // written, or failed for good: an older waiting page is out of date
    if (error) {
        Fail(error->description + " saving Web file");
        return false;
    }
    return true;
}

std::optional<FileError> MainForm::WritePageAttempt(const std::string& folder,
                                                    const std::string& pageText) {
    return WritePageTo(
        pellucor::WithTrailingBackslash(folder) + files_.PathFromText(state_.DestFileName),
        pageText);
}

std::optional<FileError> MainForm::WritePageTo(const std::string& path,
                                               const std::string& pageText) {
    state_.WebFilePath = path;
    FileError error;
    auto file = files_.OpenForOutput(path, error);
    if (!file) {
        return error;
    }
    if (auto writeError = file->Write(PageFileBytes(pageText))) {
        return writeError;
    }
    return file->Close();
}

void MainForm::WritePendingPage() {
    PendingPage& page = *pendingPage_;
    const auto error = WritePageTo(page.path, page.text);
    if (error && error->kind == FileError::Kind::Busy) {
        if (!page.reported && clock_.Milliseconds() - page.since >= kPendingPageReportMs) {
            page.reported = true;
            Fail(error->description + " saving Web file");
        }
        return;
    }
    pendingPage_.reset();
    if (error) {
        Fail(error->description + " saving Web file");
        return;
    }
    view_.DoEvents();
    UploadWrittenPage();
}

void MainForm::Upload() {
    uploads_.PageWritten();
    StartWaitingUpload();
}

bool MainForm::UploadLineBusy() const {
    // One upload at a time, whatever the method: a call that method 1 gave up on, or a transfer
    // the component still runs (one given up at its limit too), holds the line until it ends.
    // An open question about an SFTP host's key holds it too: the newest page waits for the answer.
    return !uploads_.Idle() || ftpApi_.StillWorking() || Inet1_.StillExecuting() ||
           hostKeys_.Asking();
}

void MainForm::StartWaitingUpload() {
    if (!uploads_.PageWaiting() || UploadLineBusy()) {
        return;
    }
    // A settings file not read yet may name another method (FTPS, say): a busy file must never
    // send the page, or the password, by a method the user did not choose.
    if (state_.SettingsFileNeverRead && !ftpMethodChosen_) {
        return;
    }
    if (profileUnread_) {
        return;  // without its host values the upload could only fail, hiding the cause
    }
    try {
        switch (state_.FTPMethod) {
            case 0:
            case 1: {
                uploads_.UploadStarted(true);
                const bool stored = ftpApi_.UploadByApi();
                uploads_.Method1Ended(stored, ftpApi_.StillWorking());
                break;
            }
            case 2:
            case 3:  // the same background transfer, over FTPS ("ftps://")
            case 4:  // and over SFTP ("sftp://")
                StartTransfer();
                break;
            default:
                uploads_.UploadStarted(true);  // no upload method chosen: the page goes nowhere
                uploads_.Method1Ended(false, false);
                break;
        }
    } catch (...) {
        UploadThrew();
    }
}

void MainForm::UploadThrew() noexcept {
    // The upload marked as running would hold the line for ever: whatever was thrown, the line
    // is freed and the failure shown, and the next page goes out.
    uploads_.UploadNotStarted();
    ftpApi_.CloseConnection();
    try {
        try {
            throw;
        } catch (const std::bad_alloc&) {
            Fail("Out of memory");
        } catch (const std::exception& e) {
            Fail(std::string("The upload failed: ") + e.what());
        }
    } catch (...) {
        // Nothing left to say it with; the line is free all the same.
    }
}

void MainForm::FTPMethod2() {
    uploads_.PageWritten();
    if (!UploadLineBusy()) {
        try {
            StartTransfer();
        } catch (...) {
            UploadThrew();
        }
    }
}

void MainForm::StartTransfer() {
    uploads_.UploadStarted(false);
    GetInfo();
    const char* missing = state_.DestURL.empty()    ? "No URL set"
                          : state_.UserName.empty() ? "No user name set"
                          // SFTP may log in by key, with no password at all
                          : state_.Password.empty() && state_.FTPMethod != 4 ? "No Password set"
                          : state_.DestFileName.empty() ? "No destination file name set"
                                                        : nullptr;
    if (missing != nullptr) {
        uploads_.UploadNotStarted();
        return Fail(missing);
    }
    // Progress never covers a failure that stands: a host that keeps failing must stay red.
    uploads_.Progress("Attempting transmission");
    const char* scheme = state_.FTPMethod == 4   ? "sftp://"
                         : state_.FTPMethod == 3 ? "ftps://"
                                                 : "ftp://";
    Inet1_.SetURL(scheme + state_.DestURL);
    Inet1_.SetUserName(state_.UserName);
    Inet1_.SetPassword(state_.Password);
    // Success is reported only once the file is really stored (TransferFinished).
    if (auto error = Inet1_.Execute("PUT " + state_.WebFilePath + " " + state_.DestPath +
                                    state_.DestFileName)) {
        uploads_.UploadNotStarted();
        Fail(*error + " doing FTP");
    }
}

void MainForm::TransferFinished(const std::optional<std::string>& failure) {
    // What follows (a question to the user, say) is not the host's time.
    uploads_.OutcomeArrived();
    try {
        SettleTransfer(failure);
    } catch (...) {
        UploadThrew();
    }
    StartWaitingUpload();  // the newest page that waited, by the method in force now
}

void MainForm::SettleTransfer(const std::optional<std::string>& failure) {
    if (hostChoicesSeen_ != state_.HostChoices) {
        hostChoicesSeen_ = state_.HostChoices;  // the host chosen anew in the host dialog
        hostKeys_.ChosenAnew();
    }
    bool sendNewest = false;
    if (hostKeys_.Settle(Inet1_, runByHand_, guardedView_, guardedView_,
                         [&sendNewest] { sendNewest = true; })) {
        // The upload ended at a host key the user was asked about: trusted now, the newest
        // page goes out again; refused, nothing is sent.
        uploads_.UploadNotStarted();
        if (sendNewest) {
            uploads_.PageWritten();
        } else if (!hostKeys_.Asking()) {
            uploads_.PageDropped();  // refused: a page made meanwhile goes nowhere either
        }
        return;
    }
    uploads_.TransferEnded(failure);
}

}  // namespace qel
