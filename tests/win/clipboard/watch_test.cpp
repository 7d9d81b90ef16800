#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "clipboard_data.h"
#include "clipboard_fixture.h"
#include "language.h"
#include "messages.h"
#include "multidiv.h"
#include "options.h"
#include "original_copy.h"
#include "pending_notification.h"
#include "resource.h"
#include "scoped_win.h"
#include "tray.h"
#include "test_support.h"
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
TEST_F(WatchTest, CopyMadeWhileOutOfTheListIsStillProcessed) {
    ProcessingOptions.SHOW_BALLOON = true;
    ProcessingOptions.DelSpace = true;
    bool copied = false;
    recorder_->onBalloon = [&](const test_support::RecordedBalloon&) {
        if (!std::exchange(copied, true)) CopyText(copier_, L"n e w");
    };
    CopyText(copier_, L"o l d");
    ASSERT_TRUE(PumpUntil([&] { return Runs() >= 2 && ClipboardOwner() == main_; }));
    EXPECT_EQ(ClipboardText(), L"new");
    EXPECT_EQ(Runs(), 2u);
}

// Dispatches the clipboard notices arriving within `ms` and nothing else: the delay's timer cannot
// fire meanwhile, however long the machine stalls.
void HandleNoticesOnlyFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    MSG message;
    do {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        while (PeekMessageW(&message, nullptr, WM_CLIPBOARDUPDATE, WM_CLIPBOARDUPDATE, PM_REMOVE))
            DispatchMessageW(&message);
    } while (GetTickCount64() < end);
}

// The copies are 300 ms apart, each notice handled before the next copy: a timer started by the
// first copy alone would run about 400 ms after the last one.
TEST_F(WatchTest, DelayedProcessingRunsOnceAfterTheLastCopyOfABurst) {
    ProcessingOptions.Delay1Sec = 1000;
    ProcessingOptions.DelSpace = true;
    ULONGLONG lastCopy = 0;
    for (const wchar_t* text : {L"1 1", L"2 2", L"3 3"}) {
        const int updates = Record().updates;
        lastCopy = GetTickCount64();  // before the copy: its notice restarts the timer after this
        CopyText(copier_, text);
        while (Record().updates == updates) HandleNoticesOnlyFor(10);
        HandleNoticesOnlyFor(300);
        ASSERT_EQ(Runs(), 0u) << "nothing runs before the delay";
    }
    ASSERT_TRUE(PumpUntil([&] { return Runs() >= 1; }, 30000));
    EXPECT_GE(GetTickCount64() - lastCopy, 990u);  // the timer restarted with each copy (10 ms for the tick)
    EXPECT_EQ(ClipboardText(), L"33");  // the last copy won
    ASSERT_TRUE(CopyAndWaitProcessed(L"4 4"));
    EXPECT_EQ(Runs(), 2u);
}

TEST_F(WatchTest, MonitoringOffLeavesCopiesAloneButAForcedRunProcesses) {
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.DelSpace = true;
    ASSERT_TRUE(CopyAndWaitHandled({UnicodeText(L"a b"), RegisteredFormat(L"HTML Format", "<i>a b</i>")}));
    OnDelayTimer(main_);  // a delay set while monitoring was still on
    EXPECT_EQ(Runs(), 0u);
    EXPECT_EQ(ClipboardText(), L"a b");
    EXPECT_TRUE(ClipboardHas(L"HTML Format"));

    EXPECT_TRUE(ProcessClipboard(main_, true));
    EXPECT_EQ(Runs(), 1u);
    EXPECT_EQ(ClipboardText(), L"ab");
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
}

unsigned shownCount = 0;
void CountShown() { ++shownCount; }

// What the shell shows of the clipboard follows every notice and every run, never our own calls.
TEST_F(WatchTest, ShownFunctionRunsOnEachNoticeAndAtTheEndOfEachRun) {
    shownCount = 0;
    SetClipboardShownFunction(CountShown);
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CopyAndWaitHandled({UnicodeText(L"a")}));
    EXPECT_EQ(shownCount, 1u) << "the notice, with nothing processed";
    EXPECT_TRUE(ProcessClipboard(main_, true));
    EXPECT_EQ(shownCount, 2u) << "the end of the run";
    {
        WatchBusyScope busy;
        OnClipboardChanged(main_, WM_CLIPBOARDUPDATE, 0, 0);
    }
    EXPECT_EQ(shownCount, 2u) << "a notice our own clipboard calls caused";
    ProcessingOptions.CBWatchEnabled = true;
    ASSERT_TRUE(CopyAndWaitProcessed(L"b"));
    EXPECT_EQ(shownCount, 4u) << "the notice, then the end of its run";
    SetClipboardShownFunction(nullptr);
}

