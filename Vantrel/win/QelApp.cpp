// The running Qel program.
#include "QelApp.h"

#include <utility>

#include "KnownHostsFile.h"
#include "MainFormLayout.h"
#include "SetUpProgram.h"

namespace qel {

QelApp::QelApp(HINSTANCE instance, MainWindow::EndProcess endProcess, const StartOptions& options)
    : window_(instance,
              [this, endProcess = std::move(endProcess)] {
                  history_.ProgramEnded();
                  endProcess();
              }),
      form_(qel::MainFormParts{state_, window_, files_, clock_, commFile_, MSComm1_, ftpApi_,
                               Inet1_, history_}),
      help_(instance, state_),
      about_(instance, state_, window_.Handle()),
      config_(instance, window_.Handle(), ConfigUploadParts{state_, form_.View(), files_, help_}) {
    window_.Attach(form_);
    window_.Attach(static_cast<SecondaryWindows&>(*this));
    // A second start may come at any moment, the long parts of start-up included: it is taken
    // at once, and what it asks for is done once start-up is over.
    window_.OnHandOver([this](const std::string& commandLine) {
        const StartOptions options = ParseCommandLine(commandLine);
        if (!started_) {
            handedOver_.push_back(options);
            return true;
        }
        return TakeOptions(options);
    });
    SetUpProgram(state_, window_.Handle());
    // The SFTP hosts' keys live with the user's other settings.
    Inet1_.SetKnownHostsFile(state_.SettingsFolder + kKnownHostsFileName);
    Inet1_.SetNoteSink([this](const std::string& line) { history_.Note(line); });
    history_.ProgramStarted(options.run);
    form_.Form_Load(options);
    ShowWindow(window_.Handle(), SW_SHOW);
    UpdateWindow(window_.Handle());
    SetFocus(GetDlgItem(window_.Handle(), qel::layout::IDC_Text1));
    started_ = true;
    TakeOptions(StartOptions{options.run, std::nullopt, std::nullopt});
    for (const StartOptions& later : std::exchange(handedOver_, {})) {
        TakeOptions(later);
    }
}

bool QelApp::TakeOptions(const StartOptions& options) {
    form_.PortNamed(options);
    if (options.run && !window_.RunChecked()) {
        // Unattended start: the same as the user ticking Run once the window is up.
        CheckDlgButton(window_.Handle(), qel::layout::IDC_ckkRun, BST_CHECKED);
        form_.ckkRun_Click(false);
    }
    return true;
}

void QelApp::mnuConfigureUpload_Click() {
    config_.Show();
}

void QelApp::mnuInstructions_Click() {
    if (!config_.HelpKeyPressed()) {     // F1 in the host dialog shows the dialog's part
        help_.ShowInstructions("", "");  // the whole file
    }
}

void QelApp::mnuAbout_Click() {
    about_.Show();
}

int QelApp::Run() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!window_.PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace qel
