#pragma once
// The floating button: a small topmost window whose button processes the clipboard, with the
// clipboard's preview beside it when widened. It exists while SHOW_FLOATING is set.
#include <windows.h>

// The button's own timers, on its window.
inline constexpr UINT_PTR IDT_FLOATING_HOVER = 1;       // fades the opacity toward its target
inline constexpr UINT_PTR IDT_FLOATING_FOREGROUND = 2;  // gives the foreground back after a click
inline constexpr UINT_PTR IDT_FLOATING_FLASH = 3;       // ends the flash of the icon

inline constexpr UINT kFloatingHoverMs = 17;
inline constexpr UINT kFloatingFollowUpMs = 300;  // both the foreground hand-back and the flash

// Runs the button as a modal dialog without owner; returns once it has been closed. Does nothing
// while a floating button exists.
void RunFloatingButton();

// Ends the floating button, if there is one, as its close box does once confirmed.
void CloseFloatingButton();

// The layered window's opacity, 0 (invisible) to 255 (opaque).
void SetFloatingOpacity(int alpha);

// The opacity the button fades toward has changed from outside (the settings dialog's preview):
// its hover timer, asleep once the fade is done, runs again until the new target is reached.
void WakeFloatingHover();

// The button's images at the DPI of its monitor: the program icon, or the flash shown after a write.
HICON FloatingButtonImage(bool flash);