TEST_F(WatchTest, SuccessMessageSoundAndIconFollowTheOptions) {
    struct Case {
        Language language;
        bool balloon;
        const wchar_t* expected;
    };
    ASSERT_TRUE(AddTrayIcon(main_, IDI_TRAY_ON));  // the icon the flash changes, as the main window has it
    for (const Case& c : {Case{Language::English, true, L"Deleted attributes of clipboard text."},
                          Case{Language::Japanese, true, L"クリップボード文字列の属性を除去しました。"},
                          Case{Language::English, false, nullptr}}) {
        SetLanguage(c.language);
        ProcessingOptions.SHOW_BALLOON = c.balloon;
        ProcessingOptions.PLAY_SOUND = true;
        recorder_->balloons.clear();
        Record().sounds.clear();
        ASSERT_TRUE(ModifyTrayIcon(main_, IDI_TRAY_ON));
        ASSERT_TRUE(CopyAndWaitProcessed(L"t"));
        EXPECT_EQ(CurrentTrayIcon(), IDI_TRAY_DONE);
        EXPECT_TRUE(LastTrayIconCallAccepted());
        if (c.expected) {
            ASSERT_EQ(recorder_->balloons.size(), 1u);
            EXPECT_EQ(recorder_->balloons[0].text, c.expected);
            EXPECT_EQ(recorder_->balloons[0].severity, 1u);
        } else {
            EXPECT_TRUE(recorder_->balloons.empty());
        }
        ASSERT_EQ(Record().sounds.size(), 1u);
        EXPECT_EQ(Record().sounds[0].kind, SoundKind::Beep);
    }
    SetLanguage(Language::English);
    EXPECT_TRUE(DeleteTrayIcon(main_));
}

void WriteBytes(const wchar_t* path, const std::string& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string LittleEndian(std::uint32_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i) text += static_cast<char>((value >> (8 * i)) & 0xFF);
    return text;
}

// A RIFF wave: 8 kHz, one channel, 8 bits, two samples; without its samples when `data` is false.
std::string Wave(bool data) {
    const std::string format = std::string("fmt ") + LittleEndian(16, 4) + LittleEndian(1, 2) /* PCM */ +
                               LittleEndian(1, 2) + LittleEndian(8000, 4) + LittleEndian(8000, 4) +
                               LittleEndian(1, 2) + LittleEndian(8, 2);
    const std::string list = std::string("LIST") + LittleEndian(3, 4) + "abc" + '\0';  // odd size, padded
    std::string body = "WAVE" + list + format;
    if (data) body += std::string("data") + LittleEndian(2, 4) + "\x80\x80";
    return "RIFF" + LittleEndian(static_cast<std::uint32_t>(body.size()), 4) + body;
}

