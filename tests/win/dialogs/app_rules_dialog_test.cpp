#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

#include "app_rules_dialog.h"
#include "copy_rules.h"
#include "dialog_fixture.h"
#include "options.h"
#include "resource.h"
#include "settings_dialog.h"

namespace dialog_test {
namespace {

bool RunAppRulesDialogWithoutOwner() { return RunAppRulesDialog(nullptr); }

std::vector<std::wstring> ListItems(HWND dialog) {
    std::vector<std::wstring> items;
    const auto count = SendDlgItemMessageW(dialog, IDC_APP_LIST, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring item(static_cast<size_t>(SendDlgItemMessageW(dialog, IDC_APP_LIST, LB_GETTEXTLEN, i, 0)), L'\0');
        SendDlgItemMessageW(dialog, IDC_APP_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        items.push_back(item);
    }
    return items;
}

void AddTyped(HWND dialog, const wchar_t* text) {
    SetDlgItemTextW(dialog, IDC_APP_NAME, text);
    Press(dialog, IDC_APP_ADD);
}

// The user picks a program deep in a folder; only its file name is to be kept.
bool ChooseOfficeProgram(OPENFILENAMEW& request, DWORD&) {
    const wchar_t path[] = L"C:\\Program Files\\LibreOffice\\program\\soffice.bin";
    std::memcpy(request.lpstrFile, path, sizeof path);
    return true;
}

class AppRulesDialogTest : public DialogTest {
protected:
    void TearDown() override {
        SetFileChooser(nullptr);
        ForgetRecentCopyPrograms();
        DialogTest::TearDown();
    }
};

// Nothing typed is refused: blanks go, ";" separates, a name already listed is not listed twice,
// and a name left in the field counts as added.
TEST_F(AppRulesDialogTest, StoresTheTrimmedListAndTheRuleOnOk) {
    ProcessingOptions.APP_LIST = L"EXCEL.EXE";
    EXPECT_TRUE(Drive(RunAppRulesDialogWithoutOwner, [](HWND dialog) {
        EXPECT_TRUE(Checked(dialog, IDC_APP_RULE_NONE));
        AddTyped(dialog, L"  a b.exe ;; excel.exe;  ");
        AddTyped(dialog, L" ");
        EXPECT_EQ(ListItems(dialog), (std::vector<std::wstring>{L"EXCEL.EXE", L"a b.exe"}));
        SendDlgItemMessageW(dialog, IDC_APP_LIST, LB_SETCURSEL, 0, 0);
        Press(dialog, IDC_APP_REMOVE);
        SetDlgItemTextW(dialog, IDC_APP_NAME, L" left.exe ");
        Click(dialog, IDC_APP_RULE_ONLY);
        Press(dialog, IDOK);
    }));
    EXPECT_EQ(ProcessingOptions.APP_LIST, L"a b.exe;left.exe");
    EXPECT_EQ(ProcessingOptions.APP_RULE, AppRuleOnlyListed);
}

// The programs behind the last copies, newest first, each added with one click; Browse keeps the
// file name only. Cancel keeps what was stored; Help opens the rules topic.
TEST_F(AppRulesDialogTest, AddsARecentProgramOrABrowsedOneWithItsFileNameOnly) {
    RememberCopyProgram(L"old.exe");
    RememberCopyProgram(L"EXCEL.EXE");
    SetFileChooser(ChooseOfficeProgram);
    ProcessingOptions.APP_RULE = AppRuleLeaveListed;
    for (const int ending : {IDCANCEL, IDOK}) {
        Drive(RunAppRulesDialogWithoutOwner, [&](HWND dialog) {
            EXPECT_TRUE(Checked(dialog, IDC_APP_RULE_LEAVE));
            EXPECT_EQ(TextOf(dialog, IDC_APP_RECENT_FIRST), L"EXCEL.EXE");
            EXPECT_EQ(TextOf(dialog, IDC_APP_RECENT_FIRST + 1), L"old.exe");
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_APP_RECENT_FIRST + 2)));
            Click(dialog, IDC_APP_RECENT_FIRST + 1);
            EXPECT_FALSE(Enabled(dialog, IDC_APP_RECENT_FIRST + 1)) << "listed already";
            Press(dialog, IDC_APP_BROWSE);
            EXPECT_EQ(ListItems(dialog), (std::vector<std::wstring>{L"old.exe", L"soffice.bin"}));
            Press(dialog, IDHELP);
            Press(dialog, ending);
        });
        EXPECT_EQ(ProcessingOptions.APP_LIST, ending == IDOK ? L"old.exe;soffice.bin" : L"");
    }
    ASSERT_FALSE(helpFiles.empty());
    EXPECT_EQ(helpFiles.back(), L".\\Nuvela.chm::/_RESOURCE/HLP000030.html");
}

}  // namespace
}  // namespace dialog_test
