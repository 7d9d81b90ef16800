#pragma once
// The enlarged-dialog mode: a dialog scaled up to fill the work area of its monitor, controls and
// their font alike, and put back when it closes.
#include <windows.h>

#include "scoped_win.h"

// One per dialog kind, process-wide; the created font is given back at program end at the latest.
struct EnlargeState {
    HWND dialog = nullptr;
    HFONT previousFont = nullptr;
    UniqueGdiObject createdFont;
    double scale = 0;  // 0: not enlarged
};

enum EnlargePlacement {
    PlaceUpperLeft = 0,
    PlaceUpperRight = 1,
    PlaceLowerLeft = 2,
    PlaceLowerRight = 3,
    PlaceCentre = 5,
};  // any other value leaves the dialog where it is

// Scales the dialog to the work area of the monitor nearest its upper-left corner.
bool EnlargeDialog(EnlargeState& state, HWND dialog, int placement);
// The same on a given work area (screen coordinates).
bool EnlargeDialogInWorkArea(EnlargeState& state, HWND dialog, int placement, const RECT& workArea);
// Moves the dialog, unchanged in size, to the placement's corner or centre of the work area, and
// keeps it inside; any other placement value leaves it where it is.
void PlaceDialog(HWND dialog, int placement, const RECT& workArea);
// Gives the previous font back to every control, releases the created font and clears the record.
void UndoEnlargeDialog(EnlargeState& state);

extern EnlargeState HotkeyEnlargeState, RegexEnlargeState, MultiplyEnlargeState, SettingsEnlargeState,
    OpeningEnlargeState, AboutEnlargeState;
extern EnlargeState AppRulesEnlargeState;
