#pragma once
// The dialog a second start shows when the program already runs (template 145 or 146).
#include <windows.h>

// Returns IDC_FORCE_EXIT (6), IDCANCEL (2) or IDM_SETTINGS (33016). For the last one the
// running instance has already been asked to open its settings.
INT_PTR RunAlreadyRunningDialog();
