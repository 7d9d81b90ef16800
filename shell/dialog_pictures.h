#pragma once
// The dialogs' bitmap pictures (the notification areas, the tray icon) are drawn at 200 %; each
// dialog shows them scaled down to its own DPI, so they grow with the dialog and stay sharp.
#include <vector>
#include <windows.h>

#include "scoped_win.h"

inline constexpr UINT kPictureDrawnDpi = 192;

// The scaled bitmaps the dialog's pictures show; they must outlive the dialog's controls.
using DialogPictures = std::vector<UniqueGdiObject>;

// Scales every bitmap picture among the dialog's controls from 192 DPI to the dialog's DPI.
DialogPictures ScaleDialogPictures(HWND dialog);
