#include "tray.h"

#include <shellapi.h>

#include "app_state.h"
#include "messages.h"
#include "options.h"
#include "resource.h"

namespace {

int currentIcon = 0;
TrayBalloon lastBalloon;

HICON LoadSharedIcon(int iconResource) {
    return static_cast<HICON>(LoadImageW(ProgramInstance, MAKEINTRESOURCEW(iconResource), IMAGE_ICON, 0, 0,
                                         LR_DEFAULTSIZE | LR_SHARED));
}

NOTIFYICONDATAW TrayData(HWND window) {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = kTrayIconId;
    return data;
}

// Failures are not checked: the icon comes back when the task bar announces itself again.
void NotifyIcon(DWORD message, HWND window, int iconResource) {
    NOTIFYICONDATAW data = TrayData(window);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_APP_TRAY;
    data.hIcon = LoadSharedIcon(iconResource);
    lstrcpynW(data.szTip, AppDisplayName.c_str(), ARRAYSIZE(data.szTip));
    Shell_NotifyIconW(message, &data);
    currentIcon = iconResource;
}

}  // namespace

void AddTrayIcon(HWND window, int iconResource) { NotifyIcon(NIM_ADD, window, iconResource); }

void ModifyTrayIcon(HWND window, int iconResource) { NotifyIcon(NIM_MODIFY, window, iconResource); }

void DeleteTrayIcon(HWND window) {
    NOTIFYICONDATAW data = TrayData(window);
    Shell_NotifyIconW(NIM_DELETE, &data);
    currentIcon = 0;
}

int CurrentTrayIcon() { return currentIcon; }

int WatchStateIcon() { return ProcessingOptions.CBWatchEnabled ? IDI_TRAY_ON : IDI_TRAY_OFF; }

void FlashTrayIcon(HWND window) {
    ModifyTrayIcon(window, IDI_TRAY_DONE);
    SetTimer(window, IDT_ICON_RESTORE, kIconRestoreMs, nullptr);
}

void RestoreTrayIcon(HWND window) {
    KillTimer(window, IDT_ICON_RESTORE);
    ModifyTrayIcon(window, WatchStateIcon());
}

void ShowTrayBalloon(const std::wstring& text, unsigned severity) {
    if (!MainWindow) return;  // nothing carries a balloon before the window exists or after it is gone
    NOTIFYICONDATAW data = TrayData(MainWindow);
    data.uFlags = NIF_INFO;
    lstrcpynW(data.szInfo, text.c_str(), ARRAYSIZE(data.szInfo));  // 255 characters and the NUL
    lstrcpynW(data.szInfoTitle, AppDisplayName.c_str(), ARRAYSIZE(data.szInfoTitle));
    data.dwInfoFlags = severity;  // 1 info, 2 warning, 3 error: the NIIF_ values themselves
    data.uTimeout = 3000;
    Shell_NotifyIconW(NIM_MODIFY, &data);
    lastBalloon = {data.szInfo, data.szInfoTitle, data.dwInfoFlags, data.uTimeout};
}

const TrayBalloon& LastTrayBalloon() { return lastBalloon; }
