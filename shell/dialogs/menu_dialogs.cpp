#include "menu_dialogs.h"

#include "about_dialog.h"
#include "main_window.h"
#include "multiply_dialog.h"
#include "regex_dialog.h"

void InstallMenuDialogs() {
    MenuDialogSet dialogs;
    dialogs.regex = RunRegexDialog;
    dialogs.multiply = RunMultiplyDialog;
    dialogs.about = RunAboutDialog;
    SetMenuDialogs(dialogs);
}
