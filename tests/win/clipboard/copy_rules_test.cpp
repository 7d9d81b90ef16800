#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "clipboard_fixture.h"
#include "copy_rules.h"
#include "options.h"
#include "watch.h"

namespace clipboard_test {
namespace {

// The copier window lives in this test program, so the rules name the test program's file.
std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring text = path;
    return text.substr(text.find_last_of(L"\\/") + 1);
}

std::wstring InOtherCase(std::wstring name) {
    for (wchar_t& c : name) c = iswupper(c) ? towlower(c) : towupper(c);
    return name;
}

class CopyRulesTest : public ClipboardTest {
protected:
    void SetUp() override {
        ClipboardTest::SetUp();
        ForgetRecentCopyPrograms();
        auto& o = ProcessingOptions;
        o.DelSpace = o.SHOW_BALLOON = o.PLAY_SOUND = o.MultiDiv = true;  // none of it may touch a copy left alone
        o.FileFolderCopy = 1;
    }
    void TearDown() override {
        if (SkipNextCopyArmed()) ToggleSkipNextCopy();
        ClipboardTest::TearDown();
    }
    // A copy left alone keeps every format, and no run, balloon, sound or re-copy follows it.
    void ExpectLeftAlone(const std::wstring& text) {
        EXPECT_EQ(Runs(), 0u);
        EXPECT_EQ(ClipboardText(), text);
        EXPECT_TRUE(ClipboardHas(L"HTML Format"));
        EXPECT_EQ(ClipboardOwner(), copier_);
        EXPECT_TRUE(recorder_->balloons.empty());
        EXPECT_TRUE(Record().sounds.empty());
    }
};

std::vector<Offer> RichCopy(const std::wstring& text) {
    return {UnicodeText(text), RegisteredFormat(L"HTML Format", "<b>" + std::string(text.begin(), text.end()) + "</b>")};
}

TEST_F(CopyRulesTest, RuleDecidesWhoseCopiesAreProcessed) {
    const std::wstring self = ThisProgram();
    const struct {
        int rule;
        std::wstring list;
        bool processed;
    } cases[] = {
        {AppRuleNone, self, true},
        {AppRuleLeaveListed, self, false},
        {AppRuleLeaveListed, L" other.exe ;" + InOtherCase(self) + L" ", false},
        {AppRuleLeaveListed, L"other.exe", true},
        {AppRuleOnlyListed, InOtherCase(self), true},
        {AppRuleOnlyListed, L"other.exe", false},
        {AppRuleOnlyListed, L"", false},
        {3, L"", true},  // an unknown rule from a damaged store is no rule
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rule << " " << testing::PrintToString(c.list));
        ProcessingOptions.APP_RULE = c.rule;
        ProcessingOptions.APP_LIST = c.list;
        runsBefore_ = ClipboardProcessingCount();
        recorder_->Clear();
        Record().sounds.clear();
        ASSERT_TRUE(CopyAndWaitHandled(RichCopy(L"a b")));
        if (c.processed) {
            EXPECT_EQ(Runs(), 1u);
            EXPECT_EQ(ClipboardText(), L"ab");
        } else {
            ExpectLeftAlone(L"a b");
        }
    }
}

// Copied files follow the rule too; what the user asks for processes whatever is there.
TEST_F(CopyRulesTest, FilesAreLeftAloneAndAForcedRunStillProcesses) {
    ProcessingOptions.APP_RULE = AppRuleLeaveListed;
    ProcessingOptions.APP_LIST = ThisProgram();
    ASSERT_TRUE(CopyAndWaitHandled({DropList({L"C:\\w\\a.txt"})}));
    EXPECT_EQ(Runs(), 0u);
    EXPECT_TRUE(ClipboardHas(CF_HDROP));
    ASSERT_TRUE(CopyAndWaitHandled(RichCopy(L"x y")));
    ExpectLeftAlone(L"x y");
    EXPECT_TRUE(ProcessClipboard(main_, true));
    EXPECT_EQ(ClipboardText(), L"xy");
}

TEST_F(CopyRulesTest, SkipLeavesExactlyTheNextCopyAloneAndNotesItsProgram) {
    ToggleSkipNextCopy();
    ToggleSkipNextCopy();
    EXPECT_FALSE(SkipNextCopyArmed()) << "choosing it again disarms it";
    ArmSkipNextCopy();
    ASSERT_TRUE(CopyAndWaitHandled(RichCopy(L"s k i p")));
    ExpectLeftAlone(L"s k i p");
    EXPECT_FALSE(SkipNextCopyArmed());
    EXPECT_EQ(RecentCopyPrograms(), std::vector<std::wstring>{ThisProgram()});
    ASSERT_TRUE(CopyAndWaitProcessed(L"n e x t"));
    EXPECT_EQ(ClipboardText(), L"next");
    EXPECT_EQ(RecentCopyPrograms().size(), 1u) << "a program is listed once";
}

TEST(RecentCopyPrograms, NewestFirstEachOnceAtMostTen) {
    ForgetRecentCopyPrograms();
    for (int i = 0; i < 12; ++i) RememberCopyProgram(L"p" + std::to_wstring(i) + L".exe");
    RememberCopyProgram(L"P5.EXE");
    const auto recent = RecentCopyPrograms();
    ASSERT_EQ(recent.size(), kRecentCopyPrograms);
    EXPECT_EQ(recent[0], L"P5.EXE");
    EXPECT_EQ(recent[1], L"p11.exe");
    EXPECT_EQ(recent.back(), L"p2.exe");  // p0 and p1 fell off; P5.EXE replaced p5
    ForgetRecentCopyPrograms();
}

}  // namespace
}  // namespace clipboard_test
