#pragma once
// Every dialog of the program opens here: the template of the current language, icons 107 and 131,
// and the one exception guard around its procedure. Menu dialogs also hold DialogBusy.
#include <windows.h>

extern bool DialogBusy;  // a dialog opened from the menu is open; a second one is ignored meanwhile

// The Japanese template while LanguageMode is Japanese, else the English one.
int DialogTemplate(int japanese, int english);

// Runs a modal dialog and returns what it ended with; -1 when it could not be created.
INT_PTR RunModalDialog(HWND owner, int japaneseTemplate, int englishTemplate, DLGPROC procedure, LPARAM parameter = 0);
// Creates a modeless dialog from one template, the same way.
HWND CreateModelessDialog(HWND owner, int templateId, DLGPROC procedure, LPARAM parameter = 0);

// Holds DialogBusy for the life of one menu dialog and clears it on every way out.
class DialogBusyScope {
public:
    DialogBusyScope() { DialogBusy = true; }
    ~DialogBusyScope() { DialogBusy = false; }
    DialogBusyScope(const DialogBusyScope&) = delete;
    DialogBusyScope& operator=(const DialogBusyScope&) = delete;
};

// How a modal dialog runs once its template is chosen: DialogBoxParamW unless a test puts in a
// recorder. `procedure` and `parameter` are what DialogBoxParamW must be given. Returns the previous.
using ModalDialogRunner = INT_PTR (*)(HWND owner, int templateId, DLGPROC procedure, LPARAM parameter);
ModalDialogRunner SetModalDialogRunner(ModalDialogRunner runner);
