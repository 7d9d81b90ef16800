#pragma once
// The multiply-by-N dialog (templates 141 / 142): the factor of the CSV/TSV stage, "1" for off.
#include <windows.h>

// True when the user confirmed a factor; MUL_BY_N then holds it.
bool RunMultiplyDialog(HWND owner);
