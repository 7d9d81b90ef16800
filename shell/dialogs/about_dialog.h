#pragma once
// The About box as the tray menu opens it.
#include <windows.h>

// Shows the About box in the current language with the maker's addresses and our terms notice.
// Returns false: there is nothing to confirm or save.
bool RunAboutDialog(HWND owner);

// The terms notice of the current language.
const wchar_t* TermsNotice();
