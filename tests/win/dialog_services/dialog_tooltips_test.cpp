#include <gtest/gtest.h>

#include <string>
#include <windows.h>
#include <commctrl.h>

#include "dialog_tooltips.h"
#include "dpi.h"
#include "host_window.h"
#include "language.h"
#include "resource.h"
#include "scoped_win.h"

namespace dialog_services_test {
namespace {

// The tooltip window of a host that has a control for every id of a made-up table.
HWND TooltipsOnControls(HostWindow& host, std::span<const TooltipEntry> table) {
    for (const TooltipEntry& entry : table)
        if (entry.id != 0 && !GetDlgItem(host.get(), entry.id)) host.AddChild(entry.id, L"BUTTON", {0, 0, 10, 10});
    return CreateDialogTooltips(host.get(), table);
}

int ToolCount(HWND tooltip) { return static_cast<int>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0)); }

class DialogTooltipsTest : public testing::Test {
    void TearDown() override { SetLanguage(savedLanguage_); }
    const Language savedLanguage_ = LanguageMode;
};

INT_PTR CALLBACK InertDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Checked on the dialog each table belongs to, as its template makes it: an entry for a control the
// template lacks fails.
TEST_F(DialogTooltipsTest, EveryEntryBecomesAToolOnItsControlInTableOrder) {
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};  // the settings' trackbars
    InitCommonControlsEx(&classes);
    struct Case {
        Language language;
        std::span<const TooltipEntry> (*table)();
        int templateId;
        int tools;  // the Japanese settings table names control 32891 twice: two tools
    } const cases[] = {
        {Language::Japanese, HotkeyDialogTooltips, IDD_HOTKEYS_JA, 19},
        {Language::English, HotkeyDialogTooltips, IDD_HOTKEYS_EN, 15},
        {Language::Japanese, RegexDialogTooltips, IDD_REGEX_JA, 7},
        {Language::English, RegexDialogTooltips, IDD_REGEX_EN, 4},
        {Language::Japanese, SettingsDialogTooltips, IDD_SETTINGS_JA, 10},
        {Language::English, SettingsDialogTooltips, IDD_SETTINGS_EN, 3},
    };
    for (const Case& c : cases) {
        SetLanguage(c.language);
        const std::span<const TooltipEntry> table = c.table();
        SCOPED_TRACE(c.templateId);
        const UniqueWindow dialog(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(c.templateId), nullptr,
                                                     InertDlgProc, 0));
        ASSERT_TRUE(dialog);
        for (const TooltipEntry& entry : table)
            EXPECT_NE(GetDlgItem(dialog.get(), entry.id), nullptr) << "no control " << entry.id << " in the template";
        HWND tooltip = CreateDialogTooltips(dialog.get(), table);
        ASSERT_NE(tooltip, nullptr);
        EXPECT_EQ(GetWindow(tooltip, GW_OWNER), dialog.get());
        EXPECT_TRUE(GetWindowLongW(tooltip, GWL_STYLE) & TTS_ALWAYSTIP);
        // long texts wrap, at the same width in 96-DPI units at every DPI
        EXPECT_EQ(SendMessageW(tooltip, TTM_GETMAXTIPWIDTH, 0, 0), MulDiv(400, static_cast<int>(DpiOf(dialog.get())), 96));
        ASSERT_EQ(ToolCount(tooltip), c.tools);
        for (int i = 0; i < c.tools; ++i) {
            wchar_t text[1024] = {};
            TTTOOLINFOW tool = {};
            tool.cbSize = TTTOOLINFOW_V2_SIZE;
            tool.lpszText = text;
            ASSERT_TRUE(SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool)));
            EXPECT_EQ(tool.hwnd, dialog.get());
            EXPECT_EQ(reinterpret_cast<HWND>(tool.uId), GetDlgItem(dialog.get(), table[i].id)) << "tool " << i;
            EXPECT_EQ(tool.uFlags & (TTF_IDISHWND | TTF_SUBCLASS), UINT{TTF_IDISHWND | TTF_SUBCLASS});
            EXPECT_EQ(std::wstring(text), table[i].text) << "tool " << i;
        }
    }
}

TEST_F(DialogTooltipsTest, TableEndsAtAnEntryWithIdZeroOrWithoutText) {
    const TooltipEntry endedById[] = {{1000, L"a"}, {1001, L"b"}, {0, L"c"}, {1002, L"d"}};
    const TooltipEntry endedByText[] = {{1000, L"a"}, {1001, nullptr}, {1002, L"d"}};
    HostWindow first({0, 0, 300, 200}), second({0, 0, 300, 200});
    EXPECT_EQ(ToolCount(TooltipsOnControls(first, endedById)), 2);
    EXPECT_EQ(ToolCount(TooltipsOnControls(second, endedByText)), 1);
}

}  // namespace
}  // namespace dialog_services_test
