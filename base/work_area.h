#pragma once
// Keeps windows the program places itself on a screen: every placement rule ends here.
#include <windows.h>

// `rect` moved (not resized) inside `workArea`; when it is wider or taller, its left or top edge
// meets the work area's, so the title bar stays reachable.
RECT PlaceInsideWorkArea(const RECT& rect, const RECT& workArea);

// The work area of the monitor nearest `rect` (screen coordinates).
RECT NearestWorkArea(const RECT& rect);

// Moves the window inside the work area of its nearest monitor.
void MoveInsideWorkArea(HWND window);
