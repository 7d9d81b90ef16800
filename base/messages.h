#pragma once
// Private window messages, timers and hotkey ids of the main window; the numbers are fixed.
#include <windows.h>

inline constexpr UINT WM_APP_TRAY = WM_APP + 2;     // tray callback; also sent by the floating button
inline constexpr UINT WM_APP_COMMAND = WM_APP + 4;  // wParam: a menu command id (second start, hotkeys)

inline constexpr UINT kTrayIconId = 156544;

inline constexpr UINT_PTR IDT_CLICK = 98416;           // single-click detection, the double-click time
inline constexpr UINT_PTR IDT_CHAIN_REFRESH = 316548;  // viewer-chain re-join, 30000 ms
inline constexpr UINT_PTR IDT_DELAY = 455511;          // delayed processing, and the single 500 ms retry
inline constexpr UINT_PTR IDT_ICON_RESTORE = 457411;   // back from the just-processed icon, 300 ms
inline constexpr UINT_PTR IDT_MULTIDIV = 954012;       // one step of the timed re-copy
inline constexpr UINT_PTR IDT_RESTORE_RETRY = 455512;  // the single 500 ms retry of a restore
inline constexpr UINT_PTR IDT_PASTE_RESTORE = 455513;  // a plain paste's copy goes back, PASTE_RESTORE_MS

inline constexpr UINT kChainRefreshMs = 30000;
inline constexpr UINT kIconRestoreMs = 300;
inline constexpr UINT kRetryDelayMs = 500;

inline constexpr int kHotkeyToggleWatch = 1;   // posts command 32780
inline constexpr int kHotkeyProcessNow = 2;    // posts command 32782
inline constexpr int kHotkeyRestoreOriginal = 3;  // posts command 33102
inline constexpr int kHotkeyPastePlain = 4;       // posts command 33103
