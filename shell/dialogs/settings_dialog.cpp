#include "settings_dialog.h"

#include <utility>

#include <cderr.h>
#include <commctrl.h>
#include <shellapi.h>

#include "app_state.h"
#include "dialog_controls.h"
#include "dialog_host.h"
#include "dialog_tooltips.h"
#include "enlarge_dialog.h"
#include "floating_button.h"
#include "help_topic.h"
#include "hotkey_dialog.h"
#include "hotkeys.h"
#include "language.h"
#include "message_box.h"
#include "options.h"
#include "product_facts.h"
#include "resource.h"
#include "startup.h"
#include "startup_shortcut.h"
#include "windows_system.h"

namespace {

constexpr int kPathUnits = 2049;            // sound file and command line
constexpr DWORD kChooserBufferUnits = 2050;
constexpr int kOpacityPageSize = 25;

struct TimedChoice {
    const wchar_t* japanese;
    const wchar_t* english;
    int value;  // milliseconds
};

constexpr TimedChoice kIntervals[] = {
    {L"0.5秒間隔", L"0.5 second", 500},  {L"1秒間隔", L"1.0 second", 1000}, {L"1.5秒間隔", L"1.5 second", 1500},
    {L"2秒間隔", L"2 seconds", 2000},    {L"4秒間隔", L"4 seconds", 4000},  {L"6秒間隔", L"6 seconds", 6000},
    {L"8秒間隔", L"8 seconds", 8000},    {L"10秒間隔", L"10 seconds", 10000},
};
constexpr int kIntervalFallback = 1;  // a value not in the table, or no selection

constexpr TimedChoice kDelays[] = {
    {L"即時反応", L"Immediately", 0},           {L"0.1秒遅れ", L"0.1 second delay", 100},
    {L"0.2秒遅れ", L"0.2 second delay", 200},   {L"0.5秒遅れ", L"0.5 second delay", 500},
    {L"0.7秒遅れ", L"0.7 second delay", 700},   {L"1.0秒遅れ", L"1.0 second delay", 1000},
};
constexpr int kDelayFallback = 0;

// What each switch enables while it is checked.
constexpr int kSoundControls[] = {IDC_SETTINGS_SOUND_FILE, IDC_SETTINGS_SOUND_BROWSE};
constexpr int kFloatingControls[] = {IDC_SETTINGS_OPACITY_LABEL,   IDC_SETTINGS_OPACITY_LOW,
                                     IDC_SETTINGS_OPACITY_HIGH,    IDC_SETTINGS_MOUSEOVER_LABEL,
                                     IDC_SETTINGS_OPACITY,         IDC_SETTINGS_MOUSEOVER_OPACITY,
                                     IDC_SETTINGS_CONFIRM_CLOSE};
constexpr int kCommandLineControls[] = {IDC_SETTINGS_CMDLINE_LABEL,  IDC_SETTINGS_CMDLINE,
                                        IDC_SETTINGS_CMDLINE_BROWSE, IDC_SETTINGS_CHARCODE_LABEL,
                                        IDC_SETTINGS_CHARCODE_ANSI,  IDC_SETTINGS_CHARCODE_UTF16,
                                        IDC_SETTINGS_CHARCODE_UTF8};

struct FileChoiceButton {
    int edit;
    const wchar_t* titleJa;
    const wchar_t* titleEn;
    const wchar_t* filterJa;  // entries separated by "\0", ended by an empty one
    const wchar_t* filterEn;
};

constexpr FileChoiceButton kSoundFileChoice = {
    IDC_SETTINGS_SOUND_FILE, L"サウンドファイル選択", L"Choose a sound file",
    L"サウンドファイル(*.wav)\0*.wav\0すべてのファイル(*.*)\0*.*\0\0",
    L"Sound files(*.wav)\0*.wav\0All files(*.*)\0*.*\0\0"};
constexpr FileChoiceButton kProgramFileChoice = {IDC_SETTINGS_CMDLINE, L"ファイル選択", L"Choose a file",
                                                 L"すべてのファイル(*.*)\0*.*\0\0", L"All files(*.*)\0*.*\0\0"};

struct SettingsDraft {
    bool balloon = false;
    bool sound = false;
    std::wstring soundFile;
    bool floating = false;
    int opacity = 255;
    int mouseOverOpacity = 255;
    bool confirmClose = false;
    int interval = 0;
    int delay = 0;
    bool useCommandLine = false;
    std::wstring commandLine;
    int charCode = 0;
    bool bigDialog = false;
};

struct SettingsDialogState {
    SettingsDraft opened;  // the options as the dialog found them
    SettingsDraft draft;
    std::wstring shortcutPath;  // computed once at opening
    bool storing = false;       // OK is running, and may be showing a box
};

SettingsDialogState& StateOf(HWND dialog) {
    return *reinterpret_cast<SettingsDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

SettingsDraft DraftFromOptions() {
    const auto& o = ProcessingOptions;
    return {o.SHOW_BALLOON,      o.PLAY_SOUND,  o.PLAY_SOUND_FNAME, o.SHOW_FLOATING, o.ALPHA_FLOATING,
            o.ALPHA_FLOATING2,   o.CHKCLOSE_FLOATING, o.MultiDivSec, o.Delay1Sec,   o.USE_CMDLINE,
            o.CMDLINE,           o.CMDLINE_CHARCODE,  o.BIGDIALOG};
}

template <typename T>
void CommitIfChanged(T& option, const T& opened, const T& chosen) {
    if (chosen != opened) option = chosen;
}

// Only what the dialog changed: an option changed elsewhere while it was open (the floating
// button's close switches SHOW_FLOATING off) keeps that value.
void CommitDraft(const SettingsDraft& opened, const SettingsDraft& draft) {
    auto& o = ProcessingOptions;
    CommitIfChanged(o.SHOW_BALLOON, opened.balloon, draft.balloon);
    CommitIfChanged(o.PLAY_SOUND, opened.sound, draft.sound);
    CommitIfChanged(o.PLAY_SOUND_FNAME, opened.soundFile, draft.soundFile);
    CommitIfChanged(o.SHOW_FLOATING, opened.floating, draft.floating);
    CommitIfChanged(o.ALPHA_FLOATING, opened.opacity, draft.opacity);
    CommitIfChanged(o.ALPHA_FLOATING2, opened.mouseOverOpacity, draft.mouseOverOpacity);
    CommitIfChanged(o.CHKCLOSE_FLOATING, opened.confirmClose, draft.confirmClose);
    CommitIfChanged(o.MultiDivSec, opened.interval, draft.interval);
    CommitIfChanged(o.Delay1Sec, opened.delay, draft.delay);
    CommitIfChanged(o.USE_CMDLINE, opened.useCommandLine, draft.useCommandLine);
    CommitIfChanged(o.CMDLINE, opened.commandLine, draft.commandLine);
    CommitIfChanged(o.CMDLINE_CHARCODE, opened.charCode, draft.charCode);
    CommitIfChanged(o.BIGDIALOG, opened.bigDialog, draft.bigDialog);
}

template <size_t N>
void EnableControls(HWND dialog, const int (&ids)[N], bool enabled) {
    for (int id : ids) EnableControl(dialog, id, enabled);
}

void ApplySoundSwitch(HWND dialog) { EnableControls(dialog, kSoundControls, IsChecked(dialog, IDC_SETTINGS_SOUND)); }
void ApplyFloatingSwitch(HWND dialog) {
    EnableControls(dialog, kFloatingControls, IsChecked(dialog, IDC_SHOW_FLOATING));
}
void ApplyCommandLineSwitch(HWND dialog) {
    EnableControls(dialog, kCommandLineControls, IsChecked(dialog, IDC_SETTINGS_USE_CMDLINE));
}

template <size_t N>
void FillTimedChoices(HWND dialog, int comboId, const TimedChoice (&choices)[N], int value, int fallback) {
    int selected = fallback;
    for (size_t i = 0; i < N; ++i) {
        AddComboItem(dialog, comboId, Tr(choices[i].japanese, choices[i].english));
        if (choices[i].value == value) selected = static_cast<int>(i);
    }
    SelectComboItem(dialog, comboId, selected);
}

template <size_t N>
int ChosenValue(HWND dialog, int comboId, const TimedChoice (&choices)[N], int fallback) {
    const int index = ComboSelection(dialog, comboId);
    return index >= 0 && index < static_cast<int>(N) ? choices[index].value : choices[fallback].value;
}

void SetUpTrackbar(HWND dialog, int id, int position) {
    SendDlgItemMessageW(dialog, id, TBM_SETRANGE, TRUE, MAKELPARAM(0, 255));
    SendDlgItemMessageW(dialog, id, TBM_SETTICFREQ, 1, 0);
    SendDlgItemMessageW(dialog, id, TBM_SETPOS, TRUE, position);
    SendDlgItemMessageW(dialog, id, TBM_SETPAGESIZE, 0, kOpacityPageSize);
}

int TrackbarPosition(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0));
}

