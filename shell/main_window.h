#pragma once
// The hidden main window: tray icon, popup menu, command channel, timers and clipboard messages.
#include <windows.h>

#include "dialog_host.h"

// Registers the class "NuvelaClipboardText" and creates the hidden window; null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// Only these commands may arrive through WM_APP_COMMAND (second start, floating button, hotkeys).
bool IsAppCommandAccepted(WPARAM command);

// The dialogs the menu opens sit above the shell and are handed in at start; each returns true
// when the user confirmed it. A null entry opens nothing.
struct MenuDialogSet {
    bool (*settings)(HWND owner) = nullptr;
    bool (*regex)(HWND owner) = nullptr;
    bool (*multiply)(HWND owner) = nullptr;
    bool (*about)(HWND owner) = nullptr;
    bool (*appRules)(HWND owner) = nullptr;
};
void SetMenuDialogs(const MenuDialogSet& dialogs);

// The floating button sits above the shell too; start-up, the settings command, the tray menu and
// the window's end reach it through these, handed in at start. A null entry does nothing.
struct FloatingButtonHooks {
    void (*show)() = nullptr;  // runs the button until it is closed
    void (*close)() = nullptr;
    void (*setOpacity)(int alpha) = nullptr;
};
void SetFloatingButtonHooks(const FloatingButtonHooks& hooks);

// Opens the floating button unless one exists; returns once it has been closed again.
void OpenFloatingButton();

// Runs a command exactly as choosing it from the tray menu does.
void RunCommand(HWND window, UINT command);

// Shows the tray menu at `at` (screen coordinates) and runs the choice.
void ShowTrayMenu(HWND window, POINT at);
