#include <gtest/gtest.h>

#include <thread>

#include "clipboard_fixture.h"
#include "messages.h"
#include "multidiv.h"
#include "options.h"
#include "scoped_win.h"
#include "watch.h"

namespace clipboard_test {
namespace {

class MultiDivTest : public ClipboardTest {
protected:
    void SetUp() override {
        ClipboardTest::SetUp();
        ProcessingOptions.MultiDiv = true;
        ProcessingOptions.MultiDivSec = 10000;  // the steps below are run by hand
    }

    // One step as the timer runs it; our own write's notification is handled before returning.
    std::wstring Step() {
        const DWORD sequence = GetClipboardSequenceNumber();
        OnMultiDivTimer(main_);
        if (GetClipboardSequenceNumber() != sequence) {
            const int updates = Record().updates;
            PumpUntil([&] { return Record().updates > updates; }, 2000);
        }
        return ClipboardText();
    }
};

TEST_F(MultiDivTest, StepsThroughTheNonEmptyLinesAndStartsOver) {
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> steps;  // the clipboard after each step
    };
    const Case cases[] = {
        {L"a\r\nb\r\nc", {L"a", L"b", L"c", L"a", L"b"}},
        {L"a\r\n\r\nb\n", {L"a", L"b", L"a"}},
        {L"\r\n\nx\ry\n", {L"x", L"y", L"x"}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(CopyAndWaitProcessed(c.text));
        ASSERT_EQ(ClipboardText(), c.text);
        ASSERT_TRUE(MultiDivRunning()) << c.text;
        for (const std::wstring& expected : c.steps) {
            EXPECT_EQ(Step(), expected) << c.text;
            EXPECT_TRUE(MultiDivRunning()) << c.text;  // our own line does not end the cycle
        }
        EXPECT_EQ(Runs(), static_cast<unsigned>(&c - cases + 1));
    }
}

TEST_F(MultiDivTest, FewerThanTwoLinesKeepTheTimerButCopyNothing) {
    for (const wchar_t* text : {L"abc\r\n", L"\r\n\r\n"}) {
        ASSERT_TRUE(CopyAndWaitProcessed(text));
        ASSERT_TRUE(MultiDivRunning()) << text;
        EXPECT_EQ(Step(), text);
        EXPECT_TRUE(MultiDivRunning()) << text;
    }
}

TEST_F(MultiDivTest, NoLineFeedStartsNoCycle) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"a\rb\rc"));
    EXPECT_FALSE(MultiDivRunning());
    ProcessingOptions.MultiDiv = false;
    ASSERT_TRUE(CopyAndWaitProcessed(L"a\r\nb"));
    EXPECT_FALSE(MultiDivRunning());
}

TEST_F(MultiDivTest, EndsAtTheNextStepWhenSwitchedOff) {
    struct Case {
        bool multiDiv;
        bool watch;
    };
    for (const Case& c : {Case{false, true}, Case{true, false}}) {
        ProcessingOptions.MultiDiv = true;
        ProcessingOptions.CBWatchEnabled = true;
        ASSERT_TRUE(CopyAndWaitProcessed(L"a\r\nb"));
        EXPECT_EQ(Step(), L"a");
        ProcessingOptions.MultiDiv = c.multiDiv;
        ProcessingOptions.CBWatchEnabled = c.watch;
        EXPECT_EQ(Step(), L"a");  // the clipboard keeps the last line
        EXPECT_FALSE(MultiDivRunning());
    }
}

TEST_F(MultiDivTest, NewCopyEndsTheCycleAndMayStartAnother) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"a\r\nb"));
    EXPECT_EQ(Step(), L"a");
    ASSERT_TRUE(CopyAndWaitProcessed(L"new"));
    EXPECT_FALSE(MultiDivRunning());
    ASSERT_TRUE(CopyAndWaitProcessed(L"x\r\ny"));
    EXPECT_TRUE(MultiDivRunning());
    EXPECT_EQ(Step(), L"x");
}

// A copy whose processing waits for Delay1Sec is not written over by the next step: the cycle ends,
// and the copy is processed when its delay is over.
TEST_F(MultiDivTest, CopyWaitingForItsDelayEndsTheCycleAndStays) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"a\r\nb"));
    ProcessingOptions.Delay1Sec = 1000;
    const std::vector<Offer> copy = {UnicodeText(L"n e w"), RegisteredFormat(L"HTML Format", "<b>new</b>")};
    ASSERT_TRUE(CopyAndWaitHandled(copy));
    OnMultiDivTimer(main_);
    EXPECT_EQ(ClipboardDataOf(copy), DataOf(copy));
    EXPECT_FALSE(MultiDivRunning());
    EXPECT_TRUE(WaitForProcessingCount(2));
    EXPECT_EQ(ClipboardText(), L"n e w");
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
}

TEST_F(MultiDivTest, ChangeWithoutTextEndsTheCycle) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"a\r\nb"));
    const int updates = Record().updates;
    Copy(copier_, {DropList({L"C:\\w\\a.txt"})});  // FileFolderCopy 0: the files stay as they are
    ASSERT_TRUE(PumpUntil([&] { return Record().updates > updates; }));
    EXPECT_FALSE(MultiDivRunning());
    EXPECT_TRUE(ClipboardHas(CF_HDROP));
}

TEST_F(MultiDivTest, EachLineIsAnnouncedWithItsLabel) {
    ProcessingOptions.SHOW_BALLOON = true;
    ProcessingOptions.PLAY_SOUND = true;
    ASSERT_TRUE(CopyAndWaitProcessed(L"a\r\nb"));
    recorder_->balloons.clear();
    Record().sounds.clear();
    Step();
    Step();
    ASSERT_EQ(recorder_->balloons.size(), 2u);
    EXPECT_EQ(recorder_->balloons[0].text, L"1 line text:a");
    EXPECT_EQ(recorder_->balloons[1].text, L"1 line text:b");
    EXPECT_EQ(recorder_->balloons[1].severity, 1u);
    EXPECT_EQ(Record().sounds.size(), 2u);
}

TEST_F(MultiDivTest, LineIsTriedAgainWhenTheClipboardIsHeld) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"a\r\nb"));
    {
        ClipboardHeldElsewhere busy;
        OnMultiDivTimer(main_);
    }
    EXPECT_EQ(ClipboardText(), L"a\r\nb");
    EXPECT_TRUE(MultiDivRunning());
    EXPECT_EQ(Step(), L"a");
}

// The real timer: the processed text first, then one line every interval, in order. Each step is
// seen as it is made, through its balloon, so a slow test cannot miss one.
TEST_F(MultiDivTest, TimerReCopiesTheLinesInOrder) {
    ProcessingOptions.MultiDivSec = 500;
    ProcessingOptions.SHOW_BALLOON = true;
    std::vector<std::wstring> steps;  // the clipboard as each line's balloon shows
    recorder_->onBalloon = [&](const test_support::RecordedBalloon& balloon) {
        if (balloon.text.starts_with(L"1 line text:")) steps.push_back(ClipboardText());
    };
    ASSERT_TRUE(CopyAndWaitProcessed(L"a\r\nb\r\nc"));
    ASSERT_TRUE(PumpUntil([&] { return steps.size() >= 4; }, 60000));
    steps.resize(4);
    EXPECT_EQ(steps, (std::vector<std::wstring>{L"a", L"b", L"c", L"a"}));
    EXPECT_EQ(Runs(), 1u);
}

}  // namespace
}  // namespace clipboard_test
