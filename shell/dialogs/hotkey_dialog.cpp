#include "hotkey_dialog.h"

#include <string>
#include <vector>

#include "dialog_controls.h"
#include "dialog_host.h"
#include "dialog_tooltips.h"
#include "enlarge_dialog.h"
#include "help_topic.h"
#include "language.h"
#include "message_box.h"
#include "options.h"
#include "resource.h"

namespace {

struct HotkeyKey {
    std::wstring name;
    BYTE code;
};

// The combo boxes' list, the index being the list index: "no key", then A–Z, 0–9 and F1–F24.
std::vector<HotkeyKey> KeyList() {
    std::vector<HotkeyKey> keys;
    keys.push_back({Tr(L"なし", L"None"), 0});
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) keys.push_back({std::wstring(1, letter), static_cast<BYTE>(letter)});
    for (wchar_t digit = L'0'; digit <= L'9'; ++digit) keys.push_back({std::wstring(1, digit), static_cast<BYTE>(digit)});
    for (int f = 1; f <= 24; ++f) keys.push_back({L"F" + std::to_wstring(f) + L" key", static_cast<BYTE>(VK_F1 + f - 1)});
    return keys;
}

struct HotkeyChoice {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    BYTE key = 0;  // 0: not assigned
};

struct HotkeyControls {
    int shift, ctrl, alt, key;
};
constexpr int kHotkeyRows = 4;
constexpr HotkeyControls kControls[kHotkeyRows] = {
    {IDC_HOTKEY1_SHIFT, IDC_HOTKEY1_CTRL, IDC_HOTKEY1_ALT, IDC_HOTKEY1_KEY},
    {IDC_HOTKEY2_SHIFT, IDC_HOTKEY2_CTRL, IDC_HOTKEY2_ALT, IDC_HOTKEY2_KEY},
    {IDC_HOTKEY3_SHIFT, IDC_HOTKEY3_CTRL, IDC_HOTKEY3_ALT, IDC_HOTKEY3_KEY},
    {IDC_HOTKEY4_SHIFT, IDC_HOTKEY4_CTRL, IDC_HOTKEY4_ALT, IDC_HOTKEY4_KEY},
};

struct HotkeyDraft {
    HotkeyChoice hotkeys[kHotkeyRows];
};

