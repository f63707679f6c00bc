// RemoveQel's entry point: the uninstaller has no main window, only its start routine.
#include <windows.h>

#include "Remove.h"
#include "SystemDllsOnly.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    pellucor::LoadDllsFromSystemFolderOnly();
    return removal::Remove(instance).Main();
}
