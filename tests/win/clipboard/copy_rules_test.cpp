#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clipboard_data.h"
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
    return std::wstring(path).substr(std::wstring(path).find_last_of(L'\\') + 1);
}

std::wstring Uppercase(std::wstring name) {
    CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

const std::vector<Offer> kRichCopy = {UnicodeText(L"a b"), RegisteredFormat(L"HTML Format", "<b>a b</b>")};

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
    // Every format stays, and no run, balloon or sound follows.
    void ExpectLeftAlone() {
        EXPECT_EQ(Runs(), 0u);
        EXPECT_EQ(ClipboardText(), L"a b");
        EXPECT_TRUE(ClipboardHas(L"HTML Format"));
        EXPECT_TRUE(recorder_->balloons.empty());
        EXPECT_TRUE(Record().sounds.empty());
    }
};

TEST_F(CopyRulesTest, RuleDecidesWhoseCopiesAreProcessed) {
    const std::wstring self = ThisProgram();
    const struct {
        int rule;
        std::wstring list;
        bool processed;
    } cases[] = {
        {AppRuleNone, self, true},           {AppRuleLeaveListed, L" other.exe ;" + self + L" ", false},
        {AppRuleLeaveListed, L"other.exe", true}, {AppRuleOnlyListed, self, true},
        {AppRuleOnlyListed, L"other.exe", false}, {AppRuleOnlyListed, L"", false},
        {AppRuleLeaveListed, Uppercase(self), false},  // file names are matched without regard to case
        {3, L"", true},  // an unknown rule from a damaged store is no rule
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rule << " " << testing::PrintToString(c.list));
        ProcessingOptions.APP_RULE = c.rule;
        ProcessingOptions.APP_LIST = c.list;
        runsBefore_ = ClipboardProcessingCount();
        recorder_->Clear();
        Record().sounds.clear();
        ForgetRecentCopyPrograms();
        ASSERT_TRUE(CopyAndWaitHandled(kRichCopy));
        if (c.processed) EXPECT_EQ(ClipboardText(), L"ab");
        else ExpectLeftAlone();
        // whatever the rule, the program behind the copy is offered in the rules dialog
        EXPECT_EQ(RecentCopyPrograms(), std::vector<std::wstring>{self});
    }
}

// Copied files follow the rule too; a forced run processes whatever is there.
// The rule is asked about the copy the run finds once it holds the clipboard: a listed program's
// copy made while the run waits to open it (over our own result) is left alone.
TEST_F(CopyRulesTest, CopyMadeWhileTheRunWaitsIsJudgedByItsOwnProgram) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"o l d"));
    ProcessingOptions.APP_RULE = AppRuleLeaveListed;
    ProcessingOptions.APP_LIST = ThisProgram();
    runsBefore_ = ClipboardProcessingCount();
    recorder_->balloons.clear();
    Record().sounds.clear();
    {
        ClipboardHeldUntilFirstFailedOpen busy(
            [] {
                ASSERT_TRUE(EmptyClipboard());
                for (const Offer& offer : kRichCopy) ASSERT_TRUE(PutBytesOnClipboard(offer.format, offer.data));
            },
            copier_);
        ASSERT_TRUE(busy.held());
        EXPECT_TRUE(ProcessClipboard(main_, false));
    }
    ASSERT_EQ(ClipboardOwner(), copier_);
    ExpectLeftAlone();
}

TEST_F(CopyRulesTest, FilesAreLeftAloneAndAForcedRunStillProcesses) {
    ProcessingOptions.APP_RULE = AppRuleLeaveListed;
    ProcessingOptions.APP_LIST = ThisProgram();
    ASSERT_TRUE(CopyAndWaitHandled({DropList({L"C:\\w\\a.txt"})}));
    EXPECT_TRUE(ClipboardHas(CF_HDROP));
    ASSERT_TRUE(CopyAndWaitHandled(kRichCopy));
    ExpectLeftAlone();
    EXPECT_TRUE(ProcessClipboard(main_, true));
    EXPECT_EQ(ClipboardText(), L"ab");
}

// The skip is used up by exactly one copy; the recent programs are newest first, each once, ten.
TEST_F(CopyRulesTest, SkipLeavesExactlyTheNextCopyAloneAndTheProgramIsNoted) {
    for (int i = 0; i < 12; ++i) RememberCopyProgram(L"p" + std::to_wstring(i) + L".exe");
    ArmSkipNextCopy();
    ASSERT_TRUE(CopyAndWaitHandled(kRichCopy));
    ExpectLeftAlone();
    ASSERT_TRUE(CopyAndWaitProcessed(L"n e x t"));
    EXPECT_EQ(ClipboardText(), L"next");
    const auto recent = RecentCopyPrograms();
    ASSERT_EQ(recent.size(), kRecentCopyPrograms);
    EXPECT_EQ(recent[0], ThisProgram());
    EXPECT_EQ(recent[1], L"p11.exe");
    EXPECT_EQ(recent.back(), L"p3.exe");
}

// A run that finds our own write on the clipboard does not use up the skip meant for the next copy.
TEST_F(CopyRulesTest, SkipOutlastsARunThatMeetsOurOwnWrite) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"o w n"));
    ArmSkipNextCopy();
    runsBefore_ = ClipboardProcessingCount();
    recorder_->Clear();
    Record().sounds.clear();
    EXPECT_TRUE(ProcessClipboard(main_, false));
    ASSERT_TRUE(CopyAndWaitHandled(kRichCopy));
    ExpectLeftAlone();
}

}  // namespace
}  // namespace clipboard_test
