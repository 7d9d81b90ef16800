#include "tray_menu.h"

#include <algorithm>

#include "app_state.h"
#include "commands.h"
#include "copy_rules.h"
#include "language.h"
#include "original_copy.h"
#include "resource.h"
#include "scoped_win.h"
#include "text_cleanup.h"

namespace {

UniqueMenu loadedMenu;
HMENU popup = nullptr;
HMENU convertMenu = nullptr;
HMENU deleteMenu = nullptr;

bool AnyLineOption(const ProcessingOptionsRecord& o) {
    return o.FEL_TRIMLEFT || o.FEL_TRIMLEFT_FPSPACE || o.FEL_TRIMLEFT_TAB || o.FEL_TRIMLEFT_ZERO ||
           o.FEL_TRIMLEFT_FPZERO || o.FEL_TRIMRIGHT || o.FEL_TRIMRIGHT_FPSPACE || o.FEL_TRIMRIGHT_TAB ||
           o.FEL_SORTASC || o.FEL_SORTDSC || o.FEL_UNIQ || o.FEL_DELBLANKLINE || o.TAB4SPACE || o.TAB8SPACE ||
           o.LC_LF || o.LC_CR;
}

UINT NormalizeItem(int choice) {
    if (choice == kNormalizeNfkc) return IDM_NORMALIZE_NFKC;
    if (choice == kNormalizeNfc) return IDM_NORMALIZE_NFC;
    return IDM_NORMALIZE_NONE;
}

UINT FilesItem(int fileFolderCopy) {
    if (fileFolderCopy == 2) return IDM_FILES_FULLPATHS;
    if (fileFolderCopy == 1) return IDM_FILES_NAMES;
    return IDM_FILES_NONE;
}

// The first table of that name, compared as the system compares case-sensitively.
int SelectedTable(const std::wstring& name, const std::vector<ConversionTable>& tables) {
    for (size_t i = 0; i < tables.size(); ++i)
        if (lstrcmpW(tables[i].name.c_str(), name.c_str()) == 0) return static_cast<int>(i);
    return -1;
}

void CheckByPosition(HMENU menu, int position, bool on) {
    CheckMenuItem(menu, position, MF_BYPOSITION | (on ? MF_CHECKED : MF_UNCHECKED));
}

void MarkConversionItem(UINT selected) {
    const int count = GetMenuItemCount(convertMenu);
    for (int position = 0; position < count; ++position) {
        if (GetMenuItemID(convertMenu, position) == selected) {
            CheckMenuRadioItem(convertMenu, 0, count - 1, position, MF_BYPOSITION);
            return;
        }
    }
    // The selected table lies past the menu: no item can carry the mark.
    for (int position = 0; position < count; ++position) CheckByPosition(convertMenu, position, false);
}

}  // namespace

bool MenuMarks::IsChecked(UINT command) const {
    const auto found =
        std::find_if(checks.begin(), checks.end(), [command](const auto& check) { return check.first == command; });
    return found != checks.end() && found->second;
}

MenuMarks ComputeMenuMarks(const ProcessingOptionsRecord& o, const std::vector<ConversionTable>& tables) {
    MenuMarks marks;
    const bool multiplies = o.MUL_BY_N != L"1";  // an empty factor counts as multiplying too
    marks.checks = {
        {IDM_WATCH_TOGGLE, !o.CBWatchEnabled},
        {IDM_REGEX, o.REP_REP},
        {IDM_MULTIDIV, o.MultiDiv},
        {IDM_DEL_SPACE, o.DelSpace},
        {IDM_DEL_ENTER, o.DelEnter},
        {IDM_DEL_TAB, o.DelTab},
        {IDM_TRIM_LEFT, o.FEL_TRIMLEFT},
        {IDM_TRIM_LEFT_FPSPACE, o.FEL_TRIMLEFT_FPSPACE},
        {IDM_TRIM_LEFT_TAB, o.FEL_TRIMLEFT_TAB},
        {IDM_TRIM_LEFT_ZERO, o.FEL_TRIMLEFT_ZERO},
        {IDM_TRIM_LEFT_FPZERO, o.FEL_TRIMLEFT_FPZERO},
        {IDM_TRIM_RIGHT, o.FEL_TRIMRIGHT},
        {IDM_TRIM_RIGHT_FPSPACE, o.FEL_TRIMRIGHT_FPSPACE},
        {IDM_TRIM_RIGHT_TAB, o.FEL_TRIMRIGHT_TAB},
        {IDM_SORT_ASC, o.FEL_SORTASC},
        {IDM_SORT_DSC, o.FEL_SORTDSC && !o.FEL_SORTASC},
        {IDM_UNIQ, o.FEL_UNIQ},
        {IDM_DEL_BLANK_LINE, o.FEL_DELBLANKLINE},
        {IDM_TAB4SPACE, o.TAB4SPACE},
        {IDM_TAB8SPACE, o.TAB8SPACE && !o.TAB4SPACE},
        {IDM_LC_LF, o.LC_LF},
        {IDM_LC_CR, o.LC_CR},
        {IDM_CSV_TRANSPOSE, o.CSVTSV_CHANGEROWCOL},
        {IDM_MULTIPLY, multiplies},
        {IDM_SKIP_NEXT, SkipNextCopyArmed()},
        {IDM_CLEAN_MARKDOWN, o.CLN_MARKDOWN},
        {IDM_CLEAN_INVISIBLE, o.CLN_INVISIBLE},
        {IDM_CLEAN_SPACES, o.CLN_SPACES},
        {IDM_CLEAN_QUOTES, o.CLN_QUOTES},
        {IDM_CLEAN_UNWRAP, o.CLN_UNWRAP},
    };
    marks.processNowEnabled = !o.CBWatchEnabled;
    marks.filesItem = FilesItem(o.FileFolderCopy);
    const int table = SelectedTable(o.StrConvID, tables);
    if (table < 0) marks.conversionItem = IDM_CONVERT_NONE;
    else if (table < kConversionMenuItems) marks.conversionItem = IDM_CONVERT_FIRST + table;
    marks.convertSubmenu = table >= 0;
    marks.deleteSubmenu = o.DelSpace || o.DelEnter || o.DelTab;
    marks.lineSubmenu = AnyLineOption(o);
    marks.filesSubmenu = o.FileFolderCopy != 0;
    marks.csvSubmenu = o.CSVTSV_CHANGEROWCOL || multiplies;
    marks.normalizeItem = NormalizeItem(o.CLN_NORMALIZE);
    marks.cleanupSubmenu = CleanupWanted(o);
    return marks;
}

