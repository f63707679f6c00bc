// SetupQel's entry point: the installer has no main window, only its start routine.
#include <windows.h>

#include <objbase.h>

#include "SETUP1.h"
#include "SystemDllsOnly.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!pellucor::LoadDllsFromSystemFolderOnly()) {
        pellucor::RefuseWithoutDllSearchUpdate(setup::kApplicationTitle);
        return setup::kExitAborted;
    }
    // The shell's link interface needs COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int exitCode = setup::RunGuarded(
        [&] { return setup::SETUP1(instance).Main(); },
        [](const std::string& text) {
            // No shortcut stays to a program left unchecked.
            setup::RemoveDesktopShortcut();
            MessageBoxA(nullptr, text.c_str(), setup::kApplicationTitle, MB_OK | MB_ICONSTOP);
        });
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return exitCode;
}
