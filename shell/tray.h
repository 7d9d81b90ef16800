#pragma once
// The notification-area icon of the main window, and the balloon that shows PendingNotification.
#include <string>
#include <windows.h>

// Each returns whether the shell accepted the call.
bool AddTrayIcon(HWND window, int iconResource);
bool ModifyTrayIcon(HWND window, int iconResource);
bool DeleteTrayIcon(HWND window);
// The icon resource last added or set on the tray, whether or not the shell took it; 0 after
// DeleteTrayIcon.
int CurrentTrayIcon();
// Whether the shell accepted the last add, modify or delete of the icon.
bool LastTrayIconCallAccepted();

// Icon 131 while monitoring is on, 132 while it is off.
int WatchStateIcon();
// Icon 133 for a moment after a successful write; IDT_ICON_RESTORE brings the state icon back.
void FlashTrayIcon(HWND window);
void RestoreTrayIcon(HWND window);

// The balloon last handed to the shell, as it was handed.
struct TrayBalloon {
    std::wstring text;
    std::wstring title;
    DWORD iconFlags = 0;
    UINT timeoutMs = 0;
    bool accepted = false;  // the shell took it
};
const TrayBalloon& LastTrayBalloon();

// Forgets the recorded icon and balloon, so a new main window starts from nothing.
void ForgetTrayRecord();

// The balloon on the main window's icon: the first 255 characters, title AppDisplayName, icon by
// severity, 3000 ms. Installed as PendingNotification's show function by the main window.
void ShowTrayBalloon(const std::wstring& text, unsigned severity);
