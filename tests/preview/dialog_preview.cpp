// Opens one of the program's dialogs on its own, in the language NUVELA_LANG chooses, for the
// screenshot script: dialog_preview.exe hotkey | regex | regex-big | multiply. The dialog runs
// exactly as from the program; its settings go to Nuvela.ini in the current folder.
#include <windows.h>

#include <commctrl.h>

#include "about_dialog.h"
#include "app_state.h"
#include "hotkey_dialog.h"
#include "multiply_dialog.h"
#include "options.h"
#include "product_facts.h"
#include "regex_dialog.h"
#include "settings.h"
#include "startup.h"
#include "windows_system.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    RestrictDllSearchToSystem();
    ProgramInstance = instance;
    ChooseLanguage();
    LoadProgramIcons(instance);
    InitCommonControls();
    IniMode = true;
    const std::wstring dialog = commandLine;
    // "about" as configured; "about-links" with stand-in addresses under the reserved name .example,
    // so that every button and link of the About box is on the picture.
    if (dialog == L"about-links")
        SetMakerAddresses({L"https://nuvela.example/", L"support@nuvela.example", L"https://nuvela.example/contribution",
                           L"https://nuvela.example/feedback"});
    if (dialog == L"about" || dialog == L"about-links") return RunAboutDialog(nullptr);
    if (dialog == L"hotkey") return RunHotkeyDialog(nullptr);
    if (dialog == L"multiply") return RunMultiplyDialog(nullptr);
    ProcessingOptions.BIGDIALOG = dialog == L"regex-big";
    ProcessingOptions.REP_REP = true;
    ProcessingOptions.REP_BEFORE = L"(^.*$)";
    ProcessingOptions.REP_AFTER = L"//$1";
    if (dialog == L"regex" || dialog == L"regex-big") return RunRegexDialog(nullptr);
    return 2;
}
