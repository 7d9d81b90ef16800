#include "main_window.h"

#include <windowsx.h>

#include <exception>

#include "app_state.h"
#include "commands.h"
#include "conversion.h"
#include "copy_rules.h"
#include "exception_guard.h"
#include "floating_preview.h"
#include "help_topic.h"
#include "opening_dialog.h"
#include "hotkeys.h"
#include "language.h"
#include "message_box.h"
#include "messages.h"
#include "multidiv.h"
#include "options.h"
#include "original_copy.h"
#include "paste_plain.h"
#include "pending_notification.h"
#include "scoped_win.h"
#include "settings.h"
#include "startup.h"
#include "text_cleanup.h"
#include "tray.h"
#include "tray_menu.h"
#include "watch.h"

namespace {

UINT taskbarCreatedMessage = 0;
bool destroyed = false;  // a second start's WM_DESTROY leaves the window itself in place
FloatingButtonHooks floatingHooks;

// The button's modal loop would end on the quit message anyway; ending it here does not rely on
// how a system's dialog loop treats that message, and stores its place before the program ends.
void CloseFloatingButtonNow() {
    if (FloatingWindow && floatingHooks.close) floatingHooks.close();
}

void StartChainRefreshInViewerMode(HWND window) {
    if (!UsingFormatListener()) SetTimer(window, IDT_CHAIN_REFRESH, kChainRefreshMs, nullptr);
}

void LoadConversionItems() {
    bool loaded = false;
    try {
        loaded = LoadConversionFile(L"Convert.def");
    } catch (const std::exception&) {
        loaded = false;  // an unreadable file leaves the menu with "none" only, as a missing one does
    }
    FillConversionMenu(ConversionSet, loaded);
}

// Each write the clipboard service makes shows on the tray icon and on the floating button.
void AcknowledgeWrite(HWND window) {
    FlashTrayIcon(window);
    FlashFloatingButton();
}

// The opening dialog is Japanese only: on an English first start the tray icon says it instead.
void TellWhereTheProgramRuns() {
    PendingNotification::AppendAndShow(
        Tr(L"ヌベラは通知領域で動いています。アイコンを右クリックするとメニューが開きます。アイコンが見えない場合は、"
           L"通知領域の ∧ をクリックして下さい。",
           L"Nuvela is running here in the notification area. Right-click its icon to open its menu. If the icon is "
           L"hidden, click the arrow (^) beside the notification area first."),
        SeverityInfo);
}

LRESULT OnCreate(HWND window) {
    MainWindow = window;
    destroyed = false;
    PendingNotification::SetShowFunction(ShowTrayBalloon);
    SetClipboardWrittenFunction(AcknowledgeWrite);
    SetClipboardShownFunction(RefreshFloatingPreview);
    SetOwnKeystrokeHooks({.releaseHotkeysMatching = ReleaseHotkeysMatching, .takeHotkeysBack = TakeHotkeysBack});
    AddTrayIcon(window, WatchStateIcon());
    taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    LoadTrayMenu();
    LoadConversionItems();
    // ProcessClipboard leaves and joins the watch itself; joining once more would, in viewer-chain
    // mode, make the window its own next viewer and cut the chain.
    if (ProcessingOptions.CBWatchEnabled) ProcessClipboard(window, false);
    else JoinClipboardWatch(window);
    PendingNotification::Clear();
    RegisterHotkeys(window);
    StartChainRefreshInViewerMode(window);
    if (LanguageMode == Language::Japanese && !ProcessingOptions.NoOpeningDlg) OpenOpeningDialog(window);
    else if (LanguageMode == Language::English && !StoredSettingsFound) TellWhereTheProgramRuns();
    return 0;
}

void OnTrayCallback(HWND window, WPARAM wParam, LPARAM lParam) {
    switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONDOWN:
        SetTimer(window, IDT_CLICK, GetDoubleClickTime(), nullptr);
        break;
    case WM_LBUTTONDBLCLK:
        KillTimer(window, IDT_CLICK);  // the pending single click is dropped
        RunCommand(window, IDM_WATCH_TOGGLE);
        break;
    case WM_MBUTTONUP:
        RunCommand(window, IDM_EMPTY_CLIPBOARD);
        break;
    case WM_RBUTTONUP: {
        POINT cursor = {};
        GetCursorPos(&cursor);
        ShowTrayMenu(window, cursor);
        break;
    }
    case WM_CONTEXTMENU:
        ShowTrayMenu(window, POINT{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)});
        break;
    default:
        break;
    }
}

