#pragma once
// For dialogs that follow a change of DPI themselves (moved to a monitor of another DPI): their
// controls' font made again for the new DPI, and their controls scaled with it.
#include <windows.h>

#include "dpi.h"
#include "scoped_win.h"

// The font a dialog's controls had at opening, made again at another DPI. Always made from the
// opening font, never from the last one made, so changes back and forth leave no rounding behind.
class DpiFont {
public:
    void Record(HWND control, UINT dpi);  // the font the control holds now, which is right at `dpi`
    // Gives every control of the dialog the recorded font at `dpi`. Returns false when none is recorded.
    bool Apply(HWND dialog, UINT dpi);
    void Release() { made_.reset(); }

private:
    LOGFONTW font_ = {};
    UINT dpi_ = 0;  // 0: nothing recorded
    UniqueGdiObject made_;
};

// Takes the suggested rectangle and scales every control's place, size and font from `from` to
// `to` DPI; a drop-down list keeps its share of its combo box. The window's own size handler
// should not lay out the controls meanwhile.
void RescaleDialog(HWND dialog, DpiFont& font, UINT from, UINT to, const RECT& suggested);