TEST_F(WatchTest, SoundFallsBackToTheBeep) {
    const test_support::TemporaryFolder folder;
    WriteBytes(L"ding.wav", Wave(true));
    WriteBytes(L"text.wav", "not a sound at all\r\n");
    WriteBytes(L"silent.wav", Wave(false));
    struct Case {
        bool play;
        const wchar_t* file;
        bool fileFails;
        std::vector<SoundKind> expected;
    };
    const Case cases[] = {
        {false, L"ding.wav", false, {}},
        {true, L"", false, {SoundKind::Beep}},
        {true, L"ding.wav", false, {SoundKind::File}},
        {true, L"ding.wav", true, {SoundKind::File, SoundKind::Beep}},
        {true, L"missing.wav", false, {SoundKind::Beep}},
        {true, L"text.wav", false, {SoundKind::Beep}},  // there, but no wave: the system would stay silent
        {true, L"silent.wav", false, {SoundKind::Beep}},
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
    ProcessingOptions.CLN_UNWRAP = true;  // file lists are not copied text: they skip the cleanup
    for (const Case& c : cases) {
        ProcessingOptions.FileFolderCopy = c.fileFolderCopy;
        ProcessingOptions.SHOW_BALLOON = true;
        recorder_->balloons.clear();
        const unsigned runs = Runs();
        if (c.expected) {
            Copy(copier_, {DropList(c.paths)});
            ASSERT_TRUE(WaitForProcessingCount(runs + 1));
            EXPECT_EQ(ClipboardText(), c.expected);
            EXPECT_FALSE(ClipboardHas(CF_HDROP));
            ASSERT_EQ(recorder_->balloons.size(), 1u);
            EXPECT_EQ(recorder_->balloons[0].text, L"Conveted file names to text.");
        } else {
            ASSERT_TRUE(CopyAndWaitHandled({DropList(c.paths)}));
            EXPECT_EQ(Runs(), runs);
            EXPECT_TRUE(ClipboardHas(CF_HDROP));
            EXPECT_FALSE(ClipboardHas(CF_UNICODETEXT));
            EXPECT_TRUE(recorder_->balloons.empty());
        }
    }
}

TEST_F(WatchTest, TextWinsOverAFileList) {
    ProcessingOptions.FileFolderCopy = 2;
    Copy(copier_, {UnicodeText(L"words"), DropList({L"C:\\w\\a.txt"})});
    ASSERT_TRUE(WaitForProcessingCount(1));
    EXPECT_EQ(ClipboardText(), L"words");
}

// Held only for a moment: the run tries again a little later and processes the copy itself.
TEST_F(WatchTest, ClipboardHeldForAMomentIsProcessedWithinTheSameRun) {
    ProcessingOptions.DelSpace = true;
    ProcessingOptions.CBWatchEnabled = false;  // the copy waits unprocessed
    ASSERT_TRUE(CopyAndWaitHandled({UnicodeText(L"h e l d")}));
    ProcessingOptions.CBWatchEnabled = true;
    const unsigned runs = Runs();
    {
        ClipboardHeldUntilFirstFailedOpen busy;
        ASSERT_TRUE(busy.held());
        SendMessageW(main_, WM_CLIPBOARDUPDATE, 0, 0);  // the notification of the copy, arriving now
    }
    EXPECT_EQ(Record().failedOpens, 1u);
    EXPECT_EQ(Runs(), runs + 1);
    EXPECT_EQ(ClipboardText(), L"held");
}

// Held through every attempt of the run: the one retry after the notification processes the copy;
// nothing is lost and nothing runs twice.
TEST_F(WatchTest, ClipboardHeldThroughTheRunIsProcessedByTheRetry) {
    ProcessingOptions.DelSpace = true;
    ProcessingOptions.CBWatchEnabled = false;  // the copy waits unprocessed
    ASSERT_TRUE(CopyAndWaitHandled({UnicodeText(L"h e l d")}));
    ProcessingOptions.CBWatchEnabled = true;
    const unsigned runs = Runs();
    {
        ClipboardHeldElsewhere busy;
        ASSERT_TRUE(busy.held());
        SendMessageW(main_, WM_CLIPBOARDUPDATE, 0, 0);  // returns when the run has given up
        EXPECT_EQ(Runs(), runs);
        EXPECT_GT(Record().failedOpens, 0u);
        EXPECT_EQ(Record().failedOpens, Record().openAttempts);
    }
    ASSERT_TRUE(WaitForProcessingCount(runs + 1));
    EXPECT_EQ(ClipboardText(), L"held");
    ASSERT_TRUE(CopyAndWaitProcessed(L"s e n t i n e l"));
    EXPECT_EQ(Runs(), runs + 2);
}

TEST_F(WatchTest, ForcedRunWaitsBrieflyForAClipboardHeldByAnotherProgram) {
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.DelSpace = true;
    CopyText(copier_, L"f o r c e d");
    bool result = false;
    {
        ClipboardHeldUntilFirstFailedOpen busy;
        ASSERT_TRUE(busy.held());
        result = ProcessClipboard(main_, true);
    }
    EXPECT_TRUE(result);
    EXPECT_EQ(Record().failedOpens, 1u);
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
    EXPECT_TRUE(recorder_->balloons.empty());
}

// A window of the test in the clipboard viewer chain, recording what reaches it and passing it on;
// it leaves the chain again on every way out of the test.
class RecordingViewer {
public:
    RecordingViewer() {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"NuvelaTestRecordingViewer";
        RegisterClassExW(&windowClass);  // fails harmlessly when an earlier test registered it
        window_.reset(CreateWindowExW(0, L"NuvelaTestRecordingViewer", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
        active = this;
        next_ = SetClipboardViewer(window_.get());
    }
    ~RecordingViewer() {
        ChangeClipboardChain(window_.get(), next_);
        window_.reset();
        active = nullptr;
    }
    RecordingViewer(const RecordingViewer&) = delete;
    RecordingViewer& operator=(const RecordingViewer&) = delete;

    HWND window() const { return window_.get(); }
    int draws = 0;
    std::vector<std::pair<HWND, HWND>> chainChanges;  // removed, next

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        RecordingViewer* self = active;
        if (self && message == WM_DRAWCLIPBOARD) {
            ++self->draws;
            if (self->next_) SendMessageW(self->next_, message, wParam, lParam);
            return 0;
        }
        if (self && message == WM_CHANGECBCHAIN) {
            const auto removed = reinterpret_cast<HWND>(wParam);
            const auto next = reinterpret_cast<HWND>(lParam);
            self->chainChanges.emplace_back(removed, next);
            if (removed == self->next_) self->next_ = next;
            else if (self->next_) SendMessageW(self->next_, message, wParam, lParam);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static inline RecordingViewer* active = nullptr;
    UniqueWindow window_;
    HWND next_ = nullptr;
};

TEST_F(WatchTest, ViewerChainForwardsNotificationsAndFollowsChainChanges) {
    LeaveClipboardWatch(main_);
    ReleaseClipboardListener();
    RecordingViewer viewer;
    JoinClipboardWatch(main_);
    EXPECT_EQ(NextViewer, viewer.window());
    PumpFor(0);

    ProcessingOptions.DelSpace = true;
    const int drawsBefore = viewer.draws;
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    UniqueWindow otherWindow(other);
    Copy(other, {UnicodeText(L"v i e w")});
    ASSERT_TRUE(PumpUntil([&] { return Runs() >= 1 && ClipboardOwner() == main_ && viewer.draws > drawsBefore; }));
    EXPECT_EQ(ClipboardText(), L"view");

    // Another window leaving the chain behind ours is passed on; the viewer after ours leaving is followed.
    OnChangeClipboardChain(main_, other, nullptr);
    ASSERT_EQ(viewer.chainChanges.size(), 1u);
    EXPECT_EQ(viewer.chainChanges[0], std::make_pair(other, static_cast<HWND>(nullptr)));
    OnChangeClipboardChain(main_, viewer.window(), nullptr);
    EXPECT_EQ(NextViewer, nullptr);
    EXPECT_EQ(viewer.chainChanges.size(), 1u);
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
        recorder_->boxes.clear();
        Copy(copier_, {UnicodeText(L"precious"), RegisteredFormat(L"HTML Format", "<b>precious</b>")});
        SetTextProcessor(c.processor);
        EXPECT_FALSE(ProcessClipboard(main_, true));
        SetTextProcessor(nullptr);
        ASSERT_EQ(recorder_->boxes.size(), 1u);
        EXPECT_EQ(recorder_->boxes[0].text, c.text);
        EXPECT_EQ(recorder_->boxes[0].caption, c.caption);
        EXPECT_EQ(recorder_->boxes[0].owner, main_);
        EXPECT_TRUE(recorder_->boxes[0].type & MB_ICONERROR);
        EXPECT_EQ(ClipboardText(), L"precious");
        EXPECT_TRUE(ClipboardHas(L"HTML Format"));
        EXPECT_FALSE(WatchBusy);
    }
    // Through a notification the failure is shown once: the 500 ms retry is for a clipboard that
    // could not be opened, not for a failure the run has reported. The copied files stay.
    recorder_->boxes.clear();
    ProcessingOptions.CBWatchEnabled = true;
    ProcessingOptions.FileFolderCopy = 1;
    SetFileListProcessor(cases[0].processor);
    ASSERT_TRUE(CopyAndWaitHandled({DropList({L"C:\\w\\a.txt"})}));
    PumpFor(800);
    SetFileListProcessor(nullptr);
    EXPECT_EQ(recorder_->boxes.size(), 1u);
    EXPECT_TRUE(ClipboardHas(CF_HDROP));
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
    ASSERT_TRUE(CopyAndWaitProcessed(L"o l d"));
    refusalsLeft = 1;
    SetClipboardDataStep(RefuseFirstWrites);
    Copy(copier_, {UnicodeText(L"k e e p")});
    ASSERT_TRUE(WaitForProcessingCount(2));
    SetClipboardDataStep(nullptr);
    EXPECT_EQ(ClipboardText(), L"k e e p");
    EXPECT_FALSE(HasKeptOriginal(main_)) << "a restore would put the older copy over it";
    ASSERT_EQ(recorder_->balloons.size(), 1u);
    EXPECT_EQ(recorder_->balloons[0].text, L"SetClipboardData() failed.");
    EXPECT_EQ(recorder_->balloons[0].severity, 3u);
    EXPECT_FALSE(MultiDivRunning());
    // The restored text is ours: it is not taken for a new copy.
    ASSERT_TRUE(CopyAndWaitProcessed(L"n e x t"));
    EXPECT_EQ(Runs(), 3u);
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
    ASSERT_EQ(recorder_->balloons.size(), 1u);
    EXPECT_EQ(recorder_->balloons[0].text, L"クリップボードへ書き込めませんでした。");
    EXPECT_EQ(recorder_->balloons[0].severity, 3u);
    EXPECT_FALSE(ClipboardHas(CF_UNICODETEXT));
    ASSERT_TRUE(ClipboardHas(CF_HDROP));
    ProcessingOptions.CBWatchEnabled = false;
    EXPECT_TRUE(ProcessClipboard(main_, true));
    EXPECT_EQ(ClipboardText(), L"a.txt\r\n");
}

// A pattern that does not compile leaves the text to the other stages and warns; the success
// message comes after the warning in the same balloon, which carries the warning's icon.
TEST_F(WatchTest, InvalidPatternWarnsInTheSameBalloonAsTheSuccess) {
    ProcessingOptions.SHOW_BALLOON = true;
    ProcessingOptions.REP_REP = true;
    ProcessingOptions.REP_BEFORE = L"(unclosed";
    ProcessingOptions.DelSpace = true;
    struct {
        Language language;
        std::wstring balloon;
    } const languages[] = {
        {Language::English, L"regex error.\r\n-----\r\nDeleted attributes of clipboard text."},
        {Language::Japanese, L"正規表現による文字列置換に失敗\r\n-----\r\nクリップボード文字列の属性を除去しました。"},
    };
    for (const auto& l : languages) {
        SetLanguage(l.language);
        recorder_->balloons.clear();
        ASSERT_TRUE(CopyAndWaitProcessed(L"s t i l l"));
        EXPECT_EQ(ClipboardText(), L"still");
        ASSERT_EQ(recorder_->balloons.size(), 1u);
        EXPECT_EQ(recorder_->balloons[0].text, l.balloon);
        EXPECT_EQ(recorder_->balloons[0].severity, SeverityWarning);
    }
    SetLanguage(Language::English);
}

// Each system call of a run that can fail fails once, at the call a test names (0: never).
struct FailingCalls {
    int empty = 0;
    int alloc = 0;
    int lock = 0;
};
FailingCalls failing;
int emptyCalls = 0, allocCalls = 0, lockCalls = 0;

BOOL WINAPI EmptyUnlessFailing() { return ++emptyCalls == failing.empty ? FALSE : EmptyClipboard(); }
HGLOBAL WINAPI AllocUnlessFailing(UINT flags, SIZE_T bytes) {
    return ++allocCalls == failing.alloc ? nullptr : GlobalAlloc(flags, bytes);
}
LPVOID WINAPI LockUnlessFailing(HGLOBAL block) { return ++lockCalls == failing.lock ? nullptr : GlobalLock(block); }

// A failure before the clipboard is emptied leaves the copy as it was; one after it puts the copy
// back, every format included. Either way the balloon says which step failed.
TEST_F(WatchTest, EachFailingStepIsReportedAndNothingIsLost) {
    struct Case {
        const char* name;
        FailingCalls calls;
        bool files;
        const wchar_t* japanese;
        const wchar_t* english;
    };
    const Case cases[] = {
        {"T2 the copied block cannot be locked", {0, 0, 1}, false,
         L"クリップボードのメモリのロックに失敗。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
         L"GlobalLock() failed."},
        {"T4 the clipboard cannot be emptied", {1, 0, 0}, false,
         L"クリップボードの内容を空にできませんでした。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
         L"Cannot empty clipboard."},
        {"W1 no block for the result", {0, 1, 0}, false, L"メモリ確保に失敗。", L"GlobalAlloc() failed."},
        {"W2 the result's block cannot be locked", {0, 0, 2}, false, L"メモリのロックに失敗。", L"GlobalLock() failed."},
        {"W1 no block for the file names", {0, 1, 0}, true, L"メモリ確保に失敗。", L"GlobalAlloc() failed."},
        {"W3 the file list cannot be emptied", {1, 0, 0}, true, L"クリップボードの内容を空にできませんでした。",
         L"Cannot empty clipboard."},
    };
    ProcessingOptions.DelSpace = true;
    ProcessingOptions.FileFolderCopy = 1;
    SetClipboardSystemSteps({EmptyUnlessFailing, AllocUnlessFailing, LockUnlessFailing});
    for (const Case& c : cases) {
        for (const Language language : {Language::Japanese, Language::English}) {
            SCOPED_TRACE(std::string(c.name) + (language == Language::English ? " (English)" : " (Japanese)"));
            SetLanguage(language);
            recorder_->balloons.clear();
            failing = c.calls;
            emptyCalls = allocCalls = lockCalls = 0;
            if (c.files)
                Copy(copier_, {DropList({L"C:\\w\\a.txt"})});
            else
                Copy(copier_, {UnicodeText(L"k e e p"), RegisteredFormat(L"HTML Format", "<b>keep</b>")});
            // a run that fails before the engine does not count as processed: its balloon ends it
            ASSERT_TRUE(PumpUntil([&] { return !recorder_->balloons.empty(); }, 5000));
            failing = {};
            ASSERT_EQ(recorder_->balloons.size(), 1u);
            EXPECT_EQ(recorder_->balloons[0].text, language == Language::English ? c.english : c.japanese);
            EXPECT_EQ(recorder_->balloons[0].severity, 3u);
            if (c.files) {
                EXPECT_TRUE(ClipboardHas(CF_HDROP));
                EXPECT_FALSE(ClipboardHas(CF_UNICODETEXT));
            } else {
                EXPECT_EQ(ClipboardText(), L"k e e p");
                EXPECT_TRUE(ClipboardHas(L"HTML Format"));
            }
        }
    }
    SetLanguage(Language::English);
}

// The owner's formats are kept in its order, without those the system makes from them; a copy left
// alone (privacy-marked, or with nothing to process) drops what was kept.
TEST_F(WatchTest, KeptOriginalHoldsTheOwnersFormatsUntilACopyIsLeftAlone) {
    const std::vector<Offer> rich = {UnicodeText(L"a b"), RegisteredFormat(L"Rich Text Format", "{\\rtf1 a b}"),
                                     RegisteredFormat(L"HTML Format", "<b>a b</b>")};
    const std::vector<UINT> richFormats = {CF_UNICODETEXT, Registered(L"Rich Text Format"), Registered(L"HTML Format"),
                                           CF_LOCALE};
    for (const auto& leftAlone :
         {std::vector<Offer>{UnicodeText(L"p w"),
                             RegisteredFormat(L"ExcludeClipboardContentFromMonitorProcessing", "1")},
          std::vector<Offer>{RegisteredFormat(L"HTML Format", "<i>no text</i>")}}) {
        const unsigned runs = Runs();
        Copy(copier_, rich);
        ASSERT_TRUE(WaitForProcessingCount(runs + 1));
        EXPECT_EQ(KeptOriginalFormats(), richFormats);
        EXPECT_TRUE(HasKeptOriginal(main_));
        ASSERT_TRUE(CopyAndWaitHandled(leftAlone));
        EXPECT_TRUE(KeptOriginalFormats().empty());
    }
}

// A new original, and the text a run copies, are written over the memory of the one it replaces
// where they fit: whichever sizes follow each other, a restore brings back exactly the latest copy.
TEST_F(WatchTest, RestoreBringsBackTheLatestCopyWhateverSizesCameBefore) {
    const size_t sizes[] = {1000, 600, 1200, 100, 100, 5000};
    for (size_t round = 0; round < std::size(sizes); ++round) {
        SCOPED_TRACE(round);
        const std::wstring text(sizes[round] / 2, static_cast<wchar_t>(L'k' + round));
        const std::vector<Offer> copy = {UnicodeText(text),
                                         RegisteredFormat(L"HTML Format", std::string(sizes[round], 'a' + round)),
                                         RegisteredFormat(L"Rich Text Format", std::string(700, 'r' + round))};
        const unsigned runs = Runs();
        Copy(copier_, copy);
        ASSERT_TRUE(WaitForProcessingCount(runs + 1));
        RestoreOriginalCopy(main_);
        EXPECT_EQ(ClipboardDataOf(copy), DataOf(copy));
    }
}

// The copier's window renders its HTML only on request, and takes longer than the limit to do it.
LRESULT CALLBACK SlowRenderer(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_RENDERFORMAT) return DefWindowProcW(window, message, wParam, lParam);
    Sleep(static_cast<DWORD>(kOriginalCopyRenderLimitMs) + 200);
    const std::string html = "<b>slow</b>";
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, html.size()));
    std::memcpy(GlobalMemoryLock(block.get()).data(), html.data(), html.size());
    if (SetClipboardData(static_cast<UINT>(wParam), block.get())) block.release();
    return 0;
}

