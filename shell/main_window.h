#pragma once
// The hidden main window: tray icon, popup menu, command channel, timers and clipboard messages.
#include <windows.h>

extern bool DialogBusy;  // a dialog opened from the menu is open; a second one is ignored meanwhile

// Registers the class "NuvelaClipboardText" and creates the hidden window; null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// Only these commands may arrive through WM_APP_COMMAND (second start, floating button, hotkeys).
bool IsAppCommandAccepted(WPARAM command);

// Runs a command exactly as choosing it from the tray menu does.
void RunCommand(HWND window, UINT command);

// Shows the tray menu at `at` (screen coordinates) and runs the choice.
void ShowTrayMenu(HWND window, POINT at);
