#include "opening_dialog.h"

#include "dialog_host.h"
#include "dialog_pictures.h"
#include "enlarge_dialog.h"
#include "options.h"
#include "resource.h"
#include "settings.h"

namespace {

HWND openingDialog = nullptr;
DialogPictures openingPictures;

void OnClose(HWND dialog) {
    if (IsDlgButtonChecked(dialog, IDC_NO_OPENING_DLG) == BST_CHECKED) {
        ProcessingOptions.NoOpeningDlg = true;
        SaveSettings();  // stored at once, not only at exit
    }
    DestroyWindow(dialog);
}

INT_PTR CALLBACK OpeningDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        openingPictures = ScaleDialogPictures(dialog);
        if (ProcessingOptions.BIGDIALOG) EnlargeDialog(OpeningEnlargeState, dialog, PlaceCentre);
        ShowWindow(dialog, SW_SHOW);
        SetForegroundWindow(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) OnClose(dialog);  // the button, Escape and the close box
        return TRUE;
    case WM_DESTROY:
        if (OpeningEnlargeState.scale != 0) UndoEnlargeDialog(OpeningEnlargeState);
        if (openingDialog == dialog) openingDialog = nullptr;
        openingPictures.clear();
        return TRUE;
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
