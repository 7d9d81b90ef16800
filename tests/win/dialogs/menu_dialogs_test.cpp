#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include <commctrl.h>

#include "commands.h"
#include "dialog_fixture.h"
#include "dialog_host.h"
#include "main_window.h"
#include "menu_dialogs.h"
#include "options.h"
#include "resource.h"
#include "settings.h"

namespace dialog_test {
namespace {

using test_support::IniInteger;

class MenuDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        InstallMenuDialogs();
    }
    void TearDown() override {
        SetMenuDialogs({});
        SetModalDialogRunner(nullptr);
        DialogTest::TearDown();
    }
};

// The menu's dialogs need no window of their own: they open without owner.
bool ChooseFromMenu(UINT command) {
    RunCommand(nullptr, command);
    return true;
}

TEST_F(MenuDialogTest, MenuCommandsOpenTheirDialogAndSaveOnlyOnOk) {
    const struct {
        UINT command;
        const wchar_t* key;
        std::function<void(HWND)> change;
    } cases[] = {
        {IDM_REGEX, L"REP_REP", [](HWND dialog) { Click(dialog, IDC_REGEX_ON), Type(dialog, IDC_REGEX_BEFORE, L"x"); }},
        {IDM_MULTIPLY, L"MUL_BY_N", [](HWND dialog) { SetDlgItemTextW(dialog, IDC_MULTIPLY_FACTOR, L"3"); }},
        {IDM_SETTINGS, L"SHOW_BALLOON", [](HWND dialog) { Click(dialog, IDC_SETTINGS_BALLOON); }},
        {IDM_APP_RULES, L"APP_RULE", [](HWND dialog) { Click(dialog, IDC_APP_RULE_LEAVE); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        DeleteFileW(kIniFileName);
        Drive([&] { return ChooseFromMenu(c.command); }, [&](HWND dialog) {
            EXPECT_TRUE(DialogBusy);
            c.change(dialog);
            Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(IniInteger(c.key), -1) << "Cancel saves nothing";
        Drive([&] { return ChooseFromMenu(c.command); }, [&](HWND dialog) {
            c.change(dialog);
            Press(dialog, IDOK);
        });
        EXPECT_NE(IniInteger(c.key), -1) << "OK saves the settings";
        EXPECT_FALSE(DialogBusy);
    }
    EXPECT_EQ(ProcessingOptions.MUL_BY_N, L"3");
    EXPECT_EQ(ProcessingOptions.REP_BEFORE, L"x");
    EXPECT_TRUE(ProcessingOptions.SHOW_BALLOON);
    EXPECT_EQ(ProcessingOptions.APP_RULE, 1);
}

std::vector<int> openedTemplates;

// Stands in for a dialog that stays open while the user picks menu dialogs again.
INT_PTR OpenWhileOpen(HWND, int templateId, DLGPROC, LPARAM) {
    openedTemplates.push_back(templateId);
    if (openedTemplates.size() == 1) {
        for (UINT command : {IDM_REGEX, IDM_MULTIPLY}) RunCommand(nullptr, command);
    }
    return IDCANCEL;
}

TEST_F(MenuDialogTest, NoSecondMenuDialogOpensWhileOneIsOpen) {
    openedTemplates.clear();
    SetModalDialogRunner(OpenWhileOpen);
    RunCommand(nullptr, IDM_MULTIPLY);
    EXPECT_EQ(openedTemplates, std::vector<int>{IDD_MULTIPLY_EN});
    EXPECT_FALSE(DialogBusy) << "cleared when the dialog ended";
    RunCommand(nullptr, IDM_REGEX);
    EXPECT_EQ(openedTemplates, (std::vector<int>{IDD_MULTIPLY_EN, IDD_REGEX_EN}));
    SetLanguage(Language::Japanese);
    RunCommand(nullptr, IDM_REGEX);
    EXPECT_EQ(openedTemplates.back(), IDD_REGEX_JA);
}

TEST_F(MenuDialogTest, HelpCommandOpensTheOverview) {
    RunCommand(nullptr, IDM_HELP);
    EXPECT_EQ(helpFiles, std::vector<std::wstring>{L".\\Nuvela.chm::/_RESOURCE/HLP000001.html"});
}

// The two languages' templates of one dialog hold the same controls; only plain labels differ.
INT_PTR CALLBACK InertDlgProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::map<int, std::wstring> ControlsOf(int templateId) {
    std::map<int, std::wstring> controls;
    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, InertDlgProc, 0);
    EXPECT_TRUE(dialog) << templateId;
    if (!dialog) return controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (id == -1 || id == 0xFFFF) continue;  // plain labels
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        EXPECT_FALSE(controls.count(id)) << templateId << " repeats control " << id;
        controls[id] = className;
        if (lstrcmpiW(className, L"ComboBox") == 0) {
            EXPECT_FALSE(GetWindowLongPtrW(child, GWL_STYLE) & CBS_SORT) << "a sorted list loses the history's order";
        }
    }
    DestroyWindow(dialog);
    return controls;
}

TEST(DialogTemplates, BothLanguagesHoldTheSameControls) {
    for (const auto& [japanese, english] : std::vector<std::pair<int, int>>{
             {IDD_HOTKEYS_JA, IDD_HOTKEYS_EN}, {IDD_REGEX_JA, IDD_REGEX_EN}, {IDD_MULTIPLY_JA, IDD_MULTIPLY_EN},
             {IDD_ALREADY_RUNNING_JA, IDD_ALREADY_RUNNING_EN}, {IDD_APP_RULES_JA, IDD_APP_RULES_EN}}) {
        const auto controls = ControlsOf(japanese);
        EXPECT_FALSE(controls.empty());
        EXPECT_EQ(controls, ControlsOf(english)) << japanese << " / " << english;
    }
}

// The English settings template lacks the enlarged-dialog box and the command-line label.
TEST(DialogTemplates, TheSettingsTemplatesDifferOnlyByTheJapaneseOnlyControls) {
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};  // the trackbars
    InitCommonControlsEx(&classes);
    auto japanese = ControlsOf(IDD_SETTINGS_JA);
    EXPECT_EQ(japanese.size(), 29u);
    EXPECT_EQ(japanese.erase(IDC_SETTINGS_BIGDIALOG), 1u);
    EXPECT_EQ(japanese.erase(IDC_SETTINGS_CMDLINE_LABEL), 1u);
    EXPECT_EQ(japanese, ControlsOf(IDD_SETTINGS_EN));
    EXPECT_EQ(japanese[IDC_SETTINGS_OPACITY], L"msctls_trackbar32");
}

}  // namespace
}  // namespace dialog_test
