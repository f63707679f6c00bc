// The behaviour of Qel's main window and its run cycle.
#include "MainForm.h"

#include <cmath>
#include <limits>
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
      Inet1_(parts.Inet1) {
    Inet1_.SetCompletion(
        [this](const std::optional<std::string>& failure) { TransferFinished(failure); });
    ftpApi_.ReportTo(uploadStatus_);
}

void MainForm::Form_Load() {
    FindPorts();
    CarryOverSettings(state_, files_);
    LoadSettings(state_, view_, files_);
    if (!state_.CurrentFile.empty() && !IsUsableProfileName(state_.CurrentFile)) {
        Fail(RefusedProfileNameText(state_.CurrentFile));  // why no host values were loaded
    } else {
        if (!state_.CurrentFile.empty()) {
            LoadHostProfile(state_, view_, files_);
        }
        if (!state_.HostConfigurationComplete()) {
            Fail("Configuration information required");
        }
    }
    settingsAtLoad_ = UserSettings();
}

void MainForm::Form_Unload() {
    // A settings file that could not be opened at start-up may well be whole: rewriting it with
    // the empty values that stood in for it would wipe the user's settings for nothing.
    if (state_.SettingsFileNeverRead && !methodChosen_ && UserSettings() == settingsAtLoad_) {
        return;
    }
    SaveSettings(state_, view_, files_);
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
        // A page waiting for the other method would land beside, or after, the pages the new
        // method sends to the same file: the new method takes over with the next page.
        waitingTransfer_.reset();
        method1Waiting_ = false;
    }
    state_.FTPMethod = method;
    hostKeys_.ChosenAnew();
    view_.CheckFtpMethodItem(item);
    methodChosen_ = true;
}

void MainForm::mnuCommMethod1_Click() {
    state_.CommMethod = 0;
    view_.CheckCommMethodItem(MenuChoice::Method1);
    methodChosen_ = true;
}

void MainForm::mnuCommMethod2_Click() {
    state_.CommMethod = 1;
    view_.CheckCommMethodItem(MenuChoice::Method2);
    methodChosen_ = true;
}

void MainForm::ckkRun_Click(bool byHand) {
    runByHand_ = byHand;
    Tell(view_.RunChecked() ? "Run started" : "Run stopped");
}

void MainForm::Timer1_Timer() {
    if (tickRunning_ || !view_.RunChecked()) {
        return;
    }
    TickScope tick(tickRunning_);
    if (pendingPage_) {
        WritePendingPage();
    }
    if (method1Waiting_ && !ftpApi_.StillWorking()) {
        Upload();  // the page that waited for the abandoned WinINet call
    }
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
        Fail("Serial data lost (" + *lineError + ")");
        InBuffer.clear();
        markerFreeLength_ = 0;
        discardToMarker_ = true;
        return;
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
            Fail(error->description + " inputting from com");
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
        Fail(*error);
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
            Fail(error->description + " opening com");
            RetryPortLater();
            return;
        }
    } else {
        const auto failed = [this](const std::string& description) {
            Fail(description);
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
    Tell("Serial communication established");
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
    return WritePageTo(pellucor::WithTrailingBackslash(folder) + state_.DestFileName, pageText);
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
    switch (state_.FTPMethod) {
        case 0:
        case 1:
            if (ftpApi_.StillWorking()) {
                // A log-in or put that was given up on still runs: one such call at a time, so
                // the newest page waits for it, and the status line keeps its time-out failure.
                method1Waiting_ = true;
                return;
            }
            method1Waiting_ = false;
            ++uploadsAsked_;
            ftpApi_.UploadByApi();
            break;
        case 2:
        case 3:  // the same background transfer, over FTPS ("ftps://")
        case 4:  // and over SFTP ("sftp://")
            FTPMethod2();
            break;
        default:
            break;  // no upload method chosen
    }
}

void MainForm::FTPMethod2() {
    GetInfo();
    if (state_.DestURL.empty()) {
        return Fail("No URL set");
    }
    if (state_.UserName.empty()) {
        return Fail("No user name set");
    }
    if (state_.Password.empty()) {
        return Fail("No Password set");
    }
    if (state_.DestFileName.empty()) {
        return Fail("No destination file name set");
    }
    Tell("Attempting transmission");
    const TransferRequest request{
        (state_.FTPMethod == 4   ? "sftp://"
         : state_.FTPMethod == 3 ? "ftps://"
                                 : "ftp://") +
            state_.DestURL,
        state_.UserName, state_.Password,
        "PUT " + state_.WebFilePath + " " + state_.DestPath + state_.DestFileName, ++uploadsAsked_};
    if (runningTransfer_ || Inet1_.StillExecuting() || hostKeys_.Asking()) {
        // Only the newest page is worth sending: it replaces any page already waiting.
        waitingTransfer_ = request;
        return;
    }
    StartTransfer(request);
}

void MainForm::StartTransfer(const TransferRequest& request) {
    Inet1_.SetURL(request.url);
    Inet1_.SetUserName(request.userName);
    Inet1_.SetPassword(request.password);
    // Success is reported only once the file is really stored (TransferFinished).
    if (auto error = Inet1_.Execute(request.operation)) {
        Fail(*error + " doing FTP");
        return;
    }
    runningTransfer_ = request.serial;
}

void MainForm::TransferFinished(const std::optional<std::string>& failure) {
    const std::optional<std::uint64_t> finished = std::exchange(runningTransfer_, std::nullopt);
    if (hostKeys_.Settle(Inet1_, runByHand_, view_, uploadStatus_, [this] {
            waitingTransfer_.reset();
            FTPMethod2();
        })) {
        return;
    }
    if (waitingTransfer_) {
        // A newer page waits: it goes out now and reports for both.
        const TransferRequest next = std::move(*waitingTransfer_);
        waitingTransfer_.reset();
        StartTransfer(next);
        return;
    }
    if (finished != uploadsAsked_ || statusMustStay_) {
        return;  // a newer upload reports for itself, or a failure or "Run stopped" stands
    }
    if (failure) {
        Fail(*failure + " doing FTP");
    } else {
        Tell("Transfer Complete " + clock_.ShortDate() + "  " + clock_.LongTime());
    }
}

}  // namespace qel