void LoadTrayMenu() {
    const int resource = LanguageMode == Language::Japanese ? IDR_TRAY_MENU_JA : IDR_TRAY_MENU_EN;
    loadedMenu.reset(LoadMenuW(ProgramInstance, MAKEINTRESOURCEW(resource)));
    popup = GetSubMenu(loadedMenu.get(), 0);
    SetMenuDefaultItem(popup, 0, TRUE);
    convertMenu = GetSubMenu(popup, kConvertMenuPosition);
    deleteMenu = GetSubMenu(popup, kDeleteMenuPosition);
}

void DestroyTrayMenu() {
    loadedMenu.reset();
    popup = convertMenu = deleteMenu = nullptr;
}

HMENU TrayPopup() { return popup; }
HMENU ConversionMenu() { return convertMenu; }
HMENU DeleteCharactersMenu() { return deleteMenu; }

int CleanupMenuPosition() {
    const int count = popup ? GetMenuItemCount(popup) : 0;
    for (int position = 0; position < count; ++position) {
        const HMENU submenu = GetSubMenu(popup, position);
        if (submenu && GetMenuItemID(submenu, 0) == IDM_CLEAN_MARKDOWN) return position;
    }
    return -1;
}

void FillConversionMenu(const std::vector<ConversionTable>& tables, bool loaded) {
    const int shown = loaded ? static_cast<int>(std::min<size_t>(tables.size(), kConversionMenuItems)) : 0;
    for (int id = IDM_CONVERT_LAST; id >= IDM_CONVERT_FIRST + shown; --id) DeleteMenu(convertMenu, id, MF_BYCOMMAND);
    for (int i = 0; i < shown; ++i) {
        const std::wstring& text = LanguageMode == Language::Japanese ? tables[i].label : tables[i].name;
        ModifyMenuW(convertMenu, IDM_CONVERT_FIRST + i, MF_BYCOMMAND | MF_STRING, IDM_CONVERT_FIRST + i, text.c_str());
    }
}

void ApplyMenuMarks(const MenuMarks& marks) {
    for (const auto& [command, on] : marks.checks)
        CheckMenuItem(popup, command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(popup, IDM_PROCESS_NOW, MF_BYCOMMAND | (marks.processNowEnabled ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(popup, IDM_RESTORE_ORIGINAL, MF_BYCOMMAND | (marks.restoreEnabled ? MF_ENABLED : MF_GRAYED));
    CheckMenuRadioItem(GetSubMenu(popup, kFilesMenuPosition), IDM_FILES_NONE, IDM_FILES_FULLPATHS, marks.filesItem,
                       MF_BYCOMMAND);
    MarkConversionItem(marks.conversionItem);
    CheckByPosition(popup, kConvertMenuPosition, marks.convertSubmenu);
    CheckByPosition(popup, kDeleteMenuPosition, marks.deleteSubmenu);
    CheckByPosition(popup, kLineMenuPosition, marks.lineSubmenu);
    CheckByPosition(popup, kFilesMenuPosition, marks.filesSubmenu);
    CheckByPosition(popup, kCsvMenuPosition, marks.csvSubmenu);
    if (const int cleanup = CleanupMenuPosition(); cleanup >= 0) {
        CheckMenuRadioItem(GetSubMenu(popup, cleanup), IDM_NORMALIZE_NONE, IDM_NORMALIZE_NFKC, marks.normalizeItem,
                           MF_BYCOMMAND);
        CheckByPosition(popup, cleanup, marks.cleanupSubmenu);
    }
}

UINT TrackTrayMenu(HWND window, POINT at) {
    MenuMarks marks = ComputeMenuMarks(ProcessingOptions, ConversionSet);
    marks.restoreEnabled = HasKeptOriginal(window);
    ApplyMenuMarks(marks);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(window);
    const UINT command = static_cast<UINT>(TrackPopupMenu(
        popup, TPM_RETURNCMD | TPM_NONOTIFY | TPM_BOTTOMALIGN | TPM_RIGHTALIGN, at.x, at.y, 0, window, nullptr));
    PostMessageW(window, WM_NULL, 0, 0);  // lets the menu close properly on the next click elsewhere
    return command;
}
