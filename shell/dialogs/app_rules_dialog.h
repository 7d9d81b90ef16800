#pragma once
// The program rules dialog (templates 150 / 151), opened by the menu's "Program rules...": which
// programs' copies automatic processing leaves alone, or processes only (APP_RULE, APP_LIST).
#include <windows.h>

// True when the user confirmed; APP_RULE and APP_LIST then hold the dialog's values and the
// caller saves.
bool RunAppRulesDialog(HWND owner);
