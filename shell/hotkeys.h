#pragma once
// The system-wide hotkeys of the main window: 1 toggles monitoring, 2 processes the clipboard,
// 3 restores the original copy, 4 pastes the copy as plain text.
#include <windows.h>

// At main-window creation: registers the assigned hotkeys; refusals go to the balloon (warning).
void RegisterHotkeys(HWND window);
// After the hotkey dialog was confirmed: releases every hotkey, registers them again, then saves.
void ReregisterHotkeys(HWND window);
// At main-window destruction.
void ReleaseHotkeys(HWND window);
// WM_HOTKEY: posts the hotkey's command to the window, as if it were chosen from the menu.
void OnHotkey(HWND window, WPARAM hotkeyId);

// Around our own keystroke: lets go of the hotkeys that `modifiers` (MOD_ flags) and `key` match, so
// the keystroke reaches the window in front instead of coming back to us, and registers them again.
void ReleaseHotkeysMatching(HWND window, UINT modifiers, UINT key);
void TakeHotkeysBack(HWND window);

// MOD_SHIFT, MOD_CONTROL and MOD_ALT as the system wants them.
UINT HotkeyModifiers(bool shift, bool ctrl, bool alt);
