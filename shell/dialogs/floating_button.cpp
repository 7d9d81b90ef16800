#include "floating_button.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "anchor_layout.h"
#include "app_state.h"
#include "commands.h"
#include "dialog_controls.h"
#include "dialog_dpi.h"
#include "dialog_host.h"
#include "dpi.h"
#include "floating_preview.h"
#include "language.h"
#include "message_box.h"
#include "messages.h"
#include "options.h"
#include "resource.h"
#include "scoped_win.h"
#include "settings.h"
#include "work_area.h"

namespace {

// Only the preview follows the window's size; the button keeps its place.
constexpr AnchorEntry kFloatingLayout[] = {{IDC_FLOATING_PREVIEW, AnchorStretchBoth}};

struct FloatingButtonState {
    WNDPROC buttonProcedure = nullptr;  // the button's own, called for all it does not forward
    WNDPROC previewProcedure = nullptr;  // the preview's own; we only listen for the pointer there
    HWND lastForeground = nullptr;      // the window the user worked in before using the button
    bool confirmingClose = false;
    bool hoverAwake = false;  // the hover timer is running
    std::unique_ptr<AnchorLayout> layout;
    UINT dpi = kBaseDpi;        // the DPI of the monitor the button is on, as last told
    UniqueIcon icon, flashIcon;  // the program icon and the flash, sized for the button at that DPI
    DpiFont font;                // the template's font, made again for each new DPI
};
FloatingButtonState floating;

void SetAlpha(HWND window, int alpha) {
    SetLayeredWindowAttributes(window, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
}

void ShowButtonImage(HWND window, HICON icon) {
    SendDlgItemMessageW(window, IDM_PROCESS_NOW, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

// As large as the button holds whole inside its edge, and no larger than 32 at 96 DPI.
int IconSizeFor(HWND button, UINT dpi) {
    RECT client = {};
    GetClientRect(button, &client);
    const int room = std::min(client.right, client.bottom) - ScaleForDpi(8, dpi);
    return std::max(1, std::min(room, ScaleForDpi(32, dpi)));
}

// Loaded at the wanted size, so the icon is drawn from its nearest larger image, never stretched.
HICON LoadIconSized(int resource, int size) {
    return static_cast<HICON>(LoadImageW(ProgramInstance, MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, 0));
}

void LoadButtonIcons(HWND window) {
    const int size = IconSizeFor(GetDlgItem(window, IDM_PROCESS_NOW), floating.dpi);
    floating.icon.reset(LoadIconSized(IDI_PROGRAM, size));
    floating.flashIcon.reset(LoadIconSized(IDI_TRAY_DONE, size));
}

HICON ProgramImage() { return floating.icon ? floating.icon.get() : ProgramIcons.program; }
HICON FlashImage() { return floating.flashIcon ? floating.flashIcon.get() : ProgramIcons.trayDone32; }

struct CornerSearch {
    POINT corner;
    bool found = false;
};

// A monitor's right and bottom edges lie outside it: a corner there would put the whole button
// on no screen at all.
BOOL CALLBACK FindMonitorHoldingCorner(HMONITOR, HDC, LPRECT monitor, LPARAM data) {
    auto* search = reinterpret_cast<CornerSearch*>(data);
    const POINT p = search->corner;
    if (p.x < monitor->left || p.x >= monitor->right || p.y < monitor->top || p.y >= monitor->bottom) return TRUE;
    search->found = true;
    return FALSE;
}

// A position on no monitor (one removed since, or none stored) leaves the window centred.
void MoveToStoredCorner(HWND window) {
    CornerSearch search{{ProcessingOptions.LEFT_FLOATING, ProcessingOptions.TOP_FLOATING}};
    EnumDisplayMonitors(nullptr, nullptr, FindMonitorHoldingCorner, reinterpret_cast<LPARAM>(&search));
    if (search.found)
        SetWindowPos(window, nullptr, search.corner.x, search.corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Double and middle clicks on the button act as they do on the tray icon.
LRESULT CALLBACK FloatingButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDBLCLK || message == WM_MBUTTONUP) {
        SendMessageW(MainWindow, WM_APP_TRAY, 0, message);
        return 0;
    }
    return CallWindowProcW(floating.buttonProcedure, button, message, wParam, lParam);
}

void SubclassButton(HWND window) {
    HWND button = GetDlgItem(window, IDM_PROCESS_NOW);
    floating.buttonProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FloatingButtonProc)));
}

// The hover timer sleeps while nothing can change the opacity: an idle tray program should cost
// no CPU (nor battery) while nobody touches it. The pointer arriving or a new target wakes it.
void WakeHover(HWND window) {
    if (floating.hoverAwake) return;  // setting it again would push its next tick back
    floating.hoverAwake = SetTimer(window, IDT_FLOATING_HOVER, kFloatingHoverMs, nullptr) != 0;
}

void SleepHover(HWND window) {
    KillTimer(window, IDT_FLOATING_HOVER);
    floating.hoverAwake = false;
}

void RememberForeground(HWND window) {
    HWND foreground = GetForegroundWindow();
    if (foreground && foreground != window) floating.lastForeground = foreground;
}

// Recorded before a click can activate the button, so the click gives the focus back to the
// window the user came from even when the timer was asleep until now.
void OnPointerArrived(HWND window) {
    RememberForeground(window);
    WakeHover(window);
}

// The rich edit keeps the pointer's messages to itself; the button passes them on to us.
LRESULT CALLBACK FloatingPreviewProc(HWND preview, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETCURSOR || message == WM_MOUSEMOVE) OnPointerArrived(GetParent(preview));
    return CallWindowProcW(floating.previewProcedure, preview, message, wParam, lParam);
}