TEST_F(WatchTest, OriginalRenderedTooSlowlyIsNotKeptAndDropsTheOlderOne) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"older"));
    ASSERT_TRUE(HasKeptOriginal(main_));
    SetWindowLongPtrW(copier_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SlowRenderer));
    Copy(copier_, {UnicodeText(L"slow"), Offer{Registered(L"HTML Format"), {}, true}});
    ASSERT_TRUE(WaitForProcessingCount(2));
    EXPECT_EQ(ClipboardText(), L"slow");
    EXPECT_TRUE(KeptOriginalFormats().empty());
}

// Held through both tries: the restore says so and keeps the copy, which a later restore puts back.
TEST_F(WatchTest, RestoreOfAHeldClipboardIsTriedAgainThenReportedAndTheCopyKept) {
    ProcessingOptions.DelSpace = true;
    const std::vector<Offer> rich = {UnicodeText(L"a b"), RegisteredFormat(L"HTML Format", "<b>a b</b>")};
    Copy(copier_, rich);
    ASSERT_TRUE(WaitForProcessingCount(1));
    {
        ClipboardHeldElsewhere busy;
        ASSERT_TRUE(busy.held());
        RestoreOriginalCopy(main_);
        const unsigned failedFirst = Record().failedOpens;
        EXPECT_GT(failedFirst, 0u);
        EXPECT_TRUE(recorder_->balloons.empty());  // not yet: it is tried again a little later
        ASSERT_TRUE(PumpUntil([&] { return !recorder_->balloons.empty(); }));
        EXPECT_GT(Record().failedOpens, failedFirst);
    }
    EXPECT_EQ(recorder_->balloons[0].text, L"Cannot restore the original copy. Wait a moment and try again.");
    EXPECT_EQ(recorder_->balloons[0].severity, 3u);
    EXPECT_EQ(ClipboardText(), L"ab");
    RestoreOriginalCopy(main_);
    EXPECT_EQ(ClipboardDataOf(rich), DataOf(rich));
    EXPECT_EQ(Runs(), 1u);
}

