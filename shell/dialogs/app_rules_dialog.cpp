#include "app_rules_dialog.h"

#include <algorithm>
#include <string>
#include <vector>

#include "copy_rules.h"
#include "dialog_controls.h"
#include "dialog_host.h"
#include "dialog_tooltips.h"
#include "enlarge_dialog.h"
#include "help_topic.h"
#include "language.h"
#include "options.h"
#include "resource.h"
#include "settings_dialog.h"

namespace {

constexpr int kNameUnits = 1024;
constexpr int kRuleButtons[] = {IDC_APP_RULE_NONE, IDC_APP_RULE_LEAVE, IDC_APP_RULE_ONLY};

// What the dialog edits, and the recent programs as they were when it opened.
struct AppRulesDraft {
    int rule = AppRuleNone;
    std::vector<std::wstring> names;
    std::vector<std::wstring> recent;
};

AppRulesDraft& DraftOf(HWND dialog) {
    return *reinterpret_cast<AppRulesDraft*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

bool IsListed(const AppRulesDraft& draft, const std::wstring& name) {
    return std::any_of(draft.names.begin(), draft.names.end(),
                       [&](const std::wstring& listed) { return SameProgramName(listed, name); });
}

// Each recent program has a button of its own; one already listed cannot be added again.
void ShowRecentPrograms(HWND dialog, const AppRulesDraft& draft) {
    for (int id = IDC_APP_RECENT_FIRST; id <= IDC_APP_RECENT_LAST; ++id) {
        const size_t index = static_cast<size_t>(id - IDC_APP_RECENT_FIRST);
        const bool shown = index < draft.recent.size();
        SetControlText(dialog, id, shown ? draft.recent[index] : std::wstring());
        ShowWindow(GetDlgItem(dialog, id), shown ? SW_SHOWNA : SW_HIDE);
        EnableControl(dialog, id, shown && !IsListed(draft, draft.recent[index]));
    }
}

void ShowList(HWND dialog, const AppRulesDraft& draft, int selection) {
    SendDlgItemMessageW(dialog, IDC_APP_LIST, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& name : draft.names)
        SendDlgItemMessageW(dialog, IDC_APP_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendDlgItemMessageW(dialog, IDC_APP_LIST, LB_SETCURSEL, static_cast<WPARAM>(selection), 0);
    EnableControl(dialog, IDC_APP_REMOVE, !draft.names.empty());
    ShowRecentPrograms(dialog, draft);
}

// Whatever the user gives is taken: split at ";", trimmed, and added unless already listed.
void AddNames(HWND dialog, const std::wstring& text) {
    AppRulesDraft& draft = DraftOf(dialog);
    for (const std::wstring& name : SplitProgramList(text))
        if (!IsListed(draft, name)) draft.names.push_back(name);
    ShowList(dialog, draft, static_cast<int>(draft.names.size()) - 1);
}

void AddTypedNames(HWND dialog) {
    AddNames(dialog, ControlText(dialog, IDC_APP_NAME, kNameUnits));
    SetControlText(dialog, IDC_APP_NAME, L"");
}

void RemoveSelectedName(HWND dialog) {
    AppRulesDraft& draft = DraftOf(dialog);
    const auto selected = static_cast<int>(SendDlgItemMessageW(dialog, IDC_APP_LIST, LB_GETCURSEL, 0, 0));
    if (selected < 0 || selected >= static_cast<int>(draft.names.size())) return;
    draft.names.erase(draft.names.begin() + selected);
    ShowList(dialog, draft, std::min(selected, static_cast<int>(draft.names.size()) - 1));
}

// Only the file name is kept: the same program may live in another folder on another machine.
void BrowseForProgram(HWND dialog) {
    std::wstring buffer(MAX_PATH * 4, L'\0');
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = Tr(L"プログラム (*.exe)\0*.exe\0すべてのファイル (*.*)\0*.*\0\0",
                             L"Programs (*.exe)\0*.exe\0All files (*.*)\0*.*\0\0");
    request.nFilterIndex = 1;
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(buffer.size());
    request.lpstrTitle = Tr(L"プログラムを選択", L"Choose a program");
    request.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    DWORD error = 0;
    if (!ChooseFile(request, error)) return;
    const std::wstring path = buffer.c_str();
    AddNames(dialog, path.substr(path.find_last_of(L"\\/") + 1));
}

void AddRecentProgram(HWND dialog, int id) {
    const AppRulesDraft& draft = DraftOf(dialog);
    const size_t index = static_cast<size_t>(id - IDC_APP_RECENT_FIRST);
    if (index < draft.recent.size()) AddNames(dialog, draft.recent[index]);
}

void Load(HWND dialog, const AppRulesDraft& draft) {
    const int rule = draft.rule >= AppRuleNone && draft.rule <= AppRuleOnlyListed ? draft.rule : AppRuleNone;
    CheckRadioButton(dialog, IDC_APP_RULE_NONE, IDC_APP_RULE_ONLY, kRuleButtons[rule]);
    SendDlgItemMessageW(dialog, IDC_APP_NAME, EM_LIMITTEXT, kNameUnits, 0);
    ShowList(dialog, draft, 0);
}

// A name still in the field counts as added: the user typed it to have it.
void Store(HWND dialog, AppRulesDraft& draft) {
    AddTypedNames(dialog);
    for (int rule = AppRuleNone; rule <= AppRuleOnlyListed; ++rule)
        if (IsChecked(dialog, kRuleButtons[rule])) draft.rule = rule;
}

BOOL OnInitDialog(HWND dialog, AppRulesDraft* draft) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(draft));
    Load(dialog, *draft);
    CreateDialogTooltips(dialog, AppRulesDialogTooltips());
    if (ProcessingOptions.BIGDIALOG) EnlargeDialog(AppRulesEnlargeState, dialog, PlaceLowerRight);
    return TRUE;
}

void OnCommand(HWND dialog, WORD id) {
    if (id >= IDC_APP_RECENT_FIRST && id <= IDC_APP_RECENT_LAST) {
        AddRecentProgram(dialog, id);
        return;
    }
    switch (id) {
    case IDC_APP_ADD: AddTypedNames(dialog); break;
    case IDC_APP_REMOVE: RemoveSelectedName(dialog); break;
    case IDC_APP_BROWSE: BrowseForProgram(dialog); break;
    case IDOK:
        Store(dialog, DraftOf(dialog));
        EndDialog(dialog, IDOK);
        break;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
    case IDHELP: OpenHelpTopic(dialog, L"HLP000030.html"); break;
    default: break;
    }
}

INT_PTR CALLBACK AppRulesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, reinterpret_cast<AppRulesDraft*>(lParam));
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam)); return TRUE;
    case WM_DESTROY:
        if (AppRulesEnlargeState.scale != 0) UndoEnlargeDialog(AppRulesEnlargeState);
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

bool RunAppRulesDialog(HWND owner) {
    AppRulesDraft draft{ProcessingOptions.APP_RULE, SplitProgramList(ProcessingOptions.APP_LIST), RecentCopyPrograms()};
    if (RunModalDialog(owner, IDD_APP_RULES_JA, IDD_APP_RULES_EN, AppRulesDlgProc, reinterpret_cast<LPARAM>(&draft)) !=
        IDOK)
        return false;
    ProcessingOptions.APP_RULE = draft.rule;
    ProcessingOptions.APP_LIST = JoinProgramList(draft.names);
    return true;
}
