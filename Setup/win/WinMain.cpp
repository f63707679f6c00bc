// SetupQel's entry point: the installer has no main window, only its start routine.
#include <windows.h>

#include <objbase.h>

#include "SETUP1.h"
#include "SystemDllsOnly.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    pellucor::LoadDllsFromSystemFolderOnly();
    // The shell's link interface needs COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int exitCode = setup::SETUP1(instance).Main();
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return exitCode;
}
