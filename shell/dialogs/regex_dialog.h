#pragma once
// The regular-expression replacement dialog (templates 136 / 137): on/off, pattern, format and
// the three switches, twelve ready-made pairs, and the histories "cbq_before" and "cbq_after".
#include <windows.h>

// True when the user confirmed; the REP_ options then hold the dialog's values.
bool RunRegexDialog(HWND owner);