void ListenToPreview(HWND preview) {
    floating.previewProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(preview, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FloatingPreviewProc)));
}

int Width(const RECT& rect) { return rect.right - rect.left; }

// The smallest size shows the button only: the opening size without the preview's width.
void SetUpLayout(HWND window) {
    floating.layout = std::make_unique<AnchorLayout>();
    floating.layout->Setup(window, kFloatingLayout);
    RECT preview = {};
    GetWindowRect(GetDlgItem(window, IDC_FLOATING_PREVIEW), &preview);
    floating.layout->minTrackWidth = floating.layout->openingWidth - Width(preview);
}

// The stored size is in 96-DPI units, so the widened button keeps its look at every DPI. One
// smaller than the smallest size is not used.
void SizeToStoredSize(HWND window) {
    const AnchorLayout& layout = *floating.layout;
    int width = ScaleForDpi(ProcessingOptions.WIDTH_FLOATING, floating.dpi);
    int height = ScaleForDpi(ProcessingOptions.HEIGHT_FLOATING, floating.dpi);
    if (width < layout.minTrackWidth || height < layout.openingHeight) {
        width = layout.minTrackWidth;
        height = layout.openingHeight;
    }
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL OnInitDialog(HWND window) {
    FloatingWindow = window;
    floating.dpi = DpiOf(window);
    floating.font.Record(GetDlgItem(window, IDM_PROCESS_NOW), floating.dpi);
    TakeOverDialogDpiChanges(window);
    SetAlpha(window, ProcessingOptions.ALPHA_FLOATING);
    MoveToStoredCorner(window);  // a monitor of another DPI rescales the button on the way
    LoadButtonIcons(window);
    ShowButtonImage(window, ProgramImage());
    SubclassButton(window);
    WakeHover(window);
    FloatingPreview = GetDlgItem(window, IDC_FLOATING_PREVIEW);
    ListenToPreview(FloatingPreview);
    RefreshFloatingPreview();
    SetUpLayout(window);
    SizeToStoredSize(window);
    MoveInsideWorkArea(window);
    return FALSE;  // no control takes the keyboard focus from the program the user works in
}

int TargetAlpha(bool mouseOver) {
    // While the settings dialog is open, its trackbars show here at once.
    if (OpacityPreview.on) return mouseOver ? OpacityPreview.mouseOver : OpacityPreview.normal;
    return mouseOver ? ProcessingOptions.ALPHA_FLOATING2 : ProcessingOptions.ALPHA_FLOATING;
}

// Fades in steps of 10; the last step of less than 10 goes straight to the target.
int NextAlpha(int current, int target) {
    const int difference = target - current;
    if (difference < -9) return current - 10;
    if (difference > 9) return current + 10;
    return target;
}

// Runs every 17 ms while awake: it allocates nothing and touches the window only when the opacity
// changes. It stays awake while the pointer is over the window, to see it leave, and goes to
// sleep once the opacity has reached its target with the pointer away (or nothing can be read).
void OnHoverTimer(HWND window) {
    RememberForeground(window);
    POINT cursor = {};
    RECT frame = {};
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetCursorPos(&cursor) || !GetWindowRect(window, &frame) ||
        !GetLayeredWindowAttributes(window, nullptr, &alpha, &flags)) {
        SleepHover(window);
        return;
    }
    const bool over =
        cursor.x >= frame.left && cursor.x <= frame.right && cursor.y >= frame.top && cursor.y <= frame.bottom;
    const int target = TargetAlpha(over);
    const int next = target == alpha ? target : NextAlpha(alpha, target);
    if (next != alpha) SetAlpha(window, next);
    if (!over && next == target) SleepHover(window);
}

