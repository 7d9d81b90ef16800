#pragma once
#include <windows.h>

inline constexpr wchar_t kInstanceName[] = L"NuvelaClipboardText";  // mutex and main window class

// The whole life of the program: the body of wWinMain, callable in-process by tests.
int RunNuvela(HINSTANCE instance, const wchar_t* commandLine);

// Japanese when "NUVELA_LANG" is "JA" (any case); without the variable, the system language decides.
void ChooseLanguage();
