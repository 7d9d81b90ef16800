#pragma once
// The modeless opening dialog (template 147, Japanese only) shown when the main window is created.
#include <windows.h>

void OpenOpeningDialog(HWND owner);
void CloseOpeningDialog();
HWND OpeningDialogWindow();  // null while it is not open
// For the message loop: gives the dialog its keyboard handling (Escape, Tab, mnemonics).
bool IsOpeningDialogMessage(MSG& message);
