#pragma once
// Resource identifiers shared by the code and both languages' templates; the numbers are fixed.

#define IDR_VERSION 1

// Icons and bitmaps
#define IDI_PROGRAM 107
#define IDI_TRAY_ON 131
#define IDI_TRAY_OFF 132
#define IDI_TRAY_DONE 133
#define IDB_TRAY_ICON_PICTURE 142
#define IDB_NOTIFY_AREA_7 143
#define IDB_NOTIFY_AREA_10 144

// Menus: one popup, the tray menu
#define IDR_TRAY_MENU_JA 129
#define IDR_TRAY_MENU_EN 130

// Dialog templates of the start
#define IDD_ALREADY_RUNNING_JA 145
#define IDD_ALREADY_RUNNING_EN 146
#define IDD_OPENING 147  // Japanese only

// Controls
#define IDC_FORCE_EXIT 6            // already-running dialog; the dialog ends with this id
#define IDC_NO_OPENING_DLG 1038     // opening dialog: "do not show again"
#define IDC_WARNING_PICTURE 1039    // already-running dialog: the system warning icon

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
