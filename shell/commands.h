#pragma once
// Menu command ids of the tray menu, WM_APP_COMMAND and the hotkeys; the numbers are fixed.
// Plain defines, because the resource compiler reads this header for the menu templates.

#define IDM_FILES_NONE 32775          // copying files or folders does nothing
#define IDM_FILES_NAMES 32776         // ... gives their names as text
#define IDM_FILES_FULLPATHS 32777     // ... gives their full paths as text
#define IDM_EXIT 32778
#define IDM_ABOUT 32779
#define IDM_WATCH_TOGGLE 32780        // monitoring on/off; tray double click, hotkey 1, "/P"
#define IDM_EMPTY_CLIPBOARD 32781     // tray middle click
#define IDM_PROCESS_NOW 32782         // forced processing; tray click, hotkey 2, "/R"
#define IDM_HELP 32783
#define IDM_CONVERT_NONE 32784
#define IDM_CONVERT_FIRST 32785       // one item per table of "Convert.def", at most 100
#define IDM_CONVERT_LAST 32884
#define IDM_DEL_SPACE 32893
#define IDM_DEL_ENTER 32994
#define IDM_DEL_TAB 32995
#define IDM_REGEX 32998
#define IDM_WATCH_OFF 33000           // no menu item: "/P0"
#define IDM_WATCH_ON 33001            // no menu item: "/P1"
#define IDM_TRIM_LEFT 33005
#define IDM_TRIM_RIGHT 33006
#define IDM_SORT_ASC 33007
#define IDM_SORT_DSC 33008
#define IDM_UNIQ 33009
#define IDM_SETTINGS 33016
#define IDM_TRIM_LEFT_FPSPACE 33019
#define IDM_TRIM_RIGHT_FPSPACE 33021
#define IDM_TRIM_LEFT_TAB 33026
#define IDM_TRIM_LEFT_ZERO 33027
#define IDM_TRIM_LEFT_FPZERO 33028
#define IDM_TRIM_RIGHT_TAB 33029
#define IDM_DEL_BLANK_LINE 33034
#define IDM_MULTIDIV 33036            // re-copy a multi-line result line by line
#define IDM_TAB4SPACE 33040
#define IDM_TAB8SPACE 33041
#define IDM_LC_LF 33050
#define IDM_LC_CR 33051
#define IDM_CSV_TRANSPOSE 33055
#define IDM_MULTIPLY 33056
#define IDM_SKIP_NEXT 33100          // "Leave the next copy as it is"; a second start's "/N" arms it
#define IDM_APP_RULES 33101          // "Program rules..."
#define IDM_RESTORE_ORIGINAL 33102   // puts the kept original copy back; hotkey 3, "/U"
#define IDM_PASTE_PLAIN 33103        // no menu item: pastes as plain text; hotkey 4, "/V"
#define IDM_CLEAN_INVISIBLE 33110     // "Clean up text" submenu: CLN_INVISIBLE
#define IDM_CLEAN_SPACES 33111        // CLN_SPACES
#define IDM_CLEAN_QUOTES 33112        // CLN_QUOTES
#define IDM_CLEAN_UNWRAP 33113        // CLN_UNWRAP
#define IDM_NORMALIZE_NONE 33114      // CLN_NORMALIZE 0, 1, 2 as a radio group
#define IDM_NORMALIZE_NFC 33115
#define IDM_NORMALIZE_NFKC 33116
#define IDM_CLEAN_MARKDOWN 33117      // CLN_MARKDOWN, the submenu's first item