void OnTimer(HWND window, UINT_PTR timer) {
    switch (timer) {
    case IDT_CLICK:
        KillTimer(window, IDT_CLICK);
        RunCommand(window, IDM_PROCESS_NOW);
        break;
    case IDT_CHAIN_REFRESH:
        OnChainRefreshTimer(window);
        break;
    case IDT_DELAY:
        OnDelayTimer(window);
        break;
    case IDT_ICON_RESTORE:
        RestoreTrayIcon(window);
        break;
    case IDT_MULTIDIV:
        OnMultiDivTimer(window);
        break;
    case IDT_RESTORE_RETRY:
        OnRestoreRetryTimer(window);
        break;
    case IDT_PASTE_RESTORE:
        OnPasteRestoreTimer(window);
        break;
    default:
        break;
    }
}

void OnDestroy(HWND window) {
    if (destroyed) return;  // the window may see WM_DESTROY twice: from a second start, then for real
    destroyed = true;
    CloseFloatingButtonNow();
    if (!UsingFormatListener()) KillTimer(window, IDT_CHAIN_REFRESH);
    FinishPendingPaste(window);  // the pasted copy goes back before the watch is left for good
    LeaveClipboardWatch(window);
    KillTimer(window, IDT_RESTORE_RETRY);
    DropKeptOriginal();  // wiped now, not left in memory to the end of the process
    DeleteTrayIcon(window);
    ReleaseHotkeys(window);
    CloseOpeningDialog();
    DestroyTrayMenu();
    SaveSettings();
    PostQuitMessage(0);
}

LRESULT OnEndSession(HWND window, WPARAM ending) {
    if (ending) DestroyWindow(window);  // the destruction steps save what the menu changed
    return 0;
}

LRESULT OnNcDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (MainWindow == window) MainWindow = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT OnPaint(HWND window) {
    ValidateRect(window, nullptr);  // nothing to draw; validating stops further WM_PAINT
    return 0;
}

void ProcessClipboardNow(HWND window, RunKind kind = RunKind::UserRequest) {
    RunClipboard(window, kind);
    StartChainRefreshInViewerMode(window);
}

// Switches monitoring and brings the rest of the program in line with it. The tray call waits for
// the tray and meanwhile answers messages sent to us, a second start's switch among them: what
// follows goes by `on`, not by the setting that switch may have changed meanwhile. Switching on is
// no request about the copy on the clipboard, so its rules and markers hold (our own earlier write
// is processed); "/P1" with monitoring on already asks for this copy, as command 32782 does.
void SetMonitoring(HWND window, bool on) {
    const bool wasOn = ProcessingOptions.CBWatchEnabled;
    ProcessingOptions.CBWatchEnabled = on;
    SaveSettings();
    ModifyTrayIcon(window, WatchStateIcon());
    if (on) ProcessClipboardNow(window, wasOn ? RunKind::UserRequest : RunKind::WatchSwitchedOn);
    else StopMultiDiv(window);
}

void SelectConversion(UINT command) {
    if (command == IDM_CONVERT_NONE) {
        ProcessingOptions.StrConvID.clear();
    } else {
        const size_t table = command - IDM_CONVERT_FIRST;
        if (table >= ConversionSet.size()) return;  // an item the menu does not have
        ProcessingOptions.StrConvID = ConversionSet[table].name;
    }
    SaveSettings();
}

void Toggle(bool& option) { option = !option; }

void ToggleAndSave(bool& option) {
    option = !option;
    SaveSettings();
}

// Sorting up and down exclude each other: turning one on turns the other off.
void ToggleExcluding(bool& option, bool& other) {
    option = !option;
    if (option) other = false;
}

// The TAB widths: either choice switches the other off, whatever it turns itself into.
void ToggleAndClear(bool& option, bool& other) {
    option = !option;
    other = false;
}

void ShowLineFeedNote(HWND window) {
    ShowMessageBox(window,
                   Tr(L"改行コード指定をLF/CR共にオンにすると、CR+LFになります。",
                      L"If both LF and CR are turned on for line feed code designation, it becomes CR + LF."),
                   AppDisplayName, MB_OK | MB_ICONINFORMATION);
}

