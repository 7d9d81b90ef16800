#pragma once
// Process-wide values of the Windows program, set by start-up and the main window.
#include <windows.h>

#include "language.h"

extern HINSTANCE ProgramInstance;
extern HWND MainWindow;  // the hidden main window carrying the tray icon; none before it exists
