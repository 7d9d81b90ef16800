#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <utility>

#include "clipboard_data.h"
#include "clipboard_fixture.h"
#include "language.h"
#include "messages.h"
#include "multidiv.h"
#include "options.h"
#include "pending_notification.h"
#include "scoped_win.h"
#include "watch.h"

namespace clipboard_test {
namespace {

using WatchTest = ClipboardTest;

TEST_F(WatchTest, FindsTheFormatListenerInUser32) {
    EXPECT_TRUE(UsingFormatListener());
    ReleaseClipboardListener();
    EXPECT_FALSE(UsingFormatListener());
    ResolveClipboardListener();
    EXPECT_TRUE(UsingFormatListener());
}

TEST_F(WatchTest, RichTextComesBackAsProcessedPlainTextOnly) {
    ProcessingOptions.DelSpace = true;
    Copy(copier_, {UnicodeText(L"a b  c"), RegisteredFormat(L"Rich Text Format", "{\\rtf1 a b  c}"),
                   RegisteredFormat(L"HTML Format", "<b>a b  c</b>")});
    ASSERT_TRUE(WaitForProcessingCount(1));
    EXPECT_EQ(ClipboardText(), L"abc");
    EXPECT_EQ(ClipboardOwner(), main_);
    EXPECT_FALSE(ClipboardHas(L"Rich Text Format"));
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
}

TEST_F(WatchTest, PlainTextIsRewrittenToo) {
    ProcessingOptions.DelTab = true;
    ASSERT_TRUE(CopyAndWaitProcessed(L"x\ty"));
    EXPECT_EQ(ClipboardText(), L"xy");
}

// One copy, one run: our own write comes back at most as a skipped notification. The second copy
// is the sentinel: once it has been processed every earlier notification has been handled.
TEST_F(WatchTest, OwnWriteIsNeverProcessedAgain) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"first"));
    ASSERT_TRUE(CopyAndWaitProcessed(L"second"));
    EXPECT_EQ(Runs(), 2u);
    EXPECT_EQ(ClipboardText(), L"second");
}

TEST_F(WatchTest, ForcedRunProcessesOurOwnWriteAgain) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"text"));
    EXPECT_TRUE(ProcessClipboard(main_, false));
    EXPECT_EQ(Runs(), 1u);
    EXPECT_TRUE(ProcessClipboard(main_, true));
    EXPECT_EQ(Runs(), 2u);
}

TEST_F(WatchTest, BurstOfCopiesEndsWithTheNewestProcessedOnce) {
    ProcessingOptions.DelSpace = true;
    for (const wchar_t* text : {L"o n e", L"t w o", L"t h r e e"}) CopyText(copier_, text);
    ASSERT_TRUE(PumpUntil([&] { return ClipboardOwner() == main_; }));
    EXPECT_EQ(ClipboardText(), L"three");
    ASSERT_TRUE(CopyAndWaitProcessed(L"s e n t i n e l"));
    EXPECT_EQ(Runs(), 2u);
    EXPECT_EQ(ClipboardText(), L"sentinel");
}

// The balloon is shown after the clipboard is closed and before the watch is joined again: a copy
// made from there falls into the moment in which no notification can reach the service.
HWND copierDuringBalloon = nullptr;
void CopyWhileOutOfTheList(const std::wstring&, unsigned) {
    if (HWND copier = std::exchange(copierDuringBalloon, nullptr)) CopyText(copier, L"n e w");
}

TEST_F(WatchTest, CopyMadeWhileOutOfTheListIsStillProcessed) {
    ProcessingOptions.SHOW_BALLOON = true;
    ProcessingOptions.DelSpace = true;
    copierDuringBalloon = copier_;
    const auto previous = PendingNotification::SetShowFunction(CopyWhileOutOfTheList);
    CopyText(copier_, L"o l d");
    const bool processed = PumpUntil([&] { return Runs() >= 2 && ClipboardOwner() == main_; });
    PendingNotification::SetShowFunction(previous);
    ASSERT_TRUE(processed);
    EXPECT_EQ(ClipboardText(), L"new");
    EXPECT_EQ(Runs(), 2u);
}