// The floating button shows these instead of the stored opacities while the dialog is open.
void PreviewOpacities(int normal, int mouseOver) {
    OpacityPreview.on = true;
    OpacityPreview.normal = normal;
    OpacityPreview.mouseOver = mouseOver;
    WakeFloatingHover();
}

void OnTrackbarMoved(HWND dialog) {
    PreviewOpacities(TrackbarPosition(dialog, IDC_SETTINGS_OPACITY),
                     TrackbarPosition(dialog, IDC_SETTINGS_MOUSEOVER_OPACITY));
}

// A stored text longer than the edit control takes is kept whole unless the user changed the field.
void LoadPathEdit(HWND dialog, int id, const std::wstring& text) {
    SendDlgItemMessageW(dialog, id, EM_LIMITTEXT, kPathUnits, 0);
    SetControlText(dialog, id, text);
    SendDlgItemMessageW(dialog, id, EM_SETMODIFY, FALSE, 0);
}

std::wstring PathEditText(HWND dialog, int id, const std::wstring& stored) {
    if (!SendDlgItemMessageW(dialog, id, EM_GETMODIFY, 0, 0)) return stored;
    return ControlText(dialog, id, kPathUnits);
}

void CheckCharCode(HWND dialog, int charCode) {
    const int id = charCode == 1   ? IDC_SETTINGS_CHARCODE_UTF16
                   : charCode == 2 ? IDC_SETTINGS_CHARCODE_UTF8
                                   : IDC_SETTINGS_CHARCODE_ANSI;
    SetChecked(dialog, id, true);
}

