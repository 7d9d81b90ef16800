#include "menu_dialogs.h"

#include "about_dialog.h"
#include "app_rules_dialog.h"
#include "floating_button.h"
#include "main_window.h"
#include "multiply_dialog.h"
#include "regex_dialog.h"
#include "settings_dialog.h"

void InstallMenuDialogs() {
    MenuDialogSet dialogs;
    dialogs.settings = RunSettingsDialog;
    dialogs.regex = RunRegexDialog;
    dialogs.multiply = RunMultiplyDialog;
    dialogs.about = RunAboutDialog;
    dialogs.appRules = RunAppRulesDialog;
    SetMenuDialogs(dialogs);
    FloatingButtonHooks floating;
    floating.show = RunFloatingButton;
    floating.close = CloseFloatingButton;
    floating.setOpacity = SetFloatingOpacity;
    SetFloatingButtonHooks(floating);
}