TEST_F(WatchTest, DelayedProcessingRunsOnceAfterTheLastCopyOfABurst) {
    ProcessingOptions.Delay1Sec = 500;
    ProcessingOptions.DelSpace = true;
    ULONGLONG lastCopy = 0;
    for (const wchar_t* text : {L"1 1", L"2 2", L"3 3"}) {
        CopyText(copier_, text);
        lastCopy = GetTickCount64();
        PumpFor(100);
    }
    ASSERT_TRUE(PumpUntil([&] { return Runs() >= 1; }, 5000));
    const ULONGLONG processedAfter = GetTickCount64() - lastCopy;
    EXPECT_GE(processedAfter, 400u);  // the timer restarted with each copy
    ASSERT_TRUE(CopyAndWaitProcessed(L"4 4"));
    EXPECT_EQ(Runs(), 2u);
}

TEST_F(WatchTest, MonitoringOffLeavesCopiesAloneButAForcedRunProcesses) {
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.DelSpace = true;
    const int updates = Record().updates;
    Copy(copier_, {UnicodeText(L"a b"), RegisteredFormat(L"HTML Format", "<i>a b</i>")});
    ASSERT_TRUE(PumpUntil([&] { return Record().updates > updates; }));
    PumpFor(50);
    EXPECT_EQ(Runs(), 0u);
    EXPECT_EQ(ClipboardText(), L"a b");
    EXPECT_TRUE(ClipboardHas(L"HTML Format"));

    EXPECT_TRUE(ProcessClipboard(main_, true));
    EXPECT_EQ(Runs(), 1u);
    EXPECT_EQ(ClipboardText(), L"ab");
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
}

TEST_F(WatchTest, SuccessMessageSoundAndIconFollowTheOptions) {
    struct Case {
        Language language;
        bool balloon;
        const wchar_t* expected;
    };
    for (const Case& c : {Case{Language::English, true, L"Deleted attributes of clipboard text."},
                          Case{Language::Japanese, true, L"クリップボード文字列の属性を除去しました。"},
                          Case{Language::English, false, nullptr}}) {
        SetLanguage(c.language);
        ProcessingOptions.SHOW_BALLOON = c.balloon;
        ProcessingOptions.PLAY_SOUND = true;
        Record().balloons.clear();
        Record().sounds.clear();
        ASSERT_TRUE(CopyAndWaitProcessed(L"t"));
        if (c.expected) {
            ASSERT_EQ(Record().balloons.size(), 1u);
            EXPECT_EQ(Record().balloons[0].text, c.expected);
            EXPECT_EQ(Record().balloons[0].severity, 1u);
        } else {
            EXPECT_TRUE(Record().balloons.empty());
        }
        ASSERT_EQ(Record().sounds.size(), 1u);
        EXPECT_EQ(Record().sounds[0].kind, SoundKind::Beep);
    }
    SetLanguage(Language::English);
}

TEST_F(WatchTest, SoundFallsBackToTheBeep) {
    struct Case {
        bool play;
        const wchar_t* file;
        bool fileFails;
        std::vector<SoundKind> expected;
    };
    const Case cases[] = {
        {false, L"C:\\ding.wav", false, {}},
        {true, L"", false, {SoundKind::Beep}},
        {true, L"C:\\ding.wav", false, {SoundKind::File}},
        {true, L"C:\\missing.wav", true, {SoundKind::File, SoundKind::Beep}},
    };
    for (const Case& c : cases) {
        ProcessingOptions.PLAY_SOUND = c.play;
        ProcessingOptions.PLAY_SOUND_FNAME = c.file;
        Record().soundFileFails = c.fileFails;
        Record().sounds.clear();
        ASSERT_TRUE(CopyAndWaitProcessed(L"s"));
        std::vector<SoundKind> kinds;
        for (const Sound& sound : Record().sounds) kinds.push_back(sound.kind);
        EXPECT_EQ(kinds, c.expected) << c.file;
        if (!kinds.empty() && kinds[0] == SoundKind::File) {
            EXPECT_EQ(Record().sounds[0].file, c.file);
        }
    }
}

