#include "hotkeys.h"

#include <cstdint>
#include <vector>

#include "commands.h"
#include "language.h"
#include "messages.h"
#include "options.h"
#include "pending_notification.h"
#include "settings.h"

namespace {

const wchar_t* ToggleHotkeyFailure() {
    return Tr(L"「クリップボードの変更を監視しない」のホットキーの割当てに失敗しました。",
              L"Cannot register a hotkey for 'Stops to monitor the clipboard.'");
}

const wchar_t* RestoreHotkeyFailure() {
    return Tr(L"「元のコピーに戻す」のホットキーの割当てに失敗しました。",
              L"Cannot register a hotkey for 'Restore the original copy.'");
}

const wchar_t* PastePlainHotkeyFailure() {
    return Tr(L"「プレーンテキストとして貼り付け」のホットキーの割当てに失敗しました。",
              L"Cannot register a hotkey for 'Paste as plain text.'");
}

struct HotkeySetting {
    int id;
    bool shift, ctrl, alt;
    std::uint8_t key;
};

std::vector<HotkeySetting> AssignedHotkeys() {
    const auto& o = ProcessingOptions;
    std::vector<HotkeySetting> assigned;
    const HotkeySetting all[] = {
        {kHotkeyToggleWatch, o.SK1_SHIFT, o.SK1_CTRL, o.SK1_ALT, o.SK1_VKEY},
        {kHotkeyProcessNow, o.SK2_SHIFT, o.SK2_CTRL, o.SK2_ALT, o.SK2_VKEY},
        {kHotkeyRestoreOriginal, o.SK3_SHIFT, o.SK3_CTRL, o.SK3_ALT, o.SK3_VKEY},
        {kHotkeyPastePlain, o.SK4_SHIFT, o.SK4_CTRL, o.SK4_ALT, o.SK4_VKEY},
    };
    for (const HotkeySetting& setting : all)
        if (setting.key != 0) assigned.push_back(setting);
    return assigned;
}

std::vector<HotkeySetting> released;  // let go of for our own keystroke, to be taken back

// MOD_NOREPEAT: a hotkey held down fires once, not once for each repeat the keyboard sends.
bool RegisterOneHotkey(HWND window, const HotkeySetting& setting) {
    const UINT modifiers = HotkeyModifiers(setting.shift, setting.ctrl, setting.alt) | MOD_NOREPEAT;
    return RegisterHotKey(window, setting.id, modifiers, setting.key) != FALSE;
}

// The second key's Japanese failure is worded by the routine that registers it.
const wchar_t* RefusalText(int id, const wchar_t* processFailureJapanese) {
    switch (id) {
    case kHotkeyToggleWatch: return ToggleHotkeyFailure();
    case kHotkeyProcessNow:
        return Tr(processFailureJapanese, L"Cannot register a hotkey for 'Clipboard Rich Text to Plane Text.'");
    case kHotkeyRestoreOriginal: return RestoreHotkeyFailure();
    default: return PastePlainHotkeyFailure();
    }
}

}  // namespace

UINT HotkeyModifiers(bool shift, bool ctrl, bool alt) {
    return (shift ? MOD_SHIFT : 0) | (ctrl ? MOD_CONTROL : 0) | (alt ? MOD_ALT : 0);
}

namespace {

// Registers each hotkey that is set, after releasing the old bindings when asked; refusals are
// shown together in one balloon. The two paths word the second key's Japanese failure differently.
void RegisterSetHotkeys(HWND window, bool releaseFirst, const wchar_t* processFailureJapanese) {
    PendingNotification::Clear();
    // Every id is free before any is registered: a combination moving from one hotkey to another
    // (a swap) would otherwise be refused while its old id still holds it.
    if (releaseFirst)
        for (int id : {kHotkeyToggleWatch, kHotkeyProcessNow, kHotkeyRestoreOriginal, kHotkeyPastePlain})
            UnregisterHotKey(window, id);
    bool failed = false;
    for (const HotkeySetting& setting : AssignedHotkeys()) {
        if (RegisterOneHotkey(window, setting)) continue;
        PendingNotification::Append(RefusalText(setting.id, processFailureJapanese), SeverityWarning);
        failed = true;
    }
    if (failed) PendingNotification::Show();
}

}  // namespace

void RegisterHotkeys(HWND window) {
    RegisterSetHotkeys(window, false, L"「クリップボード内のテキストの属性を除去する」のホットキーの割当てに失敗しました。");
}

void ReregisterHotkeys(HWND window) {
    RegisterSetHotkeys(window, true, L"「クリップボード内のテキストの属性を除去する」のホットキー割当てに失敗しました。");
    // Stored at once, so the new keys hold even when the settings dialog is cancelled afterwards.
    SaveSettings();
}

void ReleaseHotkeys(HWND window) {
    for (const HotkeySetting& setting : AssignedHotkeys()) UnregisterHotKey(window, setting.id);
}

void OnHotkey(HWND window, WPARAM hotkeyId) {
    // Posted, not run here: the command then runs from the message loop like any menu choice.
    if (hotkeyId == kHotkeyToggleWatch) PostMessageW(window, WM_APP_COMMAND, IDM_WATCH_TOGGLE, 0);
    else if (hotkeyId == kHotkeyProcessNow) PostMessageW(window, WM_APP_COMMAND, IDM_PROCESS_NOW, 0);
    else if (hotkeyId == kHotkeyRestoreOriginal) PostMessageW(window, WM_APP_COMMAND, IDM_RESTORE_ORIGINAL, 0);
    else if (hotkeyId == kHotkeyPastePlain) PostMessageW(window, WM_APP_COMMAND, IDM_PASTE_PLAIN, 0);
}

void ReleaseHotkeysMatching(HWND window, UINT modifiers, UINT key) {
    for (const HotkeySetting& setting : AssignedHotkeys()) {
        if (setting.key != key || HotkeyModifiers(setting.shift, setting.ctrl, setting.alt) != modifiers) continue;
        if (UnregisterHotKey(window, setting.id)) released.push_back(setting);
    }
}

void TakeHotkeysBack(HWND window) {
    for (const HotkeySetting& setting : released) (void)RegisterOneHotkey(window, setting);
    released.clear();
}
