#pragma once
// The dialogs' bitmap pictures (the notification areas, the tray icon) are drawn at 200 %; each
// dialog shows them scaled down to fill their frames (the template keeps each frame's size with
// SS_CENTERIMAGE), so they grow with the dialog and stay sharp.
#include <vector>
#include <windows.h>

#include "scoped_win.h"

// The pictures of one dialog: the sources loaded from its template are kept while it lives, so a
// change of DPI (or any change of the frames' sizes) can scale them again.
class DialogPictures {
public:
    // Takes every bitmap picture among the dialog's controls and shows it fitted to its frame.
    void Take(HWND dialog);
    // Scales the kept sources again to the frames as they are now.
    void Refit();
    // Gives the controls nothing to show and releases every bitmap; before the controls go, or after.
    void Clear();

private:
    struct Picture {
        HWND control;
        UniqueGdiObject source;  // as the template loaded it
        UniqueGdiObject shown;   // the scaled copy the control shows
    };
    std::vector<Picture> pictures_;
};

// The largest size of the source's shape that fits in the frame: the picture is not distorted.
SIZE FittedPictureSize(SIZE source, SIZE frame);
