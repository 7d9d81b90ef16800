#pragma once
// The notification-area icon of the main window, and the balloon that shows PendingNotification.
#include <string>
#include <windows.h>

void AddTrayIcon(HWND window, int iconResource);
void ModifyTrayIcon(HWND window, int iconResource);
void DeleteTrayIcon(HWND window);
// The icon resource last added or set on the tray; 0 after DeleteTrayIcon.
int CurrentTrayIcon();

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
};
const TrayBalloon& LastTrayBalloon();

// The balloon on the main window's icon: the first 255 characters, title AppDisplayName, icon by
// severity, 3000 ms. Installed as PendingNotification's show function by the main window.
void ShowTrayBalloon(const std::wstring& text, unsigned severity);