int CheckedCharCode(HWND dialog) {
    if (IsChecked(dialog, IDC_SETTINGS_CHARCODE_UTF16)) return 1;
    if (IsChecked(dialog, IDC_SETTINGS_CHARCODE_UTF8)) return 2;
    return 0;
}

void Load(HWND dialog, const SettingsDialogState& state) {
    const SettingsDraft& draft = state.draft;
    SetChecked(dialog, IDC_SETTINGS_BALLOON, draft.balloon);
    // Before Windows 10 the system shows balloon tips, not toast notifications.
    if (LanguageMode == Language::Japanese && OsVersionNumber() < 1000)
        SetControlText(dialog, IDC_SETTINGS_BALLOON, L"テキスト属性を除去したらバルーンチップで知らせる(&A)");
    SetChecked(dialog, IDC_SETTINGS_SOUND, draft.sound);
    ApplySoundSwitch(dialog);
    LoadPathEdit(dialog, IDC_SETTINGS_SOUND_FILE, draft.soundFile);
    SetChecked(dialog, IDC_SHOW_FLOATING, draft.floating);
    ApplyFloatingSwitch(dialog);
    SetChecked(dialog, IDC_SETTINGS_CONFIRM_CLOSE, draft.confirmClose);
    SetUpTrackbar(dialog, IDC_SETTINGS_OPACITY, draft.opacity);
    SetUpTrackbar(dialog, IDC_SETTINGS_MOUSEOVER_OPACITY, draft.mouseOverOpacity);
    PreviewOpacities(draft.opacity, draft.mouseOverOpacity);
    SetChecked(dialog, IDC_SETTINGS_STARTUP, StartupShortcutExists(state.shortcutPath));
    FillTimedChoices(dialog, IDC_SETTINGS_INTERVAL, kIntervals, draft.interval, kIntervalFallback);
    FillTimedChoices(dialog, IDC_SETTINGS_DELAY, kDelays, draft.delay, kDelayFallback);
    SetChecked(dialog, IDC_SETTINGS_USE_CMDLINE, draft.useCommandLine);
    ApplyCommandLineSwitch(dialog);
    LoadPathEdit(dialog, IDC_SETTINGS_CMDLINE, draft.commandLine);
    CheckCharCode(dialog, draft.charCode);
    SetChecked(dialog, IDC_SETTINGS_BIGDIALOG, draft.bigDialog);
}

