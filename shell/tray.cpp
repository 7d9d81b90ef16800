#include "tray.h"

#include <shellapi.h>

#include "app_state.h"
#include "messages.h"
#include "options.h"
#include "resource.h"

namespace {

int currentIcon = 0;
bool lastIconCallAccepted = false;
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

// A refusal changes nothing else: the icon comes back when the task bar announces itself again.
bool NotifyIcon(DWORD message, HWND window, int iconResource) {
    NOTIFYICONDATAW data = TrayData(window);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_APP_TRAY;
    data.hIcon = LoadSharedIcon(iconResource);
    lstrcpynW(data.szTip, AppDisplayName.c_str(), ARRAYSIZE(data.szTip));
    lastIconCallAccepted = Shell_NotifyIconW(message, &data) != FALSE;
    currentIcon = iconResource;
    return lastIconCallAccepted;
}

}  // namespace

bool AddTrayIcon(HWND window, int iconResource) { return NotifyIcon(NIM_ADD, window, iconResource); }

bool ModifyTrayIcon(HWND window, int iconResource) { return NotifyIcon(NIM_MODIFY, window, iconResource); }

bool DeleteTrayIcon(HWND window) {
    NOTIFYICONDATAW data = TrayData(window);
    lastIconCallAccepted = Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
    currentIcon = 0;
    return lastIconCallAccepted;
}

int CurrentTrayIcon() { return currentIcon; }

bool LastTrayIconCallAccepted() { return lastIconCallAccepted; }

void ForgetTrayRecord() {
    currentIcon = 0;
    lastIconCallAccepted = false;
    lastBalloon = TrayBalloon();
}

int WatchStateIcon() { return ProcessingOptions.CBWatchEnabled ? IDI_TRAY_ON : IDI_TRAY_OFF; }

void FlashTrayIcon(HWND window) {
    // A write soon after another finds the icon still showing the last one: the shell is not asked
    // to draw it again (a call that waits for the task bar to repaint), it only stays a while longer.
    if (currentIcon != IDI_TRAY_DONE || !lastIconCallAccepted) ModifyTrayIcon(window, IDI_TRAY_DONE);
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
    const bool accepted = Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
    lastBalloon = {data.szInfo, data.szInfoTitle, data.dwInfoFlags, data.uTimeout, accepted};
}

const TrayBalloon& LastTrayBalloon() { return lastBalloon; }
