#include "startup.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "app_state.h"
#include "commands.h"
#include "already_running_dialog.h"
#include "opening_dialog.h"
#include "language.h"
#include "main_window.h"
#include "message_box.h"
#include "messages.h"
#include "options.h"
#include "registry.h"
#include "resource.h"
#include "scoped_win.h"
#include "settings.h"
#include "watch.h"
#include "windows_system.h"

namespace {

bool IsOption(const wchar_t* commandLine, const wchar_t* option) {
    return lstrcmpiW(commandLine, option) == 0;
}

// The command a start option asks of the main window: "/P", "/P0", "/P1", "/R", "/N", "/U", "/V"; 0 for
// the others.
UINT OptionCommand(const wchar_t* commandLine) {
    if (IsOption(commandLine, L"/P")) return IDM_WATCH_TOGGLE;
    if (IsOption(commandLine, L"/P0")) return IDM_WATCH_OFF;
    if (IsOption(commandLine, L"/P1")) return IDM_WATCH_ON;
    if (IsOption(commandLine, L"/R")) return IDM_PROCESS_NOW;
    if (IsOption(commandLine, L"/N")) return IDM_SKIP_NEXT;
    if (IsOption(commandLine, L"/U")) return IDM_RESTORE_ORIGINAL;
    if (IsOption(commandLine, L"/V")) return IDM_PASTE_PLAIN;
    return 0;
}

bool IsCleanStartOption(const wchar_t* commandLine) {
    return IsOption(commandLine, L"/C") || IsOption(commandLine, L"/C0") || IsOption(commandLine, L"/C1");
}

void ShowStartError(const wchar_t* japanese, const wchar_t* english) {
    ShowAppMessageBox(Tr(japanese, english), MB_OK | MB_ICONERROR);
}

HWND FindRunningWindow() { return FindWindowW(kInstanceName, nullptr); }

int RunSecondInstance(const wchar_t* commandLine) {
    if (const UINT command = OptionCommand(commandLine)) {
        if (HWND running = FindRunningWindow()) SendMessageW(running, WM_APP_COMMAND, command, 0);
        else ShowStartError(L"ウィンドウの検出に失敗しました。", L"FindWindow was failed.");
        return 0;
    }
    if (IsOption(commandLine, L"/X")) {
        if (HWND running = FindRunningWindow()) SendMessageW(running, WM_DESTROY, 0, 0);
        return 0;
    }
    if (RunAlreadyRunningDialog() == IDC_FORCE_EXIT) {
        if (HWND running = FindRunningWindow()) SendMessageW(running, WM_DESTROY, 0, 0);
        else ShowStartError(L"ウィンドウの検出に失敗しました。強制終了に失敗しました。", L"FindWindow() failed.");
    }
    return 0;
}

// Runs before the program folder is made current, so the help file is looked for where the user
// started the program.
void OpenHelpFromCommandLine() {
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", L"hh.exe", L"Nuvela.chm::/_RESOURCE/HLP000021.html", L".", SW_SHOWNORMAL));
    // 32 itself is an error too (a DLL was not found): success is above 32.
    if (result <= 32) ShowStartError(L"hh.exeでヘルプファイルを開けません", L"Cannot open Nuvela.chm");
}

// "/X", "/OR", "/RO", "/?": a task instead of a start. True when one ran.
bool RunOneShotOption(const wchar_t* commandLine) {
    if (IsOption(commandLine, L"/X")) return true;
    if (IsOption(commandLine, L"/OR")) CopySettingsIniToRegistry();
    else if (IsOption(commandLine, L"/RO")) CopySettingsRegistryToIni();
    else if (IsOption(commandLine, L"/?")) OpenHelpFromCommandLine();
    else return false;
    return true;
}

void ChooseSettingsStore(const wchar_t* commandLine) {
    if (IsOption(commandLine, L"/O")) {
        IniMode = true;
        (void)EnsureIniFile();  // loading copes with a missing file
    }
    const std::wstring program = ProgramFilePath();
    if (!program.empty() && IsIniProgramName(program)) IniMode = true;
}

// "/P", "/P0", "/P1", "/R" and the monitoring part of "/C..." once the main window exists.
void RunStartOption(HWND window, const wchar_t* commandLine) {
    const UINT command = OptionCommand(commandLine);
    // "/N", "/U" and "/V" are ordinary first starts: no copy is there to skip yet, a restore now would
    // undo the window's first processing, and a paste would go to whatever window happens to be in front.
    if (command == IDM_SKIP_NEXT || command == IDM_RESTORE_ORIGINAL || command == IDM_PASTE_PLAIN) return;
    if (command) {
        SendMessageW(window, WM_APP_COMMAND, command, 0);
        return;
    }
    if (!IsCleanStartOption(commandLine)) return;
    const wchar_t wanted = commandLine[2];  // '0', '1' or the end of "/C"
    const bool watching = ProcessingOptions.CBWatchEnabled;
    if ((!watching && wanted == L'1') || (watching && wanted == L'0'))
        SendMessageW(window, WM_APP_COMMAND, IDM_WATCH_TOGGLE, 0);
}

int RunMessageLoop() {
    MSG message = {};
    for (;;) {
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0 || result == -1) break;
        if (IsOpeningDialogMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int RunFirstInstance(HINSTANCE instance, const wchar_t* commandLine) {
    if (RunOneShotOption(commandLine)) return 0;
    MakeProgramFolderCurrent();
    ChooseSettingsStore(commandLine);
    LoadSettings();
    // Before the window exists: its first processing of the clipboard must already run without them.
    if (IsCleanStartOption(commandLine)) SwitchConversionsOff();
    LoadSystemLibrary(L"RICHED20.DLL");  // the floating button's preview control; stays loaded
    ResolveClipboardListener();
    // Before the window: its opening dialog runs a message loop in which a second start can already
    // ask for the settings dialog, whose start-up shortcut needs an apartment-threaded COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (!CreateMainWindow(instance)) {
        if (SUCCEEDED(com)) CoUninitialize();
        ReleaseClipboardListener();
        return 0;
    }
    InitCommonControls();
    RunStartOption(MainWindow, commandLine);
    // The button runs its own loop, which serves the main window too; ours starts once it closes.
    if (ProcessingOptions.SHOW_FLOATING) OpenFloatingButton();
    const int exitCode = RunMessageLoop();
    if (SUCCEEDED(com)) CoUninitialize();
    ReleaseClipboardListener();
    return exitCode;
}

}  // namespace

void MakeProgramFolderCurrent() {
    const std::wstring program = ProgramFilePath();
    if (program.empty()) return;
    const std::wstring folder = ProgramFolderOf(program);
    if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
}

void ChooseLanguage() {
    wchar_t value[160] = {};
    const DWORD length = GetEnvironmentVariableW(L"NUVELA_LANG", value, 160);
    bool japanese;
    if (length > 0)  // a value too long for the buffer reports its size and is not "JA"
        japanese = length < 160 && lstrcmpiW(value, L"JA") == 0;
    else  // absent or empty: the system language decides
        japanese = (GetSystemDefaultLangID() & 0x3FF) == LANG_JAPANESE;
    SetLanguage(japanese ? Language::Japanese : Language::English);
    if (!japanese) UseEnglishRegistryMessages();
}

std::wstring ProgramFolderOf(const std::wstring& programPath) {
    const size_t backslash = programPath.rfind(L'\\');
    if (backslash == std::wstring::npos || backslash == 0) return std::wstring();
    // C:\Tools\x.exe gives C:\Tools; C:\x.exe keeps its backslash and gives the root C:\.
    return programPath.substr(0, backslash >= 5 ? backslash : backslash + 1);
}

bool IsIniProgramName(const std::wstring& programPath) {
    const size_t n = programPath.size();
    if (n <= 7) return false;
    auto is = [&](size_t fromEnd, wchar_t lower, wchar_t upper) {
        const wchar_t c = programPath[n - fromEnd];
        return c == lower || c == upper;
    };
    return is(6, L'_', L'_') && is(5, L'o', L'O') && is(4, L'.', L'.') && is(3, L'e', L'E') && is(2, L'x', L'X') &&
           is(1, L'e', L'E');
}

void SwitchConversionsOff() {
    auto& o = ProcessingOptions;
    o.StrConvID.clear();
    for (bool* option : {&o.DelSpace, &o.DelEnter, &o.DelTab, &o.REP_REP, &o.FEL_TRIMLEFT, &o.FEL_TRIMLEFT_FPSPACE,
                         &o.FEL_TRIMLEFT_TAB, &o.FEL_TRIMLEFT_ZERO, &o.FEL_TRIMLEFT_FPZERO, &o.FEL_TRIMRIGHT,
                         &o.FEL_TRIMRIGHT_FPSPACE, &o.FEL_TRIMRIGHT_TAB, &o.FEL_SORTASC, &o.FEL_SORTDSC, &o.FEL_UNIQ,
                         &o.FEL_DELBLANKLINE})
        *option = false;
}

int RunNuvela(HINSTANCE instance, const wchar_t* commandLine) {
    ProgramInstance = instance;
    ChooseLanguage();
    LoadProgramIcons(instance);
    // The mutex is held until the end of the process; a second start only talks to the first.
    UniqueHandle mutex(CreateMutexW(nullptr, TRUE, kInstanceName));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        (void)mutex.release();  // left to the end of the process, as the first instance may look
        return RunSecondInstance(commandLine);
    }
    return RunFirstInstance(instance, commandLine);
}
