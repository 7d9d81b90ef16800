#pragma once
// Every message box of the program goes through here, so tests can record instead of showing.
#include <string>
#include <windows.h>

using MessageBoxFunction = int (*)(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);

// Shows the box (or calls the installed recorder) and returns the button pressed.
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);
// Caption AppDisplayName, no owner.
int ShowAppMessageBox(const std::wstring& text, UINT type);

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);
