// RemoveQel's entry point: the uninstaller has no main window, only its start routine.
#include <windows.h>

#include "RemovalTexts.h"
#include "Remove.h"
#include "SystemDllsOnly.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!pellucor::LoadDllsFromSystemFolderOnly()) {
        pellucor::RefuseWithoutDllSearchUpdate(removal::kWarningTitle);
        return removal::kExitCannotRun;
    }
    return removal::Remove(instance).Main();
}