void ToggleLineFeed(HWND window, bool& option, bool other) {
    option = !option;
    if (option && other) ShowLineFeedNote(window);
}

void SetNormalization(int choice) {
    ProcessingOptions.CLN_NORMALIZE = choice;
    SaveSettings();
}

void SetFileFolderCopy(int mode) {
    ProcessingOptions.FileFolderCopy = mode;
    SaveSettings();
}

void EmptyClipboardNow(HWND window) {
    bool emptied = false;
    const ClipboardWork work = WithClipboardHeld(window, [&](HeldClipboard& held) {
        DropKeptOriginal();  // the clipboard no longer holds the copy it belongs to
        emptied = EmptyClipboard() != FALSE;
        held.Release();
    });
    if (work == ClipboardWork::Busy) return;
    // Out of the notification list meanwhile: what a notification would have done is done here.
    if (emptied) StopMultiDiv(window);
    if (work == ClipboardWork::NotOpened) {
        PendingNotification::Clear();
        PendingNotification::AppendAndShow(
            Tr(L"クリップボードを開けません。他のアプリケーションが使用中である可能性があるので、少し待ってからやり直して下さい。",
               L"Cannot open the clipboard."),
            SeverityError);
    } else if (!emptied) {
        PendingNotification::Clear();
        PendingNotification::AppendAndShow(
            Tr(L"クリップボードの内容を空にできませんでした。", L"Cannot clear the data in the clipboard."),
            SeverityError);
    }
}

MenuDialogSet menuDialogs;

// After the settings dialog, whatever its result: the button follows SHOW_FLOATING and the opacity.
void ReapplyFloatingButton() {
    if (ProcessingOptions.SHOW_FLOATING && !FloatingWindow)
        OpenFloatingButton();
    else if (ProcessingOptions.SHOW_FLOATING && floatingHooks.setOpacity)
        floatingHooks.setOpacity(ProcessingOptions.ALPHA_FLOATING);
    else if (!ProcessingOptions.SHOW_FLOATING)
        CloseFloatingButtonNow();
}

// Back to the top of the topmost band, in front of whatever took that place meanwhile.
void BringFloatingButtonForward() {
    constexpr UINT kKeepPlace = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(FloatingWindow, HWND_BOTTOM, 0, 0, 0, 0, kKeepPlace);
    SetWindowPos(FloatingWindow, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace | SWP_SHOWWINDOW);
}

bool (*MenuDialogOf(UINT command))(HWND) {
    switch (command) {
    case IDM_SETTINGS: return menuDialogs.settings;
    case IDM_REGEX: return menuDialogs.regex;
    case IDM_MULTIPLY: return menuDialogs.multiply;
    case IDM_ABOUT: return menuDialogs.about;
    case IDM_APP_RULES: return menuDialogs.appRules;
    default: return nullptr;
    }
}

// The menu's dialogs have no owner; true when the user confirmed one.
bool OpenMenuDialog(UINT command) {
    const auto open = MenuDialogOf(command);
    return open && open(nullptr);
}

void RunMenuDialog(UINT command, bool saveOnOk) {
    if (DialogBusy) return;  // the dialogs have no owner, so the menu stays usable while one is open
    DialogBusyScope busy;
    if (OpenMenuDialog(command) && saveOnOk) SaveSettings();
}

// DialogBusy ends with the dialog, before the button is re-applied: a button opened here runs its
// own loop until it closes, and meanwhile every menu dialog must still open.
void RunSettingsCommand() {
    if (DialogBusy) return;
    RunMenuDialog(IDM_SETTINGS, true);
    ReapplyFloatingButton();
}

}  // namespace

void SetMenuDialogs(const MenuDialogSet& dialogs) { menuDialogs = dialogs; }

void SetFloatingButtonHooks(const FloatingButtonHooks& hooks) { floatingHooks = hooks; }

void OpenFloatingButton() {
    if (!FloatingWindow && floatingHooks.show) floatingHooks.show();
}