void GiveForegroundBack(HWND window) {
    KillTimer(window, IDT_FLOATING_FOREGROUND);
    if (floating.lastForeground && IsWindow(floating.lastForeground)) SetForegroundWindow(floating.lastForeground);
}

void EndFlash(HWND window) {
    KillTimer(window, IDT_FLOATING_FLASH);
    ShowButtonImage(window, ProgramImage());
}

void OnTimer(HWND window, UINT_PTR timer) {
    switch (timer) {
    case IDT_FLOATING_HOVER: OnHoverTimer(window); break;
    case IDT_FLOATING_FOREGROUND: GiveForegroundBack(window); break;
    case IDT_FLOATING_FLASH: EndFlash(window); break;
    default: break;
    }
}

// The clipboard has just been rewritten.
void Flash(HWND window) {
    ShowButtonImage(window, FlashImage());
    SetTimer(window, IDT_FLOATING_FLASH, kFloatingFollowUpMs, nullptr);
}

// Sent, not posted: the clipboard is processed before the foreground goes back.
void OnButtonClick(HWND window) {
    SendMessageW(MainWindow, WM_APP_COMMAND, IDM_PROCESS_NOW, 0);
    SetTimer(window, IDT_FLOATING_FOREGROUND, kFloatingFollowUpMs, nullptr);
}

// The question stays up while its own message loop runs; a second request meanwhile is dropped.
class CloseQuestionScope {
public:
    CloseQuestionScope() { floating.confirmingClose = true; }
    ~CloseQuestionScope() { floating.confirmingClose = false; }
    CloseQuestionScope(const CloseQuestionScope&) = delete;
    CloseQuestionScope& operator=(const CloseQuestionScope&) = delete;
};

