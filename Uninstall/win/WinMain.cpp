// RemoveQel's entry point: the uninstaller has no main window, only its start routine.
#include <windows.h>

#include "Remove.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return removal::Remove(instance).Main();
}