TEST_F(WatchTest, FileListBecomesNamesOrPathsOrIsLeftAlone) {
    struct Case {
        int fileFolderCopy;
        std::vector<std::wstring> paths;
        const wchar_t* expected;  // null: left alone
    };
    const Case cases[] = {
        {1, {L"C:\\w\\a.txt", L"C:\\w\\b.txt"}, L"a.txt\r\nb.txt\r\n"},
        {2, {L"C:\\w\\a.txt", L"C:\\w\\b.txt"}, L"C:\\w\\a.txt\r\nC:\\w\\b.txt\r\n"},
        {1, {L"D:\\"}, L"\r\n"},
        {1, {L"plain"}, L"plain\r\n"},
        {0, {L"C:\\w\\a.txt"}, nullptr},
    };
    for (const Case& c : cases) {
        ProcessingOptions.FileFolderCopy = c.fileFolderCopy;
        ProcessingOptions.SHOW_BALLOON = true;
        Record().balloons.clear();
        const unsigned runs = Runs();
        const int updates = Record().updates;
        Copy(copier_, {DropList(c.paths)});
        if (c.expected) {
            ASSERT_TRUE(WaitForProcessingCount(runs + 1));
            EXPECT_EQ(ClipboardText(), c.expected);
            EXPECT_FALSE(ClipboardHas(CF_HDROP));
            ASSERT_EQ(Record().balloons.size(), 1u);
            EXPECT_EQ(Record().balloons[0].text, L"Conveted file names to text.");
        } else {
            ASSERT_TRUE(PumpUntil([&] { return Record().updates > updates; }));
            PumpFor(50);
            EXPECT_EQ(Runs(), runs);
            EXPECT_TRUE(ClipboardHas(CF_HDROP));
            EXPECT_FALSE(ClipboardHas(CF_UNICODETEXT));
            EXPECT_TRUE(Record().balloons.empty());
        }
    }
}

TEST_F(WatchTest, TextWinsOverAFileList) {
    ProcessingOptions.FileFolderCopy = 2;
    Copy(copier_, {UnicodeText(L"words"), DropList({L"C:\\w\\a.txt"})});
    ASSERT_TRUE(WaitForProcessingCount(1));
    EXPECT_EQ(ClipboardText(), L"words");
}

// Another program that holds the clipboard open when the notification arrives delays the work by
// the one retry; nothing is lost.
TEST_F(WatchTest, ClipboardHeldByAnotherProgramIsProcessedOnRetry) {
    ProcessingOptions.DelSpace = true;
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    UniqueHandle openedEvent(opened);
    CopyText(copier_, L"h e l d");
    std::thread holder([opened] {
        if (OpenClipboard(nullptr)) {
            SetEvent(opened);
            Sleep(200);
            CloseClipboard();
        } else {
            SetEvent(opened);
        }
    });
    WaitForSingleObject(opened, 5000);
    const bool processed = PumpUntil([&] { return Runs() >= 1; }, 5000);
    holder.join();
    ASSERT_TRUE(processed);
    EXPECT_EQ(ClipboardText(), L"held");
    EXPECT_EQ(Runs(), 1u);
}

TEST_F(WatchTest, ForcedRunWaitsBrieflyForAClipboardHeldByAnotherProgram) {
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.DelSpace = true;
    CopyText(copier_, L"f o r c e d");
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    UniqueHandle openedEvent(opened);
    std::thread holder([opened] {
        const bool held = OpenClipboard(nullptr);
        SetEvent(opened);
        if (held) {
            Sleep(40);
            CloseClipboard();
        }
    });
    WaitForSingleObject(opened, 5000);
    const bool result = ProcessClipboard(main_, true);
    holder.join();
    EXPECT_TRUE(result);
    EXPECT_EQ(ClipboardText(), L"forced");
}

TEST_F(WatchTest, ForcedRunGivesUpWhenTheClipboardStaysHeld) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"kept"));
    bool result;
    {
        ClipboardHeldElsewhere busy;
        result = ProcessClipboard(main_, true);
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(Runs(), 1u);
    EXPECT_TRUE(Record().balloons.empty());
}

TEST_F(WatchTest, ViewerChainForwardsNotificationsAndFollowsChainChanges) {
    LeaveClipboardWatch(main_);
    ReleaseClipboardListener();
    HWND viewer = copier_;
    HWND nextOfViewer = SetClipboardViewer(viewer);
    JoinClipboardWatch(main_);
    EXPECT_EQ(NextViewer, viewer);

    ProcessingOptions.DelSpace = true;
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    UniqueWindow otherWindow(other);
    Copy(other, {UnicodeText(L"v i e w")});
    ASSERT_TRUE(PumpUntil([&] { return Runs() >= 1 && ClipboardOwner() == main_; }));
    EXPECT_EQ(ClipboardText(), L"view");

    OnChangeClipboardChain(main_, viewer, nullptr);
    EXPECT_EQ(NextViewer, nullptr);
    LeaveClipboardWatch(main_);
    ChangeClipboardChain(viewer, nextOfViewer);
    ResolveClipboardListener();
    JoinClipboardWatch(main_);
}