bool IsAppCommandAccepted(WPARAM command) {
    return command == IDM_WATCH_TOGGLE || command == IDM_PROCESS_NOW || command == IDM_WATCH_OFF ||
           command == IDM_WATCH_ON || command == IDM_SETTINGS || command == IDM_SKIP_NEXT ||
           command == IDM_RESTORE_ORIGINAL || command == IDM_PASTE_PLAIN;
}

void RunCommand(HWND window, UINT command) {
    auto& o = ProcessingOptions;
    if (command >= IDM_CONVERT_FIRST && command <= IDM_CONVERT_LAST) return SelectConversion(command);
    switch (command) {
    case IDM_WATCH_TOGGLE: SetMonitoring(window, !o.CBWatchEnabled); break;
    case IDM_WATCH_OFF: SetMonitoring(window, false); break;
    case IDM_WATCH_ON: SetMonitoring(window, true); break;
    case IDM_PROCESS_NOW: ProcessClipboardNow(window); break;
    case IDM_RESTORE_ORIGINAL: RestoreOriginalCopy(window); break;
    case IDM_PASTE_PLAIN: PastePlainText(window); break;
    case IDM_SETTINGS: RunSettingsCommand(); break;
    case IDM_APP_RULES: RunMenuDialog(command, true); break;
    case IDM_CONVERT_NONE: SelectConversion(command); break;
    case IDM_DEL_SPACE: ToggleAndSave(o.DelSpace); break;
    case IDM_DEL_ENTER: ToggleAndSave(o.DelEnter); break;
    case IDM_DEL_TAB: ToggleAndSave(o.DelTab); break;
    case IDM_REGEX: RunMenuDialog(command, true); break;
    case IDM_TRIM_LEFT: Toggle(o.FEL_TRIMLEFT); break;
    case IDM_TRIM_LEFT_FPSPACE: Toggle(o.FEL_TRIMLEFT_FPSPACE); break;
    case IDM_TRIM_LEFT_TAB: Toggle(o.FEL_TRIMLEFT_TAB); break;
    case IDM_TRIM_LEFT_ZERO: Toggle(o.FEL_TRIMLEFT_ZERO); break;
    case IDM_TRIM_LEFT_FPZERO: Toggle(o.FEL_TRIMLEFT_FPZERO); break;
    case IDM_TRIM_RIGHT: Toggle(o.FEL_TRIMRIGHT); break;
    case IDM_TRIM_RIGHT_FPSPACE: Toggle(o.FEL_TRIMRIGHT_FPSPACE); break;
    case IDM_TRIM_RIGHT_TAB: Toggle(o.FEL_TRIMRIGHT_TAB); break;
    case IDM_SORT_ASC: ToggleExcluding(o.FEL_SORTASC, o.FEL_SORTDSC); break;
    case IDM_SORT_DSC: ToggleExcluding(o.FEL_SORTDSC, o.FEL_SORTASC); break;
    case IDM_UNIQ: Toggle(o.FEL_UNIQ); break;
    case IDM_DEL_BLANK_LINE: Toggle(o.FEL_DELBLANKLINE); break;
    case IDM_TAB4SPACE: ToggleAndClear(o.TAB4SPACE, o.TAB8SPACE); break;
    case IDM_TAB8SPACE: ToggleAndClear(o.TAB8SPACE, o.TAB4SPACE); break;
    case IDM_LC_LF: ToggleLineFeed(window, o.LC_LF, o.LC_CR); break;
    case IDM_LC_CR: ToggleLineFeed(window, o.LC_CR, o.LC_LF); break;
    case IDM_FILES_NONE: SetFileFolderCopy(0); break;
    case IDM_FILES_NAMES: SetFileFolderCopy(1); break;
    case IDM_FILES_FULLPATHS: SetFileFolderCopy(2); break;
    case IDM_CSV_TRANSPOSE: Toggle(o.CSVTSV_CHANGEROWCOL); break;
    case IDM_MULTIPLY: RunMenuDialog(command, true); break;
    case IDM_CLEAN_MARKDOWN: ToggleAndSave(o.CLN_MARKDOWN); break;
    case IDM_CLEAN_INVISIBLE: ToggleAndSave(o.CLN_INVISIBLE); break;
    case IDM_CLEAN_SPACES: ToggleAndSave(o.CLN_SPACES); break;
    case IDM_CLEAN_QUOTES: ToggleAndSave(o.CLN_QUOTES); break;
    case IDM_CLEAN_UNWRAP: ToggleAndSave(o.CLN_UNWRAP); break;
    case IDM_NORMALIZE_NONE: SetNormalization(kNormalizeNone); break;
    case IDM_NORMALIZE_NFC: SetNormalization(kNormalizeNfc); break;
    case IDM_NORMALIZE_NFKC: SetNormalization(kNormalizeNfkc); break;
    case IDM_MULTIDIV: Toggle(o.MultiDiv); break;  // a running re-copy ends at its next step
    case IDM_EMPTY_CLIPBOARD: EmptyClipboardNow(window); break;
    case IDM_SKIP_NEXT: ToggleSkipNextCopy(); break;
    case IDM_HELP: OpenHelpTopic(window, L"HLP000001.html"); break;
    case IDM_ABOUT: RunMenuDialog(command, false); break;
    case IDM_EXIT: DestroyWindow(window); break;
    default: break;
    }
}

