#include "menu_dialogs.h"

#include "main_window.h"

void InstallMenuDialogs() {
    MenuDialogSet dialogs;
    SetMenuDialogs(dialogs);
}
