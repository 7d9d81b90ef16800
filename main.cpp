#include <windows.h>

#include "menu_dialogs.h"
#include "startup.h"
#include "windows_system.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    // Later library loads stay out of the current directory and, where the system allows it, the
    // program's folder.
    RestrictDllSearchToSystem();
    InstallMenuDialogs();
    return RunNuvela(instance, commandLine);
}
