#pragma once
// The notification-area icon of the main window, and the balloon that shows PendingNotification.
#include <string>
#include <windows.h>

void AddTrayIcon(HWND window, int iconResource);
void ModifyTrayIcon(HWND window, int iconResource);
void DeleteTrayIcon(HWND window);

// Icon 131 while monitoring is on, 132 while it is off.
int WatchStateIcon();
// Icon 133 for a moment after a successful write; IDT_ICON_RESTORE brings the state icon back.
void FlashTrayIcon(HWND window);
void RestoreTrayIcon(HWND window);

// The balloon: the first 255 characters, title AppDisplayName, icon by severity, 3000 ms.
// Installed as PendingNotification's show function by the main window.
void ShowTrayBalloon(void* window, const std::wstring& text, unsigned severity);
