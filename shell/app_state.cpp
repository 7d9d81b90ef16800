#include "app_state.h"

#include "resource.h"

HINSTANCE ProgramInstance = nullptr;
HWND MainWindow = nullptr;
ProgramIconSet ProgramIcons;
HWND FloatingWindow = nullptr;
HWND FloatingPreview = nullptr;
HWND SettingsDialogWindow = nullptr;
FloatingOpacityPreview OpacityPreview;

namespace {
HICON LoadSharedIcon(HINSTANCE instance, int resource, int size) {
    const UINT sizing = size == 0 ? LR_DEFAULTSIZE : 0;
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, sizing | LR_SHARED));
}
}  // namespace

void LoadProgramIcons(HINSTANCE instance) {
    ProgramIcons.program = LoadSharedIcon(instance, IDI_PROGRAM, 0);
    ProgramIcons.trayOn = LoadSharedIcon(instance, IDI_TRAY_ON, 0);
    ProgramIcons.trayOff = LoadSharedIcon(instance, IDI_TRAY_OFF, 0);
    ProgramIcons.trayDone = LoadSharedIcon(instance, IDI_TRAY_DONE, 0);
    ProgramIcons.trayDone32 = LoadSharedIcon(instance, IDI_TRAY_DONE, 32);
}

void SetDialogIcons(HWND dialog) {
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcons.program));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ProgramIcons.trayOn));
}
