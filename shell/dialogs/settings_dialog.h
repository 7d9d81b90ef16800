#pragma once
// The settings dialog (templates 138 / 139), opened by the menu's "Settings...": notification,
// sound, floating button, start-up shortcut, hotkeys, re-copy interval, delay, command filter.
#include <string>
#include <windows.h>

#include <commdlg.h>

// True when the user confirmed; the options then hold the dialog's values and the caller saves.
bool RunSettingsDialog(HWND owner);

// How the feedback page is opened: ShellExecuteW "open" unless a test records the call instead.
// Returns what ShellExecuteW returns (32 or less is a failure). Null restores the shell's.
using WebPageOpener = INT_PTR (*)(HWND owner, const std::wstring& address, const std::wstring& directory);
WebPageOpener SetWebPageOpener(WebPageOpener opener);

// How a file is chosen: GetOpenFileNameW, with CommDlgExtendedError in `error` after a failure,
// unless a test plays the user. Null restores the system's.
using FileChooser = bool (*)(OPENFILENAMEW& request, DWORD& error);
FileChooser SetFileChooser(FileChooser chooser);
// Chooses a file through the chooser in place; the program rules dialog's "Browse..." uses it too.
bool ChooseFile(OPENFILENAMEW& request, DWORD& error);
