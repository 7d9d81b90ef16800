#include "floating_preview.h"

#include <windows.h>

#include "app_state.h"
#include "messages.h"

void RefreshFloatingPreview() {
    if (!FloatingWindow || !FloatingPreview) return;
    // A read-only rich edit refuses the paste, so it is writable just for this.
    SendMessageW(FloatingPreview, EM_SETREADONLY, FALSE, 0);
    SendMessageW(FloatingPreview, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    SendMessageW(FloatingPreview, WM_PASTE, 0, 0);
    SendMessageW(FloatingPreview, EM_SETREADONLY, TRUE, 0);
}

void FlashFloatingButton() {
    if (FloatingWindow) SendMessageW(FloatingWindow, WM_APP_TRAY, 0, 0);
}
