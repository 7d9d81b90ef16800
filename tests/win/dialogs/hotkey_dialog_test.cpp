#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

#include "dialog_fixture.h"
#include "hotkey_dialog.h"
#include "hotkeys.h"
#include "options.h"
#include "resource.h"
#include "scoped_win.h"

namespace dialog_test {
namespace {

bool RunHotkeyDialogWithoutOwner() { return RunHotkeyDialog(nullptr); }

// A window of its own to register hotkeys on, as the main window does.
struct HiddenWindow : UniqueWindow {
    HiddenWindow()
        : UniqueWindow(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr)) {}
};

// True when no one holds the combination: another window can take it.
bool IsHotkeyFree(UINT modifiers, UINT key) {
    HiddenWindow probe;
    const bool free = RegisterHotKey(probe.get(), 0x7A05, modifiers, key) != FALSE;
    if (free) UnregisterHotKey(probe.get(), 0x7A05);
    return free;
}

struct Hotkey {
    bool shift, ctrl, alt;
    BYTE key;
};

void SetOptions(const Hotkey& first, const Hotkey& second) {
    auto& o = ProcessingOptions;
    o.SK1_SHIFT = first.shift, o.SK1_CTRL = first.ctrl, o.SK1_ALT = first.alt, o.SK1_VKEY = first.key;
    o.SK2_SHIFT = second.shift, o.SK2_CTRL = second.ctrl, o.SK2_ALT = second.alt, o.SK2_VKEY = second.key;
}

std::vector<int> OptionsAsList() {
    const auto& o = ProcessingOptions;
    return {o.SK1_SHIFT, o.SK1_CTRL, o.SK1_ALT, o.SK1_VKEY, o.SK2_SHIFT, o.SK2_CTRL, o.SK2_ALT, o.SK2_VKEY};
}

// Sets one hotkey's boxes and key as a user would; `keyIndex` is the index in the key list.
void Enter(HWND dialog, int firstControl, bool shift, bool ctrl, bool alt, int keyIndex) {
    const bool wanted[] = {shift, ctrl, alt};
    for (int i = 0; i < 3; ++i)
        if (Checked(dialog, firstControl + i) != wanted[i]) Click(dialog, firstControl + i);
    Choose(dialog, firstControl + 3, keyIndex);
}

using HotkeyDialogTest = DialogTest;

// The list is the same in both languages but for its first entry, and each stored code finds its entry.
TEST_F(HotkeyDialogTest, OpensWithTheStoredModifiersAndKeys) {
    const struct {
        Language language;
        Hotkey first, second;
        int firstIndex, secondIndex;
        const wchar_t* none;
    } cases[] = {
        {Language::English, {true, false, true, 'A'}, {false, true, false, VK_F24}, 1, 60, L"None"},
        {Language::Japanese, {false, true, true, '0'}, {true, true, true, 'Z'}, 27, 26, L"なし"},
        {Language::English, {true, true, true, 0}, {false, false, false, VK_F1}, 0, 37, L"None"},
    };
    for (const auto& c : cases) {
        SetLanguage(c.language);
        SetOptions(c.first, c.second);
        Drive(RunHotkeyDialogWithoutOwner, [&](HWND dialog) {
            const bool checked[] = {Checked(dialog, IDC_HOTKEY1_SHIFT), Checked(dialog, IDC_HOTKEY1_CTRL),
                                  Checked(dialog, IDC_HOTKEY1_ALT),   Checked(dialog, IDC_HOTKEY2_SHIFT),
                                  Checked(dialog, IDC_HOTKEY2_CTRL),  Checked(dialog, IDC_HOTKEY2_ALT)};
            const bool expected[] = {c.first.shift,  c.first.ctrl,  c.first.alt,
                                     c.second.shift, c.second.ctrl, c.second.alt};
            for (int i = 0; i < 6; ++i) EXPECT_EQ(checked[i], expected[i]) << i;
            EXPECT_EQ(Selection(dialog, IDC_HOTKEY1_KEY), c.firstIndex);
            EXPECT_EQ(Selection(dialog, IDC_HOTKEY2_KEY), c.secondIndex);
            for (int combo : {IDC_HOTKEY1_KEY, IDC_HOTKEY2_KEY}) {
                const auto items = ComboItems(dialog, combo);
                ASSERT_EQ(items.size(), 61u);
                EXPECT_EQ(items[0], c.none);
                EXPECT_EQ(items[1], L"A");
                EXPECT_EQ(items[36], L"9");
                EXPECT_EQ(items[37], L"F1 key");
                EXPECT_EQ(items[60], L"F24 key");
            }
            Press(dialog, IDCANCEL);
        });
    }
}

TEST_F(HotkeyDialogTest, OkWritesAllEightOptionsAndCancelWritesNothing) {
    SetOptions({true, true, true, 'Q'}, {true, false, false, VK_F5});
    const std::vector<int> before = OptionsAsList();
    const auto entry = [&](HWND dialog) {
        Enter(dialog, IDC_HOTKEY1_SHIFT, false, true, false, 2);    // Ctrl+B
        Enter(dialog, IDC_HOTKEY2_SHIFT, false, false, true, 48);  // Alt+F12
    };
    EXPECT_FALSE(Drive(RunHotkeyDialogWithoutOwner, [&](HWND dialog) {
        entry(dialog);
        Press(dialog, IDCANCEL);
    }));
    EXPECT_EQ(OptionsAsList(), before);
    EXPECT_TRUE(Drive(RunHotkeyDialogWithoutOwner, [&](HWND dialog) {
        entry(dialog);
        Press(dialog, IDOK);
    }));
    EXPECT_EQ(OptionsAsList(), (std::vector<int>{0, 1, 0, 'B', 0, 0, 1, VK_F12}));
    EXPECT_TRUE(boxes().empty());
}

// Two assigned hotkeys may share a key or the modifiers, not both; "None" never collides.
TEST_F(HotkeyDialogTest, RefusesOnlyTwoIdenticalAssignedHotkeys) {
    const struct {
        const char* name;
        bool shift1, ctrl1, alt1;
        int key1;
        bool shift2, ctrl2, alt2;
        int key2;
        bool accepted;
    } cases[] = {
        {"same key and modifiers", true, false, true, 6, true, false, true, 6, false},
        {"same key, other modifiers", true, false, false, 6, false, true, false, 6, true},
        {"same modifiers, other key", false, true, false, 6, false, true, false, 7, true},
        {"both None, whatever the boxes", true, true, true, 0, true, true, true, 0, true},
        {"first None, same boxes as the second", false, true, false, 0, false, true, false, 0, true},
        {"a key alone, twice", false, false, false, 40, false, false, false, 40, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recorder_->Clear();
        SetOptions({}, {});
        bool refusedWhileOpen = false;
        const bool confirmed = Drive(RunHotkeyDialogWithoutOwner, [&](HWND dialog) {
            Enter(dialog, IDC_HOTKEY1_SHIFT, c.shift1, c.ctrl1, c.alt1, c.key1);
            Enter(dialog, IDC_HOTKEY2_SHIFT, c.shift2, c.ctrl2, c.alt2, c.key2);
            Press(dialog, IDOK);
            refusedWhileOpen = IsWindow(dialog) && IsWindowVisible(dialog) && !boxes().empty();
            if (refusedWhileOpen) Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(confirmed, c.accepted);
        EXPECT_EQ(refusedWhileOpen, !c.accepted);
        if (c.accepted) continue;
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, L"Do not specify the same hotkey.");
        EXPECT_EQ(boxes()[0].caption, L"Assigns Hotkeys");
        EXPECT_EQ(boxes()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(OptionsAsList(), std::vector<int>(8, 0)) << "nothing written";
    }
}

TEST_F(HotkeyDialogTest, JapaneseRefusalSpeaksJapanese) {
    SetLanguage(Language::Japanese);
    SetOptions({false, true, false, 'K'}, {false, true, false, 'K'});
    EXPECT_FALSE(Drive(RunHotkeyDialogWithoutOwner, [](HWND dialog) {
        Press(dialog, IDOK);
        Press(dialog, IDCANCEL);
    }));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, L"同じホットキーは指定できません。");
    EXPECT_EQ(boxes()[0].caption, L"ホットキーの割り当て");
}

// Hotkeys 3 and 4 are stored with the others and checked against each as they are against each other.
TEST_F(HotkeyDialogTest, LaterHotkeysAreStoredAndMayNotRepeatAnyOther) {
    const struct {
        int row;
        std::vector<int> others;
    } rows[] = {
        {IDC_HOTKEY3_SHIFT, {IDC_HOTKEY1_SHIFT, IDC_HOTKEY2_SHIFT}},
        {IDC_HOTKEY4_SHIFT, {IDC_HOTKEY1_SHIFT, IDC_HOTKEY2_SHIFT, IDC_HOTKEY3_SHIFT}},
    };
    for (const auto& r : rows) {
        for (int other : r.others) {
            SCOPED_TRACE(std::to_string(r.row) + " against " + std::to_string(other));
            recorder_->Clear();
            EXPECT_FALSE(Drive(RunHotkeyDialogWithoutOwner, [&](HWND dialog) {
                Enter(dialog, other, false, true, false, 6);
                Enter(dialog, r.row, false, true, false, 6);
                Press(dialog, IDOK);
                Press(dialog, IDCANCEL);
            }));
            ASSERT_EQ(boxes().size(), 1u);
            EXPECT_EQ(boxes()[0].text, L"Do not specify the same hotkey.");
            EXPECT_EQ(ProcessingOptions.SK3_VKEY, 0);
            EXPECT_EQ(ProcessingOptions.SK4_VKEY, 0);
        }
    }
    EXPECT_TRUE(Drive(RunHotkeyDialogWithoutOwner, [](HWND dialog) {
        Enter(dialog, IDC_HOTKEY3_SHIFT, true, false, true, 60);  // Shift+Alt+F24
        Enter(dialog, IDC_HOTKEY4_SHIFT, true, true, false, 22);  // Ctrl+Shift+V
        Press(dialog, IDOK);
    }));
    const auto& o = ProcessingOptions;
    EXPECT_EQ((std::vector<int>{o.SK3_SHIFT, o.SK3_CTRL, o.SK3_ALT, o.SK3_VKEY}), (std::vector<int>{1, 0, 1, VK_F24}));
    EXPECT_EQ((std::vector<int>{o.SK4_SHIFT, o.SK4_CTRL, o.SK4_ALT, o.SK4_VKEY}), (std::vector<int>{1, 1, 0, 'V'}));
}

// A hand-edited file may hold a code the list does not have: it shows as "None" and OK stores 0.
TEST_F(HotkeyDialogTest, AStoredCodeOutsideTheListShowsAsNoneAndOkClearsIt) {
    SetOptions({true, false, false, VK_SPACE}, {false, false, false, 'C'});
    EXPECT_TRUE(Drive(RunHotkeyDialogWithoutOwner, [](HWND dialog) {
        EXPECT_EQ(Selection(dialog, IDC_HOTKEY1_KEY), 0);
        Press(dialog, IDOK);
    }));
    EXPECT_EQ(ProcessingOptions.SK1_VKEY, 0);
    EXPECT_TRUE(ProcessingOptions.SK1_SHIFT) << "the boxes are stored as shown";
    EXPECT_EQ(ProcessingOptions.SK2_VKEY, 'C');
}

TEST_F(HotkeyDialogTest, HelpOpensTheHotkeySectionAndKeepsTheDialogOpen) {
    EXPECT_FALSE(Drive(RunHotkeyDialogWithoutOwner, [](HWND dialog) {
        Press(dialog, IDHELP);
        EXPECT_TRUE(IsWindowVisible(dialog));
        Press(dialog, IDCANCEL);
    }));
    EXPECT_EQ(helpFiles, std::vector<std::wstring>{L".\\Nuvela.chm::/_RESOURCE/HLP000018.html#shortcutkey"});
}

// After a confirmed dialog the settings dialog registers the keys again: one set to "None" is let go.
TEST_F(HotkeyDialogTest, ReregisteringAfterOkReleasesAHotkeySetToNone) {
    HiddenWindow window;
    SetOptions({false, true, true, VK_F7}, {true, false, true, 'J'});
    RegisterHotkeys(window.get());
    ASSERT_FALSE(IsHotkeyFree(MOD_CONTROL | MOD_ALT, VK_F7));
    ASSERT_FALSE(IsHotkeyFree(MOD_SHIFT | MOD_ALT, 'J'));
    ASSERT_TRUE(Drive(RunHotkeyDialogWithoutOwner, [](HWND dialog) {
        Choose(dialog, IDC_HOTKEY1_KEY, 0);
        Press(dialog, IDOK);
    }));
    ReregisterHotkeys(window.get());
    EXPECT_TRUE(IsHotkeyFree(MOD_CONTROL | MOD_ALT, VK_F7));
    EXPECT_FALSE(IsHotkeyFree(MOD_SHIFT | MOD_ALT, 'J')) << "the other one is registered again";
    ReleaseHotkeys(window.get());
    EXPECT_TRUE(IsHotkeyFree(MOD_SHIFT | MOD_ALT, 'J'));
}

}  // namespace
}  // namespace dialog_test
