#include "startup.h"

#include <string>

#include "app_state.h"
#include "language.h"
#include "message_box.h"
#include "scoped_win.h"

namespace {

bool IsOption(const wchar_t* commandLine, const wchar_t* option) {
    return lstrcmpiW(commandLine, option) == 0;
}

int RunSecondInstance(const wchar_t* commandLine) {
    if (IsOption(commandLine, L"/X")) {
        if (HWND running = FindWindowW(kInstanceName, nullptr)) SendMessageW(running, WM_DESTROY, 0, 0);
        return 0;
    }
    // Not built yet: forwarding of the other options and the already-running dialog.
    return 0;
}

}  // namespace

void ChooseLanguage() {
    wchar_t value[160] = {};
    const DWORD length = GetEnvironmentVariableW(L"NUVELA_LANG", value, 160);
    bool japanese;
    if (length > 0)  // a value too long for the buffer reports its size and is not "JA"
        japanese = length < 160 && lstrcmpiW(value, L"JA") == 0;
    else  // absent or empty: the system language decides
        japanese = (GetSystemDefaultLangID() & 0x3FF) == LANG_JAPANESE;
    SetLanguage(japanese ? Language::Japanese : Language::English);
}

int RunNuvela(HINSTANCE instance, const wchar_t* commandLine) {
    ProgramInstance = instance;
    ChooseLanguage();

    // The mutex is held until the end of the process; a second start only talks to the first.
    UniqueHandle mutex(CreateMutexW(nullptr, TRUE, kInstanceName));
    if (GetLastError() == ERROR_ALREADY_EXISTS) return RunSecondInstance(commandLine);

    if (IsOption(commandLine, L"/X")) return 0;

    // Not built yet: settings, main window, tray icon and clipboard watch.
    ShowAppMessageBox(Tr(L"ヌベラの常駐部分はまだ組み込まれていません。", L"Nuvela's resident part is not built yet."),
                      MB_OK | MB_ICONINFORMATION);
    return 0;
}
