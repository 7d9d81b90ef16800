#include "regex_dialog.h"

#include <iterator>
#include <string>
#include <utility>

#include "anchor_layout.h"
#include "ansi_text.h"
#include "combobox_queue.h"
#include "dialog_controls.h"
#include "dialog_dpi.h"
#include "dialog_host.h"
#include "dialog_tooltips.h"
#include "enlarge_dialog.h"
#include "help_topic.h"
#include "language.h"
#include "message_box.h"
#include "options.h"
#include "regex_replace.h"
#include "resource.h"

namespace {

constexpr int kTextUnits = 2049;  // pattern and format

struct RegexTemplate {
    const wchar_t* japanese;
    const wchar_t* english;
    const wchar_t* pattern;  // "\t" stays two characters: the pattern and format syntaxes read it as TAB
    const wchar_t* format;
};

// Entry 0 is the prompt and has no pair.
constexpr RegexTemplate kTemplates[] = {
    {L"(テンプレートから選択できます)", L"(You can choose from templates)", nullptr, nullptr},
    {L"行頭に // を1つ入れる", L"Put one // at the beginning of the line", L"(^.*$)", L"//$1"},
    {L"行頭に ' を1つ入れる", L"Put one ' at the beginning of the line", L"(^.*$)", L"'$1"},
    {L"行頭に # を1つ入れる", L"Put one # at the beginning of the line", L"(^.*$)", L"#$1"},
    {L"行頭に TAB を1つ入れる", L"Put one TAB at the beginning of the line", L"(^.*$)", L"\\t$1"},
    {L"行頭に 半角スペース を1つ入れる", L"Put one space at the beginning of the line", L"(^.*$)", L" $1"},
    {L"行頭に > を1つ入れる", L"Put one > at the beginning of the line", L"(^.*$)", L">$1"},
    {L"行頭の // を1つ削除する", L"Delete one // at the beginning of the line", L"^//(.*)$", L"$1"},
    {L"行頭の ' を1つ削除する", L"Delete one ' at the beginning of the line", L"^'(.*)$", L"$1"},
    {L"行頭の # を1つ削除する", L"Delete one # at the beginning of the line", L"^#(.*)$", L"$1"},
    {L"行頭の TAB を1つ削除する", L"Delete one TAB at the beginning of the line", L"^\\t(.*)$", L"$1"},
    {L"行頭の 半角スペース を1つ削除する", L"Delete one space at the beginning of the line", L"^ (.*)$", L"$1"},
    {L"行頭の > を1つ削除する", L"Delete one > at the beginning of the line", L"^>(.*)$", L"$1"},
};

// The pattern and format combos stretch with the width; the buttons keep to the lower right.
constexpr AnchorEntry kAnchors[] = {
    {IDC_REGEX_BEFORE, AnchorStretchWidth}, {IDC_REGEX_AFTER, AnchorStretchWidth}, {IDOK, AnchorRightBottom},
    {IDCANCEL, AnchorRightBottom},          {IDHELP, AnchorRightBottom},
};

// Everything but the on/off box and the buttons follows the on/off box.
constexpr int kReplacementControls[] = {IDC_REGEX_TEMPLATE_LABEL, IDC_REGEX_TEMPLATE, IDC_REGEX_BEFORE_LABEL,
                                        IDC_REGEX_BEFORE,         IDC_REGEX_AFTER_LABEL, IDC_REGEX_AFTER,
                                        IDC_REGEX_ICASE,          IDC_REGEX_SINGLELINE,  IDC_REGEX_NOTDOTNEWLINE};

struct RegexDraft {
    bool on = false;
    std::wstring before;
    std::wstring after;
    bool icase = false;
    bool singleLine = false;
    bool notDotNewline = false;
};

struct RegexDialogState {
    RegexDraft draft;
    ComboboxQueue beforeHistory;
    ComboboxQueue afterHistory;
    AnchorLayout layout;
    bool laidOut = false;  // size messages arrive before the layout exists
    UINT dpi = kBaseDpi;   // of the monitor the dialog is on, as last told
    DpiFont font;
    HWND tooltip = nullptr;
};

RegexDialogState* StateOf(HWND dialog) {
    return reinterpret_cast<RegexDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

RegexDraft DraftFromOptions() {
    const auto& o = ProcessingOptions;
    return {o.REP_REP, o.REP_BEFORE, o.REP_AFTER, o.REP_ICASE, o.REP_SINGLELINE, o.REP_NOTDOTNEWLINE};
}

void CommitDraft(const RegexDraft& draft) {
    auto& o = ProcessingOptions;
    o.REP_REP = draft.on;
    o.REP_BEFORE = draft.before;
    o.REP_AFTER = draft.after;
    o.REP_ICASE = draft.icase;
    o.REP_SINGLELINE = draft.singleLine;
    o.REP_NOTDOTNEWLINE = draft.notDotNewline;
}

std::wstring PatternText(HWND dialog) { return ControlText(dialog, IDC_REGEX_BEFORE, kTextUnits); }

void ApplyEnablingRule(HWND dialog, bool on) {
    for (int id : kReplacementControls) EnableControl(dialog, id, on);
    EnableControl(dialog, IDOK, !on || !PatternText(dialog).empty());
}

void Load(HWND dialog, const RegexDraft& draft) {
    SetChecked(dialog, IDC_REGEX_ON, draft.on);
    SetControlText(dialog, IDC_REGEX_BEFORE, draft.before);
    SetControlText(dialog, IDC_REGEX_AFTER, draft.after);
    SetChecked(dialog, IDC_REGEX_ICASE, draft.icase);
    SetChecked(dialog, IDC_REGEX_SINGLELINE, draft.singleLine);
    SetChecked(dialog, IDC_REGEX_NOTDOTNEWLINE, draft.notDotNewline);
}

void FillTemplates(HWND dialog) {
    for (const RegexTemplate& entry : kTemplates) AddComboItem(dialog, IDC_REGEX_TEMPLATE, Tr(entry.japanese, entry.english));
    SelectComboItem(dialog, IDC_REGEX_TEMPLATE, 0);
}

void SetUpLayout(HWND dialog, RegexDialogState& state) {
    state.laidOut = state.layout.Setup(dialog, kAnchors);
    state.layout.maxTrackHeight = state.layout.openingHeight;  // only ever wider, never taller
}

BOOL OnInitDialog(HWND dialog, RegexDialogState* state) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    if (ProcessingOptions.BIGDIALOG) EnlargeDialog(RegexEnlargeState, dialog, PlaceLowerRight);
    state->beforeHistory.Initialise(GetDlgItem(dialog, IDC_REGEX_BEFORE), L"cbq_before");
    state->afterHistory.Initialise(GetDlgItem(dialog, IDC_REGEX_AFTER), L"cbq_after");
    for (int id : {IDC_REGEX_BEFORE, IDC_REGEX_AFTER}) SendDlgItemMessageW(dialog, id, CB_LIMITTEXT, kTextUnits, 0);
    Load(dialog, state->draft);
    ApplyEnablingRule(dialog, state->draft.on);
    FillTemplates(dialog);
    state->tooltip = CreateDialogTooltips(dialog, RegexDialogTooltips());
    state->dpi = DpiOf(dialog);
    state->font.Record(GetDlgItem(dialog, IDOK), state->dpi);
    TakeOverDialogDpiChanges(dialog);
    SetUpLayout(dialog, *state);
    return TRUE;
}

// Moved to a monitor of another DPI: the suggested rectangle, the controls and their font scaled,
// and the layout's distances and limits with them, so the buttons stay whole at the bottom.
void OnDpiChanged(HWND dialog, RegexDialogState& state, UINT to, const RECT& suggested) {
    const UINT from = state.dpi;
    if (to == 0 || to == from) return;
    state.dpi = to;
    const bool laidOut = std::exchange(state.laidOut, false);  // the old distances must not apply meanwhile
    RescaleDialog(dialog, state.font, from, to, suggested);
    if (state.tooltip) FitTooltipWidth(state.tooltip, to);
    if (!laidOut) return;
    state.layout.Rescale(from, to);
    state.laidOut = true;
    state.layout.Apply();
}

void ChooseTemplate(HWND dialog, int index) {
    if (index <= 0 || index >= static_cast<int>(std::size(kTemplates))) return;  // the prompt changes nothing
    SetChecked(dialog, IDC_REGEX_SINGLELINE, false);
    SetChecked(dialog, IDC_REGEX_NOTDOTNEWLINE, true);
    SetControlText(dialog, IDC_REGEX_BEFORE, kTemplates[index].pattern);
    SetControlText(dialog, IDC_REGEX_AFTER, kTemplates[index].format);
    EnableControl(dialog, IDOK, true);
}

void ShowRegexError(const std::wstring& text) {
    ShowMessageBox(nullptr, text, Tr(L"正規表現による置換", L"Replaces substring by a regular expression"),
                   MB_OK | MB_ICONERROR);
}

// The pattern must compile even while the replacement is off, so that switching it on later
// from the stored settings cannot meet a broken pattern.
bool CheckPattern(const std::wstring& pattern) {
    std::string message;
    switch (CheckRegexPattern(pattern, message)) {
    case PatternCheck::Valid: return true;
    case PatternCheck::SyntaxError:
        ShowRegexError(Tr(L"正規表現（置換前文字列）のエラー：\n", L"regex error:\n") + WideFromAnsi(message.c_str()));
        return false;
    case PatternCheck::Failed: break;
    }
    ShowRegexError(Tr(L"予期せぬ例外が発生", L"unknow exception"));
    return false;
}

// False after telling the user why; the dialog then stays open with the user's text.
bool Store(HWND dialog, RegexDialogState& state) {
    const bool on = IsChecked(dialog, IDC_REGEX_ON);
    const std::wstring pattern = PatternText(dialog);
    if (on && pattern.empty()) {
        ShowRegexError(Tr(L"変更前文字列が入力されていません。", L"Before Text is empty."));
        return false;
    }
    if (!CheckPattern(pattern)) return false;
    RegexDraft& draft = state.draft;
    draft = {on,
             pattern,
             ControlText(dialog, IDC_REGEX_AFTER, kTextUnits),
             IsChecked(dialog, IDC_REGEX_ICASE),
             IsChecked(dialog, IDC_REGEX_SINGLELINE),
             IsChecked(dialog, IDC_REGEX_NOTDOTNEWLINE)};
    if (!draft.before.empty()) state.beforeHistory.Push(draft.before);
    if (!draft.after.empty()) state.afterHistory.Push(draft.after);
    return true;
}

void OnPatternNotification(HWND dialog, WORD code) {
    if (code == CBN_EDITCHANGE) EnableControl(dialog, IDOK, !PatternText(dialog).empty());
    else if (code == CBN_SELCHANGE) EnableControl(dialog, IDOK, true);
}

void OnCommand(HWND dialog, WORD id, WORD code) {
    switch (id) {
    case IDC_REGEX_ON: ApplyEnablingRule(dialog, IsChecked(dialog, IDC_REGEX_ON)); break;
    case IDC_REGEX_BEFORE: OnPatternNotification(dialog, code); break;
    case IDC_REGEX_TEMPLATE:
        if (code == CBN_SELCHANGE) ChooseTemplate(dialog, ComboSelection(dialog, IDC_REGEX_TEMPLATE));
        break;
    case IDOK:
        if (Store(dialog, *StateOf(dialog))) EndDialog(dialog, IDOK);
        break;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
    case IDHELP: OpenHelpTopic(dialog, L"HLP000011.html"); break;
    default: break;
    }
}

void OnDestroy(HWND dialog) {
    if (RegexDialogState* state = StateOf(dialog)) {
        state->beforeHistory.Release();
        state->afterHistory.Release();
        state->laidOut = false;
    }
    if (RegexEnlargeState.scale != 0) UndoEnlargeDialog(RegexEnlargeState);
}

INT_PTR CALLBACK RegexDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    RegexDialogState* state = StateOf(dialog);
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, reinterpret_cast<RegexDialogState*>(lParam));
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_SIZE:
        if (state && state->laidOut) state->layout.Apply();
        return FALSE;
    case WM_GETMINMAXINFO:
        if (state && state->laidOut) state->layout.Limits(*reinterpret_cast<MINMAXINFO*>(lParam));
        return FALSE;
    case WM_DPICHANGED:
        if (state) OnDpiChanged(dialog, *state, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_DESTROY: OnDestroy(dialog); return FALSE;
    default: return FALSE;
    }
}

}  // namespace

bool RunRegexDialog(HWND owner) {
    RegexDialogState state;
    state.draft = DraftFromOptions();
    if (RunModalDialog(owner, IDD_REGEX_JA, IDD_REGEX_EN, RegexDlgProc, reinterpret_cast<LPARAM>(&state)) != IDOK)
        return false;
    CommitDraft(state.draft);
    return true;
}
