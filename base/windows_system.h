#pragma once
// Questions to the running Windows, shared by start-up, the clipboard service and the About box,
// and small Win32 helpers every layer uses.
#include <string>
#include <windows.h>

// The running Windows' version record, service pack and product type included.
OSVERSIONINFOEXW WindowsVersionRecord();

// The Windows version as major * 100 + minor (601 for 7, 1000 for 10 and 11).
int OsVersionNumber();

// The system directory (C:\Windows\system32 as a rule); empty when it cannot be read.
const std::wstring& SystemDirectory();

// The full path of the running program; empty when it cannot be read whole, since a cut path
// would name another file.
std::wstring ProgramFilePath();

// Loads `name` from the system directory only; the current directory is restored afterwards.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Keeps every later library load to the system directory, never the current directory or the
// program's folder. SetDefaultDllDirectories is looked up at run time: a Windows 7 without the
// update that adds it would otherwise refuse to start the program; there the current directory
// is at least taken out of the search.
void RestrictDllSearchToSystem();

// One key of a SendInput sequence, pressed or let go, with its scan code: some programs read the
// scan code rather than the virtual key. The right-hand Ctrl and Alt are extended keys.
INPUT KeyInput(WORD key, bool up);
