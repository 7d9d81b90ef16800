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
