#include <windows.h>

#include "menu_dialogs.h"
#include "startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    // No library is ever loaded from the current directory or the program's folder.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    InstallMenuDialogs();
    return RunNuvela(instance, commandLine);
}
