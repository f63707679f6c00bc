// Qel's entry point: the main window and its message loop; "/run" starts Run without a click,
// "/port=N" names the port; a second start hands both to the Qel that runs.
#include <windows.h>

#include <commctrl.h>

#include "QelApp.h"
#include "SingleInstance.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    const std::string arguments = commandLine ? commandLine : "";
    const qel::StartOptions options = qel::ParseCommandLine(arguments);
    qel::SingleInstance instanceClaim;
    switch (const auto outcome = instanceClaim.Claim(arguments, qel::MainWindow::kClassName)) {
        case qel::SingleInstance::Outcome::Mine:
            break;
        case qel::SingleInstance::Outcome::HandedOver:
            return 0;
        default:  // never a second Qel beside a live one
            qel::SingleInstance::Explain(outcome, options.run);
            return qel::kAlreadyRunningExitCode;
    }
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // Shutdown saves the settings and then ends the process at once, wherever it is.
    qel::QelApp app(
        instance, [] { ExitProcess(0); }, options);
    return app.Run();
}
