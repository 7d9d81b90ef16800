#pragma once
#include <string>
#include <windows.h>

inline constexpr wchar_t kInstanceName[] = L"NuvelaClipboardText";  // mutex and main window class

// The whole life of the program: the body of wWinMain, callable in-process by tests.
int RunNuvela(HINSTANCE instance, const wchar_t* commandLine);

// Japanese when "NUVELA_LANG" is "JA" (any case); without the variable, the system language decides.
void ChooseLanguage();

// The folder made current at start: cut at the last backslash, kept after it for a drive root.
// Empty when the path has no backslash after its first character.
std::wstring ProgramFolderOf(const std::wstring& programPath);

// Makes the program's folder current again, as at start: the ini file is addressed relative to it.
void MakeProgramFolderCurrent();

// A program file named ..._o.exe (letters in either case) keeps its settings in the ini file.
bool IsIniProgramName(const std::wstring& programPath);

// "/C", "/C0", "/C1": the text conversions off from the start; the next save stores them off.
void SwitchConversionsOff();