// Without the dialog's size changing, its lower right corner meets that of the primary work area.
void MoveToWorkAreaCorner(HWND dialog) {
    RECT workArea = {};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0)) PlaceDialog(dialog, PlaceLowerRight, workArea);
}

void HideFeedbackWithoutAddress(HWND dialog) {
    if (GetMakerAddresses().feedback.empty()) ShowWindow(GetDlgItem(dialog, IDC_SETTINGS_FEEDBACK), SW_HIDE);
}

BOOL OnInitDialog(HWND dialog, SettingsDialogState* state) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    state->shortcutPath = StartupShortcutPath();
    Load(dialog, *state);
    HideFeedbackWithoutAddress(dialog);
    CreateDialogTooltips(dialog, SettingsDialogTooltips());
    SettingsDialogWindow = dialog;
    if (ProcessingOptions.BIGDIALOG) EnlargeDialog(SettingsEnlargeState, dialog, PlaceLowerRight);
    else MoveToWorkAreaCorner(dialog);
    return TRUE;
}

bool SystemFileChooser(OPENFILENAMEW& request, DWORD& error) {
    if (GetOpenFileNameW(&request)) return true;
    error = CommDlgExtendedError();
    return false;
}

FileChooser fileChooser = SystemFileChooser;

void ChooseFileInto(HWND dialog, const FileChoiceButton& button) {
    std::wstring buffer = ControlText(dialog, button.edit, kPathUnits);
    buffer.resize(kChooserBufferUnits, L'\0');
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = Tr(button.filterJa, button.filterEn);
    request.nFilterIndex = 1;
    request.lpstrFile = buffer.data();
    request.nMaxFile = kChooserBufferUnits;
    request.lpstrTitle = Tr(button.titleJa, button.titleEn);
    request.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    DWORD error = 0;
    bool chosen = fileChooser(request, error);
    if (!chosen && error == FNERR_INVALIDFILENAME) {  // the field's text is no file name: start empty
        buffer.assign(kChooserBufferUnits, L'\0');
        request.lpstrFile = buffer.data();
        error = 0;
        chosen = fileChooser(request, error);
    }
    if (!chosen) return;
    SetControlText(dialog, button.edit, buffer.c_str());
    SendDlgItemMessageW(dialog, button.edit, EM_SETMODIFY, TRUE, 0);  // a chosen path is the user's change
}

INT_PTR ShellOpen(HWND owner, const std::wstring& address, const std::wstring& directory) {
    return reinterpret_cast<INT_PTR>(
        ShellExecuteW(owner, L"open", address.c_str(), nullptr, directory.c_str(), SW_SHOWNORMAL));
}

WebPageOpener webPageOpener = ShellOpen;

std::wstring FeedbackAddress() {
    const std::wstring& page = GetMakerAddresses().feedback;
    return page + (page.find(L'?') == std::wstring::npos ? L"?NUVELA" : L"&NUVELA");
}

void OpenFeedbackPage(HWND dialog) {
    const std::wstring address = FeedbackAddress();
    const std::wstring& systemDirectory = SystemDirectory();
    // The browser starts in the system directory, so it holds no lock on the program's folder.
    SetCurrentDirectoryW(systemDirectory.c_str());
    const INT_PTR opened = webPageOpener(dialog, address, systemDirectory);
    // Back before any box: the ini file is addressed relative to the program's folder, and the tray
    // and hotkeys stay live under an unowned box.
    MakeProgramFolderCurrent();
    if (opened > 32) return;
    const std::wstring text =
        LanguageMode == Language::Japanese
            ? L"ブラウザを開けません。\nブラウザが正しくインストールされているかを確認してください。\nまたは、" +
                  address + L"を直接開いて下さい。"
            : L"Cannot open web page.";
    ShowMessageBox(nullptr, text, Tr(L"フィードバックページを表示", L"Browse"), MB_OK | MB_ICONERROR);
}

