#pragma once
// Questions to the running Windows, shared by start-up, the clipboard service and the About box.
#include <windows.h>

// The Windows version as major * 100 + minor (601 for 7, 1000 for 10 and 11).
int OsVersionNumber();

// Loads `name` from the system directory only; the current directory is restored afterwards.
HMODULE LoadSystemLibrary(const wchar_t* name);
