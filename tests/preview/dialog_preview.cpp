// Opens one of the program's dialogs on its own, in the language NUVELA_LANG chooses, for the
// screenshot script: dialog_preview.exe hotkey | regex | regex-big | regex-dpi-trip | multiply |
// settings | settings-big | floating | floating-wide | floating-wide-dpi-trip | about | about-links |
// app-rules | opening. The dialog runs exactly as from the program; its settings go to Nuvela.ini in the
// current folder. The wide floating button previews a text this program copies first. A name
// ending in -dpi-trip takes its window, once shown, to a monitor of 1.5 times the DPI and back, as
// Windows tells it (Wine never changes the DPI itself).
#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <string>

#include "about_dialog.h"
#include "app_rules_dialog.h"
#include "app_state.h"
#include "copy_rules.h"
#include "dpi.h"
#include "floating_button.h"
#include "hotkey_dialog.h"
#include "multiply_dialog.h"
#include "opening_dialog.h"
#include "options.h"
#include "product_facts.h"
#include "regex_dialog.h"
#include "scoped_win.h"
#include "settings.h"
#include "settings_dialog.h"
#include "startup.h"
#include "windows_system.h"

namespace {

void CopyForPreview(const std::wstring& text) {
    ClipboardSession clipboard;
    if (!clipboard.Open(nullptr) || !EmptyClipboard()) return;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!block) return;
    {
        GlobalMemoryLock lock(block.get());
        std::memcpy(lock.data(), text.c_str(), bytes);
    }
    if (SetClipboardData(CF_UNICODETEXT, block.get())) block.release();
}

BOOL CALLBACK FindShownDialog(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (!IsWindowVisible(window) || lstrcmpW(className, L"#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void SendDpiChange(HWND window, UINT dpi, RECT rect) {
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
}

// There at 1.5 times the DPI, with the frame Windows would suggest, and back to where it was.
void CALLBACK TakeDialogOnADpiTrip(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    KillTimer(nullptr, timer);
    const UINT dpi = DpiOf(dialog);
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    SendDpiChange(dialog, dpi * 3 / 2,
                  {frame.left, frame.top, frame.left + MulDiv(frame.right - frame.left, 3, 2),
                   frame.top + MulDiv(frame.bottom - frame.top, 3, 2)});
    SendDpiChange(dialog, dpi, frame);
}

int RunFloatingPreview(bool wide) {
    LoadSystemLibrary(L"RICHED20.DLL");
    if (wide) {
        ProcessingOptions.WIDTH_FLOATING = 300;
        ProcessingOptions.HEIGHT_FLOATING = 110;
        CopyForPreview(L"クリップボードのテキスト\r\nClipboard text, plain\r\n第三行 line three");
    }
    RunFloatingButton();
    return 0;
}

// The opening dialog is modeless: it gets a message loop of its own here, as the program's.
int RunOpeningPreview() {
    OpenOpeningDialog(nullptr);
    MSG message = {};
    while (OpeningDialogWindow() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsOpeningDialogMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    RestrictDllSearchToSystem();
    ProgramInstance = instance;
    ChooseLanguage();
    LoadProgramIcons(instance);
    InitCommonControls();
    IniMode = true;
    std::wstring dialog = commandLine;
    if (const size_t trip = dialog.rfind(L"-dpi-trip"); trip != std::wstring::npos && trip + 9 == dialog.size()) {
        dialog.resize(trip);
        SetTimer(nullptr, 0, 50, TakeDialogOnADpiTrip);
    }
    // "about" as configured; "about-links" with stand-in addresses under the reserved name .example,
    // so that every button and link of the About box is on the picture.
    if (dialog == L"about-links")
        SetMakerAddresses({L"https://nuvela.example/", L"support@nuvela.example", L"https://nuvela.example/contribution",
                           L"https://nuvela.example/feedback"});
    if (dialog == L"about" || dialog == L"about-links") return RunAboutDialog(nullptr);
    if (dialog == L"hotkey") return RunHotkeyDialog(nullptr);
    if (dialog == L"app-rules") {
        // A rule with a list, and the programs a user may have copied from lately.
        for (const wchar_t* program : {L"mspaint.exe", L"soffice.bin", L"notepad.exe", L"EXCEL.EXE"})
            RememberCopyProgram(program);
        ProcessingOptions.APP_RULE = 1;
        ProcessingOptions.APP_LIST = L"EXCEL.EXE;POWERPNT.EXE";
        return RunAppRulesDialog(nullptr);
    }
    if (dialog == L"multiply") return RunMultiplyDialog(nullptr);
    if (dialog == L"opening") return RunOpeningPreview();
    if (dialog == L"settings" || dialog == L"settings-big") {
        // Every switch on, so that no part of the picture is greyed out.
        auto& o = ProcessingOptions;
        o.BIGDIALOG = dialog == L"settings-big";
        o.SHOW_BALLOON = o.PLAY_SOUND = o.SHOW_FLOATING = o.CHKCLOSE_FLOATING = o.USE_CMDLINE = true;
        o.PLAY_SOUND_FNAME = L"C:\\Windows\\Media\\chimes.wav";
        o.CMDLINE = L"sort.exe";
        o.ALPHA_FLOATING = 200;
        o.MultiDivSec = 1000;
        return RunSettingsDialog(nullptr);
    }
    if (dialog == L"floating" || dialog == L"floating-wide") return RunFloatingPreview(dialog == L"floating-wide");
    ProcessingOptions.BIGDIALOG = dialog == L"regex-big";
    ProcessingOptions.REP_REP = true;
    ProcessingOptions.REP_BEFORE = L"(^.*$)";
    ProcessingOptions.REP_AFTER = L"//$1";
    if (dialog == L"regex" || dialog == L"regex-big") return RunRegexDialog(nullptr);
    return 2;
}
