#include "dialog_host.h"

#include <utility>

#include "app_state.h"
#include "exception_guard.h"
#include "language.h"
#include "work_area.h"

bool DialogBusy = false;

namespace {

constexpr wchar_t kProcedureProperty[] = L"NuvelaDialogProcedure";

// Handed through WM_INITDIALOG, which arrives while the dialog is being created.
struct DialogContext {
    DLGPROC procedure;
    LPARAM parameter;
};

INT_PTR SystemModalDialog(HWND owner, int templateId, DLGPROC procedure, LPARAM parameter) {
    return DialogBoxParamW(ProgramInstance, MAKEINTRESOURCEW(templateId), owner, procedure, parameter);
}

ModalDialogRunner modalDialogRunner = SystemModalDialog;

// Messages before WM_INITDIALOG (WM_SETFONT and the like) find no procedure yet and get the default.
INT_PTR CALLBACK GuardedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* context = reinterpret_cast<const DialogContext*>(lParam);
        SetPropW(dialog, kProcedureProperty, reinterpret_cast<HANDLE>(context->procedure));
        SetDialogIcons(dialog);
        lParam = context->parameter;
    }
    const auto procedure = reinterpret_cast<DLGPROC>(GetPropW(dialog, kProcedureProperty));
    if (!procedure) return FALSE;
    const INT_PTR result =
        CallGuarded(dialog, INT_PTR{FALSE}, [&] { return procedure(dialog, message, wParam, lParam); });
    // Whatever placed it (the template's centring, a rule of its own, a stored position), a dialog
    // opens inside the work area of its monitor.
    if (message == WM_INITDIALOG) MoveInsideWorkArea(dialog);
    if (message == WM_NCDESTROY) RemovePropW(dialog, kProcedureProperty);
    return result;
}

}  // namespace

int DialogTemplate(int japanese, int english) { return LanguageMode == Language::Japanese ? japanese : english; }

INT_PTR RunModalDialog(HWND owner, int japaneseTemplate, int englishTemplate, DLGPROC procedure, LPARAM parameter) {
    DialogContext context{procedure, parameter};
    return modalDialogRunner(owner, DialogTemplate(japaneseTemplate, englishTemplate), GuardedDialogProc,
                             reinterpret_cast<LPARAM>(&context));
}

HWND CreateModelessDialog(HWND owner, int templateId, DLGPROC procedure, LPARAM parameter) {
    DialogContext context{procedure, parameter};
    return CreateDialogParamW(ProgramInstance, MAKEINTRESOURCEW(templateId), owner, GuardedDialogProc,
                              reinterpret_cast<LPARAM>(&context));
}

ModalDialogRunner SetModalDialogRunner(ModalDialogRunner runner) {
    return std::exchange(modalDialogRunner, runner ? runner : SystemModalDialog);
}