HotkeyDraft& DraftOf(HWND dialog) { return *reinterpret_cast<HotkeyDraft*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

HotkeyDraft DraftFromOptions() {
    const auto& o = ProcessingOptions;
    return {{{o.SK1_SHIFT, o.SK1_CTRL, o.SK1_ALT, o.SK1_VKEY},
             {o.SK2_SHIFT, o.SK2_CTRL, o.SK2_ALT, o.SK2_VKEY},
             {o.SK3_SHIFT, o.SK3_CTRL, o.SK3_ALT, o.SK3_VKEY},
             {o.SK4_SHIFT, o.SK4_CTRL, o.SK4_ALT, o.SK4_VKEY}}};
}

void CommitDraft(const HotkeyDraft& draft) {
    auto& o = ProcessingOptions;
    const HotkeyChoice& first = draft.hotkeys[0];
    const HotkeyChoice& second = draft.hotkeys[1];
    const HotkeyChoice& third = draft.hotkeys[2];
    const HotkeyChoice& fourth = draft.hotkeys[3];
    o.SK1_SHIFT = first.shift;
    o.SK1_CTRL = first.ctrl;
    o.SK1_ALT = first.alt;
    o.SK1_VKEY = first.key;
    o.SK2_SHIFT = second.shift;
    o.SK2_CTRL = second.ctrl;
    o.SK2_ALT = second.alt;
    o.SK2_VKEY = second.key;
    o.SK3_SHIFT = third.shift;
    o.SK3_CTRL = third.ctrl;
    o.SK3_ALT = third.alt;
    o.SK3_VKEY = third.key;
    o.SK4_SHIFT = fourth.shift;
    o.SK4_CTRL = fourth.ctrl;
    o.SK4_ALT = fourth.alt;
    o.SK4_VKEY = fourth.key;
}

// A stored code that is not in the list (a hand-edited file) shows as "None".
void FillKeyList(HWND dialog, int comboId, BYTE selected) {
    const std::vector<HotkeyKey> keys = KeyList();
    AddComboItem(dialog, comboId, keys[0].name.c_str());
    SelectComboItem(dialog, comboId, 0);
    for (size_t i = 1; i < keys.size(); ++i) {
        AddComboItem(dialog, comboId, keys[i].name.c_str());
        if (keys[i].code == selected) SelectComboItem(dialog, comboId, static_cast<int>(i));
    }
}

void Load(HWND dialog, const HotkeyDraft& draft) {
    for (int i = 0; i < kHotkeyRows; ++i) {
        SetChecked(dialog, kControls[i].shift, draft.hotkeys[i].shift);
        SetChecked(dialog, kControls[i].ctrl, draft.hotkeys[i].ctrl);
        SetChecked(dialog, kControls[i].alt, draft.hotkeys[i].alt);
    }
    for (int i = 0; i < kHotkeyRows; ++i) FillKeyList(dialog, kControls[i].key, draft.hotkeys[i].key);
}

HotkeyChoice ReadChoice(HWND dialog, const HotkeyControls& controls) {
    const std::vector<HotkeyKey> keys = KeyList();
    const int index = ComboSelection(dialog, controls.key);
    const BYTE key = index > 0 && index < static_cast<int>(keys.size()) ? keys[static_cast<size_t>(index)].code : 0;
    return {IsChecked(dialog, controls.shift), IsChecked(dialog, controls.ctrl), IsChecked(dialog, controls.alt), key};
}

// Two assigned hotkeys with the same key and modifiers cannot both be registered.
bool Collide(const HotkeyChoice& first, const HotkeyChoice& second) {
    return first.key != 0 && first.key == second.key && first.shift == second.shift && first.ctrl == second.ctrl &&
           first.alt == second.alt;
}

bool AnyTwoCollide(const HotkeyDraft& draft) {
    for (int i = 0; i < kHotkeyRows; ++i)
        for (int j = i + 1; j < kHotkeyRows; ++j)
            if (Collide(draft.hotkeys[i], draft.hotkeys[j])) return true;
    return false;
}

// False after telling the user why; the dialog then stays open.
bool Store(HWND dialog, HotkeyDraft& draft) {
    HotkeyDraft read;
    for (int i = 0; i < kHotkeyRows; ++i) read.hotkeys[i] = ReadChoice(dialog, kControls[i]);
    if (AnyTwoCollide(read)) {
        ShowMessageBox(nullptr, Tr(L"同じホットキーは指定できません。", L"Do not specify the same hotkey."),
                       Tr(L"ホットキーの割り当て", L"Assigns Hotkeys"), MB_OK | MB_ICONERROR);
        return false;
    }
    draft = read;
    return true;
}

BOOL OnInitDialog(HWND dialog, HotkeyDraft* draft) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(draft));
    Load(dialog, *draft);
    CreateDialogTooltips(dialog, HotkeyDialogTooltips());
    if (ProcessingOptions.BIGDIALOG) EnlargeDialog(HotkeyEnlargeState, dialog, PlaceLowerRight);
    return TRUE;
}

void OnCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDOK:
        if (Store(dialog, DraftOf(dialog))) EndDialog(dialog, IDOK);
        break;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
    case IDHELP: OpenHelpTopic(dialog, L"HLP000018.html#shortcutkey"); break;
    default: break;
    }
}

INT_PTR CALLBACK HotkeyDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, reinterpret_cast<HotkeyDraft*>(lParam));
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam)); return TRUE;
    case WM_DESTROY:
        if (HotkeyEnlargeState.scale != 0) UndoEnlargeDialog(HotkeyEnlargeState);
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

bool RunHotkeyDialog(HWND owner) {
    HotkeyDraft draft = DraftFromOptions();
    if (RunModalDialog(owner, IDD_HOTKEYS_JA, IDD_HOTKEYS_EN, HotkeyDlgProc, reinterpret_cast<LPARAM>(&draft)) != IDOK)
        return false;
    CommitDraft(draft);
    return true;
}
