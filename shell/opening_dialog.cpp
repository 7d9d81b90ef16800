#include "opening_dialog.h"

#include "app_state.h"
#include "dialog_dpi.h"
#include "dialog_host.h"
#include "dialog_pictures.h"
#include "enlarge_dialog.h"
#include "options.h"
#include "resource.h"
#include "settings.h"

namespace {

HWND openingDialog = nullptr;
DialogPictures openingPictures;  // their 200 % sources stay while the dialog is open
UINT openingDpi = kBaseDpi;      // of the monitor the dialog is on, as last told
DpiFont openingFont;
UniqueIcon openingIcon;          // the program icon the dialog shows, made for its DPI

// The template's icon control holds the program icon at the system DPI's size.
void ShowProgramIcon(HWND dialog) {
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if ((GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        UniqueIcon icon(LoadIconAtSize(ProgramInstance, MAKEINTRESOURCEW(IDI_PROGRAM), ScaleForDpi(32, openingDpi)));
        if (!icon) return;
        SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
        openingIcon = std::move(icon);  // the one shown before is released only now
        return;
    }
}

// After the enlarged mode has sized the frames, so the pictures fill them.
void OnInitDialog(HWND dialog) {
    if (ProcessingOptions.BIGDIALOG) EnlargeDialog(OpeningEnlargeState, dialog, PlaceCentre);
    openingDpi = DpiOf(dialog);
    openingFont.Record(GetDlgItem(dialog, IDCANCEL), openingDpi);
    TakeOverDialogDpiChanges(dialog);
    openingPictures.Take(dialog);
    ShowProgramIcon(dialog);
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
}

// Moved to a monitor of another DPI: the suggested rectangle, the controls and their font scaled,
// the pictures made again from their sources for the new frames, and the icon for the new DPI.
void OnDpiChanged(HWND dialog, UINT to, const RECT& suggested) {
    if (to == 0 || to == openingDpi) return;
    RescaleDialog(dialog, openingFont, openingDpi, to, suggested);
    openingDpi = to;
    openingPictures.Refit();
    ShowProgramIcon(dialog);
}

void OnClose(HWND dialog) {
    if (IsDlgButtonChecked(dialog, IDC_NO_OPENING_DLG) == BST_CHECKED) {
        ProcessingOptions.NoOpeningDlg = true;
        SaveSettings();  // stored at once, not only at exit
    }
    DestroyWindow(dialog);
}

INT_PTR CALLBACK OpeningDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_DPICHANGED:
        OnDpiChanged(dialog, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) OnClose(dialog);  // the button, Escape and the close box
        return TRUE;
    case WM_DESTROY:
        if (OpeningEnlargeState.scale != 0) UndoEnlargeDialog(OpeningEnlargeState);
        if (openingDialog == dialog) openingDialog = nullptr;
        openingPictures.Clear();
        return TRUE;
    case WM_NCDESTROY:
        openingFont.Release();  // the controls that used them are gone
        openingIcon.reset();
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void OpenOpeningDialog(HWND owner) {
    if (openingDialog) return;
    openingDialog = CreateModelessDialog(owner, IDD_OPENING, OpeningDlgProc);
}

void CloseOpeningDialog() {
    if (openingDialog) DestroyWindow(openingDialog);
}

HWND OpeningDialogWindow() { return openingDialog; }

bool IsOpeningDialogMessage(MSG& message) {
    return openingDialog && IsDialogMessageW(openingDialog, &message);
}
