#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

#include "dialog_fixture.h"
#include "multiply_dialog.h"
#include "options.h"
#include "resource.h"

namespace dialog_test {
namespace {

bool RunMultiplyDialogWithoutOwner() { return RunMultiplyDialog(nullptr); }

using MultiplyDialogTest = DialogTest;

// Digits and full stops only; what a full stop means is the table stage's business.
TEST_F(MultiplyDialogTest, AcceptsDigitsAndFullStopsOnly) {
    const struct {
        std::wstring typed;
        bool accepted;
    } cases[] = {
        {L"1.5", true}, {L"10", true},  {L"1", true},   {L".", true},          {L"1.2.3", true},
        {L"", false},   {L"-2", false}, {L"1,5", false}, {L"1e3", false},      {L" 2", false},
        {L"２", false}, {L"+3", false}, {L"0x10", false}, {L"3 ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed.begin(), c.typed.end()));
        recorder_->Clear();
        ProcessingOptions.MUL_BY_N = L"7";
        bool keptOpen = false;
        const bool confirmed = Drive(RunMultiplyDialogWithoutOwner, [&](HWND dialog) {
            EXPECT_EQ(TextOf(dialog, IDC_MULTIPLY_FACTOR), L"7");
            SetDlgItemTextW(dialog, IDC_MULTIPLY_FACTOR, c.typed.c_str());
            Press(dialog, IDOK);
            keptOpen = IsWindowVisible(dialog) != FALSE;
            if (keptOpen) {
                EXPECT_EQ(TextOf(dialog, IDC_MULTIPLY_FACTOR), c.typed) << "the user's text stays for correcting";
                Press(dialog, IDCANCEL);
            }
        });
        EXPECT_EQ(confirmed, c.accepted);
        EXPECT_EQ(keptOpen, !c.accepted);
        EXPECT_EQ(ProcessingOptions.MUL_BY_N, c.accepted ? c.typed : L"7");
        if (c.accepted) {
            EXPECT_TRUE(boxes().empty());
        } else {
            ASSERT_EQ(boxes().size(), 1u);
            EXPECT_EQ(boxes()[0].text, L"Please enter a numerical value.");
            EXPECT_EQ(boxes()[0].caption, L"Multiply by N");
            EXPECT_EQ(boxes()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        }
    }
}

TEST_F(MultiplyDialogTest, ReadsAtMost79CharactersAndSpeaksTheLanguageChosen) {
    SetLanguage(Language::Japanese);
    const std::wstring digits(100, L'9');
    EXPECT_TRUE(Drive(RunMultiplyDialogWithoutOwner, [&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_MULTIPLY_FACTOR, digits.c_str());
        Press(dialog, IDOK);
    }));
    EXPECT_EQ(ProcessingOptions.MUL_BY_N, digits.substr(0, 79));
    EXPECT_FALSE(Drive(RunMultiplyDialogWithoutOwner, [&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_MULTIPLY_FACTOR, L"x");
        Press(dialog, IDOK);
        Press(dialog, IDCANCEL);
    }));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, L"数値を入力して下さい。1を入力すると、本設定はOFFとなります。");
    EXPECT_EQ(boxes()[0].caption, L"数値を N 倍にする");
}

TEST_F(MultiplyDialogTest, HelpOpensTheMultiplySectionAndKeepsTheDialogOpen) {
    EXPECT_FALSE(Drive(RunMultiplyDialogWithoutOwner, [](HWND dialog) {
        Press(dialog, IDHELP);
        EXPECT_TRUE(IsWindowVisible(dialog));
        Press(dialog, IDCANCEL);
    }));
    EXPECT_EQ(helpFiles, std::vector<std::wstring>{L".\\Nuvela.chm::/_RESOURCE/HLP000017.html#mul_by_n"});
}

}  // namespace
}  // namespace dialog_test
