#include "exception_guard.h"

#include "ansi_text.h"
#include "language.h"
#include "message_box.h"

void ReportCaughtException(HWND window, const std::exception* caught) noexcept {
    try {
        if (caught)
            ShowMessageBox(window, WideFromAnsi(caught->what()), L"ヌベラ 開発元へご連絡下さい - 予期せぬ例外を補足",
                           MB_OK | MB_ICONERROR);
        else
            ShowMessageBox(window, Tr(L"予期せぬ例外が発生。", L"Unkown exception."), AppDisplayName, MB_OK | MB_ICONERROR);
    } catch (...) {
        // Out of memory even for the message: nothing is left to tell the user with.
    }
}