void ShowTrayMenu(HWND window, POINT at) {
    // The menu is also how the user gets a button back that is wanted but gone or hidden.
    if (ProcessingOptions.SHOW_FLOATING) {
        if (!FloatingWindow) OpenFloatingButton();  // returns once the button is closed again
        else BringFloatingButtonForward();
    }
    if (const UINT command = TrackTrayMenu(window, at)) RunCommand(window, command);
}

namespace {

HWND HwndOf(LONG_PTR value) { return reinterpret_cast<HWND>(value); }

void OnAppCommand(HWND window, WPARAM command) {
    if (!IsAppCommandAccepted(command)) return;
    // A second start waits in SendMessageW for this answer; it must end now, not once the user
    // closes the settings dialog.
    // "/V" too: the paste may first wait for the keys a launcher's own hotkey left held.
    if (command == IDM_SETTINGS || command == IDM_PASTE_PLAIN) ReplyMessage(0);
    if (command == IDM_SKIP_NEXT) {  // a second start's "/N" arms; only the menu item disarms
        ArmSkipNextCopy();
        return;
    }
    RunCommand(window, static_cast<UINT>(command));
}

LRESULT OnTaskbarCreated(HWND window) {
    AddTrayIcon(window, WatchStateIcon());  // Explorer restarted: the icon comes back in its state
    return 0;
}

LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Nothing runs inside our own clipboard work: what arrives meanwhile runs once it is over. A
    // session that ends may end the process as soon as we answer, so the settings are saved now.
    if (DeferWhileClipboardBusy(window, message, wParam, lParam)) {
        if (message == WM_ENDSESSION && wParam) SaveSettings();
        return 0;
    }
    switch (message) {
    case WM_CREATE: return OnCreate(window);
    case WM_APP_TRAY: OnTrayCallback(window, wParam, lParam); return 0;
    case WM_APP_COMMAND: OnAppCommand(window, wParam); return 0;
    case WM_HOTKEY: OnHotkey(window, wParam); return 0;
    case WM_TIMER: OnTimer(window, wParam); return 0;
    case WM_CLIPBOARDUPDATE: OnClipboardChanged(window, message, wParam, lParam); return 0;
    case WM_DRAWCLIPBOARD: OnClipboardChanged(window, message, wParam, lParam); return 0;
    case WM_CHANGECBCHAIN: OnChangeClipboardChain(window, HwndOf(wParam), HwndOf(lParam)); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_NCDESTROY: return OnNcDestroy(window, message, wParam, lParam);
    case WM_ENDSESSION: return OnEndSession(window, wParam);
    case WM_CLOSE: return 0;  // ended only by Exit, the end of the session or a second start's "/X"
    case WM_PAINT: return OnPaint(window);
    default:
        if (message == taskbarCreatedMessage && message != 0) return OnTaskbarCreated(window);
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallGuarded(window, LRESULT{0}, [&] { return Dispatch(window, message, wParam, lParam); });
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ProgramIcons.program;
    windowClass.hIconSm = ProgramIcons.trayOn;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kInstanceName;
    RegisterClassExW(&windowClass);  // a failure shows up as a failed creation
    HWND window = CreateWindowExW(0, kInstanceName, AppDisplayName.c_str(), WS_POPUP, CW_USEDEFAULT, 0, 64, 64,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);
    return window;
}