// A program copies while the restore waits for the clipboard: its copy stays, and is processed as
// any copy; the kept copy, older than it, is gone.
TEST_F(WatchTest, RestoreNeverPutsTheKeptCopyOverANewerOne) {
    ProcessingOptions.DelSpace = true;
    Copy(copier_, {UnicodeText(L"o l d"), RegisteredFormat(L"HTML Format", "<b>old</b>")});
    ASSERT_TRUE(WaitForProcessingCount(1));
    {
        ClipboardHeldUntilFirstFailedOpen busy([] {
            ASSERT_TRUE(EmptyClipboard());
            ASSERT_TRUE(PutTextOnClipboard(L"n e w"));
        });
        ASSERT_TRUE(busy.held());
        RestoreOriginalCopy(main_);
    }
    EXPECT_GT(Record().failedOpens, 0u);
    EXPECT_EQ(ClipboardText(), L"n e w");
    EXPECT_TRUE(KeptOriginalFormats().empty());
    EXPECT_TRUE(PumpUntil([&] { return ClipboardText() == L"new"; })) << "the change went unnoticed";
    EXPECT_TRUE(recorder_->balloons.empty());
}

int writesBeforeRefusal = -1;
HANDLE RefuseOneWrite(UINT format, HANDLE data) {
    if (writesBeforeRefusal-- == 0) return nullptr;
    return SetClipboardData(format, data);
}

