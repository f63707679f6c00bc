// The running Qel program.
#include "QelApp.h"

#include "KnownHostsFile.h"
#include "MainFormLayout.h"
#include "SetUpProgram.h"

namespace qel {

QelApp::QelApp(HINSTANCE instance, MainWindow::EndProcess endProcess, bool runSwitch)
    : window_(instance,
              [this, endProcess = std::move(endProcess)] {
                  history_.ProgramEnded();
                  endProcess();
              }),
      form_(
          qel::MainFormParts{state_, view_, files_, clock_, commFile_, MSComm1_, ftpApi_, Inet1_}),
      help_(instance, state_),
      about_(instance, state_, window_.Handle()),
      config_(instance, window_.Handle(), ConfigUploadParts{state_, view_, files_, help_}) {
    window_.Attach(form_);
    window_.Attach(static_cast<SecondaryWindows&>(*this));
    SetUpProgram(state_, window_.Handle());
    // The SFTP hosts' keys live with the user's other settings.
    Inet1_.SetKnownHostsFile(state_.SettingsFolder + kKnownHostsFileName);
    history_.ProgramStarted(runSwitch);
    form_.Form_Load();
    ShowWindow(window_.Handle(), SW_SHOW);
    UpdateWindow(window_.Handle());
    SetFocus(GetDlgItem(window_.Handle(), qel::layout::IDC_Text1));
    if (runSwitch) {
        // Unattended start: the same as the user ticking Run once the window is up.
        CheckDlgButton(window_.Handle(), qel::layout::IDC_ckkRun, BST_CHECKED);
        form_.ckkRun_Click(false);
    }
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
