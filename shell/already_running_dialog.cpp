#include "already_running_dialog.h"

#include "commands.h"
#include "dialog_host.h"
#include "dialog_pictures.h"
#include "dpi.h"
#include "messages.h"
#include "resource.h"
#include "startup.h"

namespace {

DialogPictures runningPictures;  // while the dialog is open
UniqueIcon warningIcon;          // the system's warning icon at the dialog's DPI, while it is open

// The system's icon is made for the system DPI; the dialog's monitor may have another.
void ShowWarningIcon(HWND dialog) {
    HICON icon = LoadIconAtSize(nullptr, IDI_WARNING, ScaleForDpi(32, DpiOf(dialog)));
    SendDlgItemMessageW(dialog, IDC_WARNING_PICTURE, STM_SETICON,
                        reinterpret_cast<WPARAM>(icon ? icon : LoadIconW(nullptr, IDI_WARNING)), 0);
    warningIcon.reset(icon);
}

// False: the focus is set here, on Cancel, so an Enter pressed by accident ends nothing.
BOOL OnInitDialog(HWND dialog) {
    SetForegroundWindow(dialog);
    MessageBeep(0);
    ShowWarningIcon(dialog);
    runningPictures.Take(dialog);
    SetFocus(GetDlgItem(dialog, IDCANCEL));
    return FALSE;
}

// Asked once this dialog is gone, so it does not stand frozen while the settings are open.
void OpenRunningSettings() {
    HWND running = FindWindowW(kInstanceName, nullptr);
    if (!running) return;
    DWORD processId = 0;
    GetWindowThreadProcessId(running, &processId);
    AllowSetForegroundWindow(processId);  // its settings dialog may then come to the front
    SendMessageW(running, WM_APP_COMMAND, IDM_SETTINGS, 0);
}

void OnCommand(HWND dialog, WORD command) {
    switch (command) {
    case IDC_FORCE_EXIT:
    case IDCANCEL:
    case IDM_SETTINGS:
        EndDialog(dialog, command);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK AlreadyRunningDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR RunAlreadyRunningDialog() {
    const INT_PTR result = RunModalDialog(nullptr, IDD_ALREADY_RUNNING_JA, IDD_ALREADY_RUNNING_EN, AlreadyRunningDlgProc);
    runningPictures.Clear();
    warningIcon.reset();
    if (result == IDM_SETTINGS) OpenRunningSettings();
    return result;
}
