#include "opening_dialog.h"

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

// After the enlarged mode has sized the frames, so the pictures fill them.
void OnInitDialog(HWND dialog) {
    if (ProcessingOptions.BIGDIALOG) EnlargeDialog(OpeningEnlargeState, dialog, PlaceCentre);
    openingDpi = DpiOf(dialog);
    openingFont.Record(GetDlgItem(dialog, IDCANCEL), openingDpi);
    TakeOverDialogDpiChanges(dialog);
    openingPictures.Take(dialog);
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
}

// Moved to a monitor of another DPI: the suggested rectangle, the controls and their font scaled,
// and the pictures made again from their sources for the new frames.
void OnDpiChanged(HWND dialog, UINT to, const RECT& suggested) {
    if (to == 0 || to == openingDpi) return;
    RescaleDialog(dialog, openingFont, openingDpi, to, suggested);
    openingDpi = to;
    openingPictures.Refit();
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
        openingFont.Release();  // the controls that used it are gone
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