// One pixel of 32 bits; the form with alpha has it, the plain one does not.
Offer Bitmap(UINT format, DWORD headerSize, BYTE alpha) {
    std::vector<BYTE> data(headerSize + 4, 0);
    BITMAPINFOHEADER header = {headerSize, 1, 1, 1, 32, BI_RGB, 4, 0, 0, 0, 0};
    std::memcpy(data.data(), &header, sizeof header);
    data[headerSize + 3] = alpha;
    return {format, data};
}

// A program that offers ANSI text before its Unicode text, and a plain bitmap before one with
// alpha, gets back each of them as it offered it: the Unicode text with what no code page holds. A
// restore that cannot write every format first puts our result back, says so, and keeps the copy
// for the next one.
TEST_F(WatchTest, RestoreBringsBackEachFormatTheOwnerOfferedOrOurResultWhenItFailsHalfWay) {
    ProcessingOptions.DelSpace = true;
    const std::string ansi = "\xE9?? a";
    const std::vector<Offer> copy = {{CF_TEXT, Bytes(ansi.c_str(), ansi.size() + 1)}, UnicodeText(L"\u00E9\U0001F600 a"),
                                     RegisteredFormat(L"HTML Format", "<b>\xC3\xA9\xF0\x9F\x98\x80 a</b>"),
                                     Bitmap(CF_DIB, sizeof(BITMAPINFOHEADER), 0),
                                     Bitmap(CF_DIBV5, sizeof(BITMAPV5HEADER), 0x80)};
    Copy(copier_, copy);
    ASSERT_TRUE(WaitForProcessingCount(1));
    const std::vector<UINT> resultFormats = ClipboardFormats();
    writesBeforeRefusal = 1;  // the ANSI text is written, the Unicode text is not
    SetClipboardDataStep(RefuseOneWrite);
    RestoreOriginalCopy(main_);
    SetClipboardDataStep(nullptr);
    ASSERT_EQ(recorder_->balloons.size(), 1u);
    EXPECT_EQ(recorder_->balloons[0].text, L"Cannot restore the original copy. The clipboard holds what it held before, "
                                           L"and the original copy is still kept. Wait a moment and try again.");
    EXPECT_EQ(ClipboardFormats(), resultFormats) << "nothing of the original stays beside our result";
    EXPECT_EQ(ClipboardText(), L"\u00E9\U0001F600a");
    RestoreOriginalCopy(main_);
    EXPECT_EQ(ClipboardDataOf(copy), DataOf(copy));
}

