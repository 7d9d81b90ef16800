#pragma once
// The DPI a window is shown at, and sizes the program invents in 96-DPI units scaled to it.
// Dialog templates scale by themselves; what the code draws or sizes itself goes through here.
#include <windows.h>

inline constexpr UINT kBaseDpi = 96;

// The window's DPI (its monitor's, for a per-monitor aware program); where the system lacks the
// per-window call (before Windows 10 1607), the screen's.
UINT DpiOf(HWND window);

// A size or distance given in 96-DPI units, at `dpi`.
int ScaleForDpi(int value96, UINT dpi);

// For a dialog that handles WM_DPICHANGED itself: the dialog manager then neither resizes it nor
// changes its fonts or layout on its own (Windows 10 1703 and later; elsewhere nothing to do).
void TakeOverDialogDpiChanges(HWND dialog);

// An icon at `size` pixels, made from its nearest larger image: one of `module`'s, or with a null
// module one of the system's (IDI_WARNING and the like). Not shared: the caller destroys it. Null
// when it cannot be made.
HICON LoadIconAtSize(HINSTANCE module, const wchar_t* name, int size);