bool UserConfirmsClose() {
    CloseQuestionScope asking;
    return ShowMessageBox(MainWindow,
                          Tr(L"このボタンを非表示にしてもよろしいですか?", L"Are you sure you want to close this button?"),
                          AppDisplayName, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The open settings dialog must not turn the button back on behind the user's back: its box goes
// off and stays off until the dialog is opened again.
void TellSettingsDialogTheButtonIsClosed(HWND settings) {
    SetChecked(settings, IDC_SHOW_FLOATING, false);
    EnableControl(settings, IDC_SHOW_FLOATING, false);
    SendMessageW(settings, WM_COMMAND, MAKEWPARAM(IDC_SHOW_FLOATING, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(settings, IDC_SHOW_FLOATING)));
    ShowMessageBox(MainWindow,
                   Tr(L"ボタンを再表示する場合は、設定ダイアログを一度閉じて下さい。",
                      L"To redisplay the button, close the setting dialog once."),
                   AppDisplayName, MB_OK | MB_ICONWARNING);
}

void OnCloseRequest(HWND window) {
    if (ProcessingOptions.CHKCLOSE_FLOATING && (floating.confirmingClose || !UserConfirmsClose())) return;
    ProcessingOptions.SHOW_FLOATING = false;
    EndDialog(window, 0);
    if (SettingsDialogWindow) TellSettingsDialogTheButtonIsClosed(SettingsDialogWindow);
}

void OnCommand(HWND window, WORD id) {
    switch (id) {
    case IDM_PROCESS_NOW: OnButtonClick(window); break;
    case IDCANCEL: OnCloseRequest(window); break;
    default: break;
    }
}

RECT FrameOf(HWND window) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    return frame;
}

// From the keyboard the request carries no point (x 0xFFFF): the menu then opens at the centre.
void OnContextMenu(HWND window, LPARAM position) {
    POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (LOWORD(position) == 0xFFFF) {
        const RECT frame = FrameOf(window);
        at = {(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
    }
    SendMessageW(MainWindow, WM_APP_TRAY, MAKEWPARAM(at.x, at.y), WM_CONTEXTMENU);
}

void StorePlacement(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) return;
    const RECT& r = placement.rcNormalPosition;
    ProcessingOptions.LEFT_FLOATING = r.left;
    ProcessingOptions.TOP_FLOATING = r.top;
    ProcessingOptions.WIDTH_FLOATING = MulDiv(r.right - r.left, kBaseDpi, static_cast<int>(floating.dpi));
    ProcessingOptions.HEIGHT_FLOATING = MulDiv(r.bottom - r.top, kBaseDpi, static_cast<int>(floating.dpi));
}

void OnDestroy(HWND window) {
    SleepHover(window);
    FloatingWindow = nullptr;
    FloatingPreview = nullptr;
    StorePlacement(window);
    SaveSettings();
    floating.layout.reset();
    floating.icon.reset();
    floating.flashIcon.reset();
    floating.font.Release();
}

RECT ChildRect(HWND window, int id) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(window, id), &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The button keeps its place at the left, scaled; the preview takes the rest of the window.
void RescaleChildren(HWND window, UINT from, UINT to) {
    const auto scale = [&](LONG value) { return MulDiv(value, static_cast<int>(to), static_cast<int>(from)); };
    const RECT button = ChildRect(window, IDM_PROCESS_NOW);
    RECT client = {};
    GetClientRect(window, &client);
    const int buttonWidth = scale(button.right - button.left);
    SetWindowPos(GetDlgItem(window, IDM_PROCESS_NOW), nullptr, scale(button.left), scale(button.top), buttonWidth,
                 scale(button.bottom - button.top), SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(GetDlgItem(window, IDC_FLOATING_PREVIEW), nullptr, buttonWidth, 0,
                 std::max(0L, client.right - buttonWidth), client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The smallest size at the new DPI is the old one scaled; the layout is recorded again from the
// controls as they now stand.
void RescaleLayout(HWND window, UINT from, UINT to) {
    if (!floating.layout) return;  // still opening: the layout is set up at the new DPI afterwards
    const AnchorLayout old = *floating.layout;
    SetUpLayout(window);
    floating.layout->minTrackWidth = MulDiv(old.minTrackWidth, static_cast<int>(to), static_cast<int>(from));
    floating.layout->minTrackHeight = MulDiv(old.minTrackHeight, static_cast<int>(to), static_cast<int>(from));
    floating.layout->openingHeight = MulDiv(old.openingHeight, static_cast<int>(to), static_cast<int>(from));
}

// Moved to a monitor of another DPI (or its DPI changed): the suggested rectangle as it comes, and
// fonts, controls and icons made again for the new DPI. What is stored stays in 96-DPI units.
void OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam) {
    const UINT from = floating.dpi, to = HIWORD(wParam);
    if (to == 0 || to == from) return;
    floating.dpi = to;
    std::unique_ptr<AnchorLayout> layout = std::move(floating.layout);  // WM_SIZE must not apply the old one
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    floating.font.Apply(window, to);
    RescaleChildren(window, from, to);
    floating.layout = std::move(layout);
    RescaleLayout(window, from, to);
    const UniqueIcon shown = std::move(floating.icon), shownFlash = std::move(floating.flashIcon);  // until replaced
    LoadButtonIcons(window);
    ShowButtonImage(window, ProgramImage());
}

void OnSize() {
    if (floating.layout) floating.layout->Apply();
}

void OnGetMinMaxInfo(LPARAM info) {
    if (floating.layout) floating.layout->Limits(*reinterpret_cast<MINMAXINFO*>(info));
}

INT_PTR CALLBACK FloatingDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(window);
    case WM_COMMAND: OnCommand(window, LOWORD(wParam)); return TRUE;
    case WM_TIMER: OnTimer(window, wParam); return TRUE;
    case WM_SETCURSOR:  // also sent here for the button and for our frame
    case WM_NCMOUSEMOVE:
    case WM_MOUSEMOVE: OnPointerArrived(window); return FALSE;  // the cursor is set as usual
    case WM_APP_TRAY: Flash(window); return TRUE;
    case WM_CONTEXTMENU: OnContextMenu(window, lParam); return TRUE;
    case WM_SIZE: OnSize(); return FALSE;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(lParam); return TRUE;
    case WM_DPICHANGED: OnDpiChanged(window, wParam, lParam); return TRUE;
    case WM_DESTROY: OnDestroy(window); return FALSE;
    default: return FALSE;
    }
}

}  // namespace

void RunFloatingButton() {
    if (FloatingWindow) return;
    RunModalDialog(nullptr, IDD_FLOATING, IDD_FLOATING, FloatingDlgProc);
}

void CloseFloatingButton() {
    if (FloatingWindow) EndDialog(FloatingWindow, 0);
}

void SetFloatingOpacity(int alpha) {
    if (!FloatingWindow) return;
    SetAlpha(FloatingWindow, alpha);
    WakeHover(FloatingWindow);  // the pointer may be over the button, where another opacity applies
}

void WakeFloatingHover() {
    if (FloatingWindow) WakeHover(FloatingWindow);
}

HICON FloatingButtonImage(bool flash) { return flash ? FlashImage() : ProgramImage(); }
