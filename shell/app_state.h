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

// The floating button and the settings dialog publish themselves here while they exist: the main
// window, the clipboard service and each other reach them through these handles.
extern HWND FloatingWindow;        // the floating button; null while it does not exist
extern HWND FloatingPreview;       // its clipboard preview, a read-only rich edit
extern HWND SettingsDialogWindow;  // the open settings dialog; null while it is closed

// While the settings dialog is open, its two trackbars show on the floating button at once.
struct FloatingOpacityPreview {
    bool on = false;
    int normal = 255;     // while the mouse is not over the button
    int mouseOver = 255;  // while it is
};
extern FloatingOpacityPreview OpacityPreview;
