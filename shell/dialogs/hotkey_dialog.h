#pragma once
// The hotkey dialog (templates 134 / 135), opened by the settings dialog: modifiers and key of the
// two global hotkeys. After a confirmed dialog the caller runs ReregisterHotkeys.
#include <windows.h>

// True when the user confirmed; the eight SK1_ and SK2_ options then hold the dialog's values.
bool RunHotkeyDialog(HWND owner);
