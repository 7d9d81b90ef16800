#pragma once
// The tray popup menu (resource 129 or 130): loading, the conversion items, the marks, tracking.
#include <utility>
#include <vector>
#include <windows.h>

#include "conversion.h"
#include "options.h"

// Positions of the submenus in the popup (four added items stand above them).
inline constexpr int kConvertMenuPosition = 7;
inline constexpr int kDeleteMenuPosition = 8;
inline constexpr int kLineMenuPosition = 10;
inline constexpr int kFilesMenuPosition = 11;
inline constexpr int kCsvMenuPosition = 12;
inline constexpr int kConversionMenuItems = 100;  // tables past the first 100 get no item

// What the menu shows for a set of options, computed apart from any menu so it can be checked.
struct MenuMarks {
    std::vector<std::pair<UINT, bool>> checks;  // check mark by command
    bool processNowEnabled = false;
    bool restoreEnabled = false;  // a kept original copy belongs to what the clipboard holds
    UINT filesItem = 0;       // radio mark among 32775-32777
    UINT conversionItem = 0;  // radio mark among 32784-32884; 0 when the table has no item
    bool convertSubmenu = false;
    bool deleteSubmenu = false;
    bool lineSubmenu = false;
    bool filesSubmenu = false;
    bool csvSubmenu = false;
    UINT normalizeItem = 0;  // radio mark among 33114-33116
    bool cleanupSubmenu = false;

    bool IsChecked(UINT command) const;
};

MenuMarks ComputeMenuMarks(const ProcessingOptionsRecord& options, const std::vector<ConversionTable>& tables);

// Loads the menu of the current language and makes its first item the default.
void LoadTrayMenu();
void DestroyTrayMenu();
HMENU TrayPopup();
HMENU ConversionMenu();
HMENU DeleteCharactersMenu();
// Position in the popup of the "Clean up text" submenu, found by its first command; -1 without it.
int CleanupMenuPosition();

// Gives the first 100 tables their items and deletes the placeholders left over; without a
// loaded file every placeholder goes and only 32784 remains.
void FillConversionMenu(const std::vector<ConversionTable>& tables, bool loaded);

void ApplyMenuMarks(const MenuMarks& marks);

// Marks the menu for the current options and tracks it at `at`; returns the command chosen or 0.
UINT TrackTrayMenu(HWND window, POINT at);
