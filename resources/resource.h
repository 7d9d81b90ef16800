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

// Dialog templates of the menu and settings; Japanese first
#define IDD_HOTKEYS_JA 134
#define IDD_HOTKEYS_EN 135
#define IDD_REGEX_JA 136
#define IDD_REGEX_EN 137
#define IDD_SETTINGS_JA 138
#define IDD_SETTINGS_EN 139
#define IDD_MULTIPLY_JA 141
#define IDD_MULTIPLY_EN 142

// The floating button: one template for both languages, without texts
#define IDD_FLOATING 140

// Controls
#define IDC_FORCE_EXIT 6            // already-running dialog; the dialog ends with this id
#define IDC_NO_OPENING_DLG 1038     // opening dialog: "do not show again"
#define IDC_WARNING_PICTURE 1039    // already-running dialog: the system warning icon

// Hotkey dialog: hotkey 1 toggles monitoring, hotkey 2 processes the clipboard
#define IDC_HOTKEY1_SHIFT 1000
#define IDC_HOTKEY1_CTRL 1001
#define IDC_HOTKEY1_ALT 1002
#define IDC_HOTKEY1_KEY 1003
#define IDC_HOTKEY2_SHIFT 1004
#define IDC_HOTKEY2_CTRL 1005
#define IDC_HOTKEY2_ALT 1006
#define IDC_HOTKEY2_KEY 1007
// ... and hotkey 3 restores the original copy, in a row below the others
#define IDC_HOTKEY3_SHIFT 1042
#define IDC_HOTKEY3_CTRL 1043
#define IDC_HOTKEY3_ALT 1044
#define IDC_HOTKEY3_KEY 1045
// ... and hotkey 4 pastes as plain text, in a row below hotkey 3
#define IDC_HOTKEY4_SHIFT 1046
#define IDC_HOTKEY4_CTRL 1047
#define IDC_HOTKEY4_ALT 1048
#define IDC_HOTKEY4_KEY 1049

// Regular-expression dialog
#define IDC_REGEX_BEFORE 1005          // pattern, with the "cbq_before" history
#define IDC_REGEX_AFTER 1006           // format, with the "cbq_after" history
#define IDC_REGEX_ICASE 1007
#define IDC_REGEX_ON 1008
#define IDC_REGEX_SINGLELINE 1009
#define IDC_REGEX_NOTDOTNEWLINE 1010
#define IDC_REGEX_TEMPLATE 1011
#define IDC_REGEX_TEMPLATE_LABEL 1032
#define IDC_REGEX_BEFORE_LABEL 1033
#define IDC_REGEX_AFTER_LABEL 1034

// Multiply-by-N dialog
#define IDC_MULTIPLY_FACTOR 1035

// Settings dialog
#define IDC_SETTINGS_CMDLINE_BROWSE 1015
#define IDC_SETTINGS_CMDLINE_LABEL 1017    // Japanese only
#define IDC_SETTINGS_CHARCODE_LABEL 1018
#define IDC_SETTINGS_FEEDBACK 1019
#define IDC_SHOW_FLOATING 1013             // the floating button's close unchecks it and sends it
#define IDC_SETTINGS_OPACITY_LABEL 1020
#define IDC_SETTINGS_OPACITY 1021          // trackbar: ALPHA_FLOATING
#define IDC_SETTINGS_OPACITY_HIGH 1022
#define IDC_SETTINGS_OPACITY_LOW 1023
#define IDC_SETTINGS_MOUSEOVER_LABEL 1024
#define IDC_SETTINGS_MOUSEOVER_OPACITY 1025  // trackbar: ALPHA_FLOATING2
#define IDC_SETTINGS_USE_CMDLINE 1026
#define IDC_SETTINGS_CMDLINE 1027
#define IDC_SETTINGS_CHARCODE_ANSI 1028
#define IDC_SETTINGS_CHARCODE_UTF16 1029
#define IDC_SETTINGS_CHARCODE_UTF8 1030
#define IDC_SETTINGS_DELAY 1031
#define IDC_SETTINGS_INTERVAL 1034         // MultiDivSec
#define IDC_SETTINGS_SOUND_FILE 1036
#define IDC_SETTINGS_SOUND_BROWSE 1037
#define IDC_SETTINGS_BIGDIALOG 1041        // Japanese only
#define IDC_SETTINGS_STARTUP 32891
#define IDC_SETTINGS_CONFIRM_CLOSE 32892
#define IDC_SETTINGS_HOTKEYS 32996
#define IDC_SETTINGS_BALLOON 33012
#define IDC_SETTINGS_SOUND 33013

// Floating button; its button carries the id of the command it runs, 32782
#define IDC_FLOATING_PREVIEW 1040      // the clipboard preview, a read-only rich edit

// Program rules dialog
#define IDD_APP_RULES_JA 150
#define IDD_APP_RULES_EN 151
#define IDC_APP_RULE_NONE 1050           // APP_RULE 0
#define IDC_APP_RULE_LEAVE 1051          // APP_RULE 1
#define IDC_APP_RULE_ONLY 1052           // APP_RULE 2
#define IDC_APP_LIST 1053                // APP_LIST, one name per line
#define IDC_APP_NAME 1054                // a name typed for Add
#define IDC_APP_ADD 1055
#define IDC_APP_REMOVE 1056
#define IDC_APP_BROWSE 1057
#define IDC_APP_RECENT_FIRST 1058        // one button per recent program, newest first
#define IDC_APP_RECENT_LAST 1067
#define IDC_APP_RECENT_LABEL 1068
#define IDC_APP_LIST_LABEL 1069

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
