#pragma once
// The hotkey dialog (templates 134 / 135), opened by the settings dialog: modifiers and key of the
// global hotkeys. After a confirmed dialog the caller runs ReregisterHotkeys.
#include <windows.h>

// True when the user confirmed; the SK1_ to SK4_ options then hold the dialog's values.
bool RunHotkeyDialog(HWND owner);