void ShowInputError(const wchar_t* text, const wchar_t* caption) {
    ShowMessageBox(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

void ShowShortcutFailure(const wchar_t* text, const std::wstring& path) {
    std::wstring message = text;
    message.replace(message.find(L"%s"), 2, path);
    ShowAppMessageBox(message, MB_OK | MB_ICONERROR);
}

// A failure is only reported; the other settings are applied all the same.
void MatchStartupShortcut(HWND dialog, const std::wstring& path) {
    const bool wanted = IsChecked(dialog, IDC_SETTINGS_STARTUP);
    const bool exists = StartupShortcutExists(path);
    if (wanted && !exists && !CreateStartupShortcut(path, ProgramFilePath()))
        ShowShortcutFailure(Tr(L"ショートカットの作成に失敗しました。\n\n%s", L"Cannot create a shortcut file.\n\n%s"), path);
    else if (!wanted && exists && !DeleteStartupShortcut(path))
        ShowShortcutFailure(Tr(L"ショートカットの削除に失敗しました。\n\n%s", L"Cannot delete a shortcut file.\n\n%s"), path);
}

// Only a change from the stored value is told; the English template has no such box.
void TellBigDialogChange(bool checked, bool stored) {
    if (LanguageMode != Language::Japanese || checked == stored) return;
    const wchar_t* text =
        checked ? L"「設定画面強制拡大」はテスト中の機能です。このチェックをONにすると、次回設定画面を開いたときから、"
                  L"ダイアログのサイズが強制的に拡大されます。無理やり拡大をしているため、一部表示の乱れる部分があるかも"
                  L"しれませんが、テスト中の機能ということで、ご容赦ください。"
                : L"次回設定画面を開いたときから、元のサイズに戻ります。";
    ShowMessageBox(nullptr, text, L"設定画面強制拡大", MB_OK | MB_ICONINFORMATION);
}

// False after telling the user why; the dialog then stays open and nothing is written.
bool Store(HWND dialog, SettingsDialogState& state) {
    SettingsDraft& draft = state.draft;
    const bool useCommandLine = IsChecked(dialog, IDC_SETTINGS_USE_CMDLINE);
    const std::wstring commandLine = PathEditText(dialog, IDC_SETTINGS_CMDLINE, draft.commandLine);
    if (useCommandLine && commandLine.empty()) {
        ShowInputError(Tr(L"コマンドラインを入力して下さい。", L"Please specify the command line."), L"コマンドライン指定");
        return false;
    }
    const bool sound = IsChecked(dialog, IDC_SETTINGS_SOUND);
    const std::wstring soundFile = PathEditText(dialog, IDC_SETTINGS_SOUND_FILE, draft.soundFile);
    if (sound && soundFile.empty()) {
        ShowInputError(Tr(L"サウンドファイル名を入力して下さい。", L"Please specify the sound file name."),
                       L"サウンドファイル指定");
        return false;
    }
    draft.balloon = IsChecked(dialog, IDC_SETTINGS_BALLOON);
    draft.sound = sound;
    draft.soundFile = soundFile;
    MatchStartupShortcut(dialog, state.shortcutPath);
    draft.interval = ChosenValue(dialog, IDC_SETTINGS_INTERVAL, kIntervals, kIntervalFallback);
    draft.delay = ChosenValue(dialog, IDC_SETTINGS_DELAY, kDelays, kDelayFallback);
    draft.floating = IsChecked(dialog, IDC_SHOW_FLOATING);
    draft.opacity = TrackbarPosition(dialog, IDC_SETTINGS_OPACITY);
    draft.mouseOverOpacity = TrackbarPosition(dialog, IDC_SETTINGS_MOUSEOVER_OPACITY);
    draft.confirmClose = IsChecked(dialog, IDC_SETTINGS_CONFIRM_CLOSE);
    draft.useCommandLine = useCommandLine;
    draft.commandLine = commandLine;
    draft.charCode = CheckedCharCode(dialog);
    const bool bigDialog = IsChecked(dialog, IDC_SETTINGS_BIGDIALOG);
    TellBigDialogChange(bigDialog, ProcessingOptions.BIGDIALOG);
    draft.bigDialog = bigDialog;
    return true;
}

// Hotkeys confirmed here are registered and saved at once, whatever becomes of this dialog.
void AssignHotkeys(HWND dialog) {
    if (RunHotkeyDialog(dialog)) ReregisterHotkeys(MainWindow);
}

void EndSettingsDialog(HWND dialog, int result) {
    OpacityPreview.on = false;  // the floating button goes back to the stored opacities
    WakeFloatingHover();
    EndDialog(dialog, result);
}

// The boxes OK may show have no owner, so the dialog still takes clicks meanwhile: a second OK or
// a Cancel then is ignored, and OK ends the dialog as it decides.
void OnOk(HWND dialog, SettingsDialogState& state) {
    if (state.storing) return;
    class StoringScope {
    public:
        explicit StoringScope(bool& storing) : storing_(storing) { storing_ = true; }
        ~StoringScope() { storing_ = false; }
        StoringScope(const StoringScope&) = delete;
        StoringScope& operator=(const StoringScope&) = delete;

    private:
        bool& storing_;
    };
    bool stored = false;
    {
        StoringScope storing(state.storing);
        stored = Store(dialog, state);
    }
    if (stored) EndSettingsDialog(dialog, IDOK);
}

void OnCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDC_SETTINGS_SOUND: ApplySoundSwitch(dialog); break;
    case IDC_SHOW_FLOATING: ApplyFloatingSwitch(dialog); break;
    case IDC_SETTINGS_USE_CMDLINE: ApplyCommandLineSwitch(dialog); break;
    case IDC_SETTINGS_SOUND_BROWSE: ChooseFileInto(dialog, kSoundFileChoice); break;
    case IDC_SETTINGS_CMDLINE_BROWSE: ChooseFileInto(dialog, kProgramFileChoice); break;
    case IDC_SETTINGS_HOTKEYS: AssignHotkeys(dialog); break;
    case IDC_SETTINGS_FEEDBACK: OpenFeedbackPage(dialog); break;
    case IDHELP: OpenHelpTopic(dialog, L"HLP000018.html"); break;
    case IDOK: OnOk(dialog, StateOf(dialog)); break;
    case IDCANCEL:
        if (!StateOf(dialog).storing) EndSettingsDialog(dialog, IDCANCEL);
        break;
    default: break;
    }
}

