#pragma once
// Process-wide values of the Windows program, set by start-up and the main window.
#include <windows.h>

#include "language.h"

extern HINSTANCE ProgramInstance;
extern HWND MainWindow;  // the hidden main window carrying the tray icon; none before it exists

// Loaded once by start-up from the program's resources as shared icons, so never destroyed.
struct ProgramIconSet {
    HICON program = nullptr;     // 107: class icon, large icon of the dialogs, floating button
    HICON trayOn = nullptr;      // 131: monitoring on; small icon of the dialogs
    HICON trayOff = nullptr;     // 132: monitoring off
    HICON trayDone = nullptr;    // 133: just after a write
    HICON trayDone32 = nullptr;  // 133 at 32 x 32: the floating button's flash
};
extern ProgramIconSet ProgramIcons;
void LoadProgramIcons(HINSTANCE instance);

// Large icon 107 and small icon 131, as every dialog of the program carries them.
void SetDialogIcons(HWND dialog);
