#pragma once
// What the clipboard service shows on the floating button, through the functions the main window
// installs: each does nothing while the button (or its preview) does not exist.

// Pastes the clipboard into the preview, so rich text keeps its formatting there.
void RefreshFloatingPreview();

// Tells the button the clipboard has just been rewritten; it flashes its icon.
void FlashFloatingButton();