const std::vector<Offer> kHistoryMarkers = {DwordFormat(L"CanIncludeInClipboardHistory", 0),
                                            DwordFormat(L"CanUploadToCloudClipboard", 0)};

// A restore whose first try finds the clipboard held is tried again for the same copy only: a copy
// processed meanwhile keeps its result. A restore is kept out of the clipboard history, which holds
// that copy already; a run's result is not.
TEST_F(WatchTest, RestoreRetryGivesWayToACopyProcessedMeanwhile) {
    ProcessingOptions.DelSpace = true;
    Copy(copier_, {UnicodeText(L"o l d"), RegisteredFormat(L"HTML Format", "<b>old</b>")});
    ASSERT_TRUE(WaitForProcessingCount(1));
    EXPECT_TRUE(ClipboardDataOf(kHistoryMarkers).empty());
    {
        ClipboardHeldElsewhere busy;
        RestoreOriginalCopy(main_);
    }
    const std::vector<Offer> newer = {UnicodeText(L"n e w"), RegisteredFormat(L"HTML Format", "<b>new</b>")};
    Copy(copier_, newer);
    ASSERT_TRUE(WaitForProcessingCount(2));
    OnRestoreRetryTimer(main_);
    EXPECT_EQ(ClipboardText(), L"new");
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
    RestoreOriginalCopy(main_);
    EXPECT_EQ(ClipboardDataOf(newer), DataOf(newer));
    EXPECT_EQ(ClipboardDataOf(kHistoryMarkers), DataOf(kHistoryMarkers));
}

std::vector<UINT> rendered;
// Renders each format only on request, 600 ms a format: three take well over the limit.
LRESULT CALLBACK RendererOf600Ms(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_RENDERFORMAT) return DefWindowProcW(window, message, wParam, lParam);
    const auto format = static_cast<UINT>(wParam);
    rendered.push_back(format);
    Sleep(600);
    const Offer offer = format == CF_UNICODETEXT ? UnicodeText(L"s l o w") : Offer{format, Bytes("slow", 4)};
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, offer.data.size()));
    std::memcpy(GlobalMemoryLock(block.get()).data(), offer.data.data(), offer.data.size());
    if (SetClipboardData(format, block.get())) block.release();
    return 0;
}

// The run's own reading of the text counts towards the limit, and the HTML is read before the
// owner's private format: nothing is asked for past the limit, so the clipboard is free again soon.
TEST_F(WatchTest, SlowOwnerCostsAtMostOneRenderingPastTheLimit) {
    ProcessingOptions.DelSpace = true;
    rendered.clear();
    SetWindowLongPtrW(copier_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RendererOf600Ms));
    Copy(copier_, {Offer{Registered(L"Nuvela Test Slow"), {}, true}, Offer{CF_UNICODETEXT, {}, true},
                   Offer{Registered(L"HTML Format"), {}, true}});
    ASSERT_TRUE(WaitForProcessingCount(1, 30000));
    EXPECT_EQ(ClipboardText(), L"slow");
    EXPECT_EQ(rendered, (std::vector<UINT>{CF_UNICODETEXT, Registered(L"HTML Format")}));
    EXPECT_TRUE(KeptOriginalFormats().empty());
    ClipboardSession session;
    EXPECT_TRUE(session.Open(copier_));
}

