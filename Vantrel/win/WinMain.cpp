// Qel's entry point: the main window and its message loop; "/run" starts Run without a click.
#include <windows.h>

#include <commctrl.h>

#include "QelApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // Shutdown saves the settings and then ends the process at once, wherever it is.
    qel::QelApp app(
        instance, [] { ExitProcess(0); }, qel::HasRunSwitch(commandLine ? commandLine : ""));
    return app.Run();
}
