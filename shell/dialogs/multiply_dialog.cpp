#include "multiply_dialog.h"

#include <string>

#include "dialog_controls.h"
#include "dialog_host.h"
#include "enlarge_dialog.h"
#include "help_topic.h"
#include "language.h"
#include "message_box.h"
#include "options.h"
#include "resource.h"

namespace {

constexpr int kFactorReadUnits = 79;

std::wstring& DraftOf(HWND dialog) { return *reinterpret_cast<std::wstring*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

// Digits and full stops only: no sign, exponent, blank or grouping comma gets through.
bool IsFactorText(const std::wstring& text) {
    return !text.empty() && text.find_first_not_of(L"0123456789.") == std::wstring::npos;
}

BOOL OnInitDialog(HWND dialog, std::wstring* factor) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(factor));
    SetControlText(dialog, IDC_MULTIPLY_FACTOR, *factor);
    if (ProcessingOptions.BIGDIALOG) EnlargeDialog(MultiplyEnlargeState, dialog, PlaceLowerRight);
    return TRUE;
}

// False after telling the user why; the dialog then stays open with the text as typed.
bool Store(HWND dialog, std::wstring& factor) {
    const std::wstring text = ControlText(dialog, IDC_MULTIPLY_FACTOR, kFactorReadUnits);
    if (!IsFactorText(text)) {
        ShowMessageBox(nullptr,
                       Tr(L"数値を入力して下さい。1を入力すると、本設定はOFFとなります。", L"Please enter a numerical value."),
                       Tr(L"数値を N 倍にする", L"Multiply by N"), MB_OK | MB_ICONERROR);
        return false;
    }
    factor = text;
    return true;
}

void OnCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDOK:
        if (Store(dialog, DraftOf(dialog))) EndDialog(dialog, IDOK);
        break;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
    case IDHELP: OpenHelpTopic(dialog, L"HLP000017.html#mul_by_n"); break;
    default: break;
    }
}

INT_PTR CALLBACK MultiplyDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, reinterpret_cast<std::wstring*>(lParam));
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam)); return TRUE;
    case WM_DESTROY:
        if (MultiplyEnlargeState.scale != 0) UndoEnlargeDialog(MultiplyEnlargeState);
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

bool RunMultiplyDialog(HWND owner) {
    std::wstring factor = ProcessingOptions.MUL_BY_N;
    if (RunModalDialog(owner, IDD_MULTIPLY_JA, IDD_MULTIPLY_EN, MultiplyDlgProc, reinterpret_cast<LPARAM>(&factor)) !=
        IDOK)
        return false;
    ProcessingOptions.MUL_BY_N = factor;
    return true;
}