TEST_F(WatchTest, EngineExceptionIsReportedAndTheTextPutBack) {
    struct Case {
        TextProcessorFunction processor;
        const wchar_t* text;
        const wchar_t* caption;
    };
    const Case cases[] = {
        {[](const wchar_t*, const wchar_t*, std::wstring&) { throw std::runtime_error("engine broke"); }, L"engine broke",
         L"ヌベラ 開発元へご連絡下さい - 予期せぬ例外を補足"},
        {[](const wchar_t*, const wchar_t*, std::wstring&) { throw 42; }, L"Unkown exception.", L"Nuvela"},
    };
    ProcessingOptions.CBWatchEnabled = false;
    for (const Case& c : cases) {
        Record().boxes.clear();
        Copy(copier_, {UnicodeText(L"precious"), RegisteredFormat(L"HTML Format", "<b>precious</b>")});
        SetTextProcessor(c.processor);
        EXPECT_FALSE(ProcessClipboard(main_, true));
        SetTextProcessor(nullptr);
        ASSERT_EQ(Record().boxes.size(), 1u);
        EXPECT_EQ(Record().boxes[0].text, c.text);
        EXPECT_EQ(Record().boxes[0].caption, c.caption);
        EXPECT_EQ(Record().boxes[0].owner, main_);
        EXPECT_TRUE(Record().boxes[0].type & MB_ICONERROR);
        EXPECT_EQ(ClipboardText(), L"precious");
        EXPECT_FALSE(WatchBusy);
    }
}

int refusalsLeft = 0;
HANDLE RefuseFirstWrites(UINT format, HANDLE data) {
    if (refusalsLeft > 0) {
        --refusalsLeft;
        return nullptr;
    }
    return SetClipboardData(format, data);
}

TEST_F(WatchTest, RefusedWriteReportsW4AndPutsTheOriginalBack) {
    ProcessingOptions.DelSpace = true;
    refusalsLeft = 1;
    SetClipboardDataStep(RefuseFirstWrites);
    Copy(copier_, {UnicodeText(L"k e e p")});
    ASSERT_TRUE(WaitForProcessingCount(1));
    SetClipboardDataStep(nullptr);
    EXPECT_EQ(ClipboardText(), L"k e e p");
    ASSERT_EQ(Record().balloons.size(), 1u);
    EXPECT_EQ(Record().balloons[0].text, L"SetClipboardData() failed.");
    EXPECT_EQ(Record().balloons[0].severity, 3u);
    EXPECT_FALSE(MultiDivRunning());
    // The restored text is ours: it is not taken for a new copy.
    ASSERT_TRUE(CopyAndWaitProcessed(L"n e x t"));
    EXPECT_EQ(Runs(), 2u);
}

TEST_F(WatchTest, RefusedFileListWritePutsTheFilesBackAndSaysSo) {
    ProcessingOptions.FileFolderCopy = 1;
    refusalsLeft = 1;
    SetClipboardDataStep(RefuseFirstWrites);
    SetLanguage(Language::Japanese);
    Copy(copier_, {DropList({L"C:\\w\\a.txt"})});
    ASSERT_TRUE(WaitForProcessingCount(1));
    SetClipboardDataStep(nullptr);
    SetLanguage(Language::English);
    ASSERT_EQ(Record().balloons.size(), 1u);
    EXPECT_EQ(Record().balloons[0].text, L"クリップボードへ書き込めませんでした。");
    EXPECT_EQ(Record().balloons[0].severity, 3u);
    EXPECT_FALSE(ClipboardHas(CF_UNICODETEXT));
    ASSERT_TRUE(ClipboardHas(CF_HDROP));
    ProcessingOptions.CBWatchEnabled = false;
    EXPECT_TRUE(ProcessClipboard(main_, true));
    EXPECT_EQ(ClipboardText(), L"a.txt\r\n");
}

}  // namespace
}  // namespace clipboard_test