// The new original is written over the blocks of the one it replaces where they fit; the limit
// covers the memory those blocks hold, not only what is copied into them.
TEST_F(WatchTest, KeptOriginalNeverHoldsMoreThanTheLimit) {
    constexpr size_t kMiB = 1024 * 1024;
    Copy(copier_, {UnicodeText(L"a"), {Registered(L"Nuvela Test A"), std::vector<BYTE>(40 * kMiB, 'a')}});
    ASSERT_TRUE(WaitForProcessingCount(1));
    ASSERT_TRUE(HasKeptOriginal(main_));
    Copy(copier_, {UnicodeText(L"b"), {Registered(L"Nuvela Test B"), std::vector<BYTE>(30 * kMiB, 'b')},
                   {Registered(L"Nuvela Test C"), std::vector<BYTE>(30 * kMiB, 'c')}});
    ASSERT_TRUE(WaitForProcessingCount(2));
    EXPECT_LE(KeptOriginalHeldBytes(), kOriginalCopyLimitBytes);
}

bool unwipedMemoryFreed = false;
std::size_t largestBlockFreed = 0;
void RecordFreedBlock(const void* memory, std::size_t bytes) {
    const BYTE* begin = static_cast<const BYTE*>(memory);
    unwipedMemoryFreed = unwipedMemoryFreed || std::any_of(begin, begin + bytes, [](BYTE b) { return b != 0; });
    largestBlockFreed = std::max(largestBlockFreed, bytes);
}

// The text a run moved into the kept copy is wiped before its memory is given back.
TEST_F(WatchTest, KeptTextIsWipedBeforeItsMemoryIsGivenBack) {
    const std::wstring text(300, L's');
    ASSERT_TRUE(CopyAndWaitProcessed(text));
    ASSERT_TRUE(HasKeptOriginal(main_));
    SetWipedMemoryCheck(RecordFreedBlock);
    DropKeptOriginal();
    SetWipedMemoryCheck(nullptr);
    EXPECT_FALSE(unwipedMemoryFreed);
    EXPECT_GE(largestBlockFreed, text.size() * sizeof(wchar_t));
}

// An owner that offers its data for rendering on request and then hangs would keep the run inside
// GetClipboardData, and the clipboard open for everyone, for as long as it hangs. The run asks it
// first, gives up within a moment and leaves the offer as it was.
class HungOwnerTest : public ClipboardTest {
protected:
    void ExpectLeftAlone(UINT format, const wchar_t* balloon) {
        const int updates = Record().updates;
        ClipboardOwnerThatHangs owner(format);
        ASSERT_TRUE(owner.offered());
        const ULONGLONG start = GetTickCount64();
        ASSERT_TRUE(PumpUntil([&] { return Record().updates > updates; }, 10000));
        EXPECT_LT(GetTickCount64() - start, 5000u);
        SetLanguage(Language::English);
        EXPECT_EQ(Runs(), 0u);
        ASSERT_EQ(recorder_->balloons.size(), 1u);
        EXPECT_EQ(recorder_->balloons[0].text, balloon);
        EXPECT_EQ(recorder_->balloons[0].severity, 3u);
        {
            ClipboardSession session;
            EXPECT_TRUE(session.Open(copier_));  // nobody holds it any longer
        }
        EXPECT_EQ(ClipboardOwner(), owner.window());
        EXPECT_TRUE(ClipboardHas(format));
    }
};

TEST_F(HungOwnerTest, DelayedTextIsLeftAloneAndTheClipboardFreedAtOnce) {
    ExpectLeftAlone(CF_UNICODETEXT, L"The program that owns the clipboard does not respond; nothing was processed.");
}

// Asked for by the user (hotkey 2), the copy of an owner that hangs is left as it is all the same.
TEST_F(HungOwnerTest, ForcedRunReturnsWithinTheOwnerBoundAndLeavesTheCopy) {
    ProcessingOptions.CBWatchEnabled = false;
    ClipboardOwnerThatHangs owner(CF_UNICODETEXT);
    ASSERT_TRUE(owner.offered());
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(ProcessClipboard(main_, true));
    EXPECT_LT(GetTickCount64() - start, 5000u);
    EXPECT_EQ(Runs(), 0u);
    EXPECT_EQ(ClipboardOwner(), owner.window());
    EXPECT_TRUE(ClipboardHas(CF_UNICODETEXT));
}

TEST_F(HungOwnerTest, DelayedFileListIsLeftAloneAndTheClipboardFreedAtOnce) {
    ProcessingOptions.FileFolderCopy = 1;
    SetLanguage(Language::Japanese);
    ExpectLeftAlone(CF_HDROP, L"クリップボードの所有者が応答しないため、処理を中止しました。");
}

}  // namespace
}  // namespace clipboard_test