void OnDestroy() {
    if (SettingsEnlargeState.scale != 0) UndoEnlargeDialog(SettingsEnlargeState);
    SettingsDialogWindow = nullptr;
}

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, reinterpret_cast<SettingsDialogState*>(lParam));
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam)); return TRUE;
    case WM_HSCROLL: OnTrackbarMoved(dialog); return TRUE;
    case WM_DESTROY: OnDestroy(); return FALSE;
    default: return FALSE;
    }
}

}  // namespace

bool RunSettingsDialog(HWND owner) {
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};  // the trackbars' class
    InitCommonControlsEx(&classes);
    SettingsDialogState state;
    state.opened = state.draft = DraftFromOptions();
    if (RunModalDialog(owner, IDD_SETTINGS_JA, IDD_SETTINGS_EN, SettingsDlgProc, reinterpret_cast<LPARAM>(&state)) !=
        IDOK)
        return false;
    CommitDraft(state.opened, state.draft);
    return true;
}

WebPageOpener SetWebPageOpener(WebPageOpener opener) { return std::exchange(webPageOpener, opener ? opener : ShellOpen); }

FileChooser SetFileChooser(FileChooser chooser) {
    return std::exchange(fileChooser, chooser ? chooser : SystemFileChooser);
}

bool ChooseFile(OPENFILENAMEW& request, DWORD& error) { return fileChooser(request, error); }
