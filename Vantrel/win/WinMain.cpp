// Qel's entry point: the main window and its message loop; "/run" starts Run without a click,
// "/port=N" names the port; a second start hands both to the Qel that runs.
#include <windows.h>

#include <commctrl.h>

#include "QelApp.h"
#include "SingleInstance.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    const std::string arguments = commandLine ? commandLine : "";
    qel::SingleInstance instanceClaim;
    if (instanceClaim.HandedOver(arguments, qel::MainWindow::kClassName)) {
        return 0;
    }
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // Shutdown saves the settings and then ends the process at once, wherever it is.
    qel::QelApp app(
        instance, [] { ExitProcess(0); }, qel::ParseCommandLine(arguments));
    return app.Run();
}
