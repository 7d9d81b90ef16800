#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "clipboard_access.h"
#include "commands.h"
#include "messages.h"
#include "nuvela_harness.h"
#include "scoped_win.h"

namespace clipboard_test {
namespace {

using test_support::NuvelaTest;
using test_support::StartedNuvela;
using Settings = std::vector<std::pair<std::wstring, std::wstring>>;

// The test program is the other application: its own window copies, and it listens to the
// clipboard to count the writes of Nuvela's window.
class ClipboardE2eTest : public NuvelaTest {
protected:
    void SetUp() override {
        NuvelaTest::SetUp();
        copier_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(copier_);
        SetWindowLongPtrW(copier_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProcedure));
        Copy(copier_, {UnicodeText(L"before start")});
        updates = 0;
        ASSERT_TRUE(AddClipboardFormatListener(copier_));
    }
    void TearDown() override {
        RemoveClipboardFormatListener(copier_);
        {
            ClipboardSession session;
            if (session.Open(copier_)) EmptyClipboard();
        }
        DestroyWindow(copier_);
        nuvelaWindow = nullptr;
        NuvelaTest::TearDown();
    }

    // Starts Nuvela with `settings` (no hotkeys, which could clash with another program's); once
    // it has taken the clipboard it is ready for copies.
    StartedNuvela& Start(const Settings& settings, bool takesTheClipboard = true, const std::wstring& arguments = L"") {
        test_support::WriteIni({{L"SK1_VKEY", L"0"}, {L"SK2_VKEY", L"0"}});
        test_support::WriteIni(settings);
        StartedNuvela& nuvela = NuvelaTest::Start(iniExe_, arguments);
        nuvelaWindow = nuvela.WaitForMainWindow(20000);
        EXPECT_TRUE(nuvelaWindow) << "Nuvela did not start";
        if (nuvelaWindow && takesTheClipboard) {
            EXPECT_TRUE(PumpUntil([&] { return ClipboardOwner() == nuvelaWindow; }, 10000));
            // ... and the test's window has been told of that write (maybe before it knew Nuvela's
            // window), so a notification still queued is not counted as a later write.
            EXPECT_TRUE(PumpUntil([&] { return notifiedWrites.contains(GetClipboardSequenceNumber()); }, 10000));
        }
        nuvelaWrites.clear();
        return nuvela;
    }

    // Copies from the test's window and returns once the copy's notification has gone out: ours
    // has arrived, and Nuvela's was queued with it.
    void CopyAndWaitNotified(const std::vector<Offer>& offers) {
        const int before = updates;
        Copy(copier_, offers);
        ASSERT_TRUE(PumpUntil([&] { return updates > before; }));
    }

    // Nuvela has written `text`, and the test's window has counted that write.
    bool WaitForNuvelaText(const std::wstring& text, DWORD deadlineMs = 10000) {
        return PumpUntil(
            [&] {
                return ClipboardOwner() == nuvelaWindow && ClipboardText() == text &&
                       nuvelaWrites.contains(GetClipboardSequenceNumber());
            },
            deadlineMs);
    }

    // RichCopier.exe, a program of a name of its own, copies `text` with an HTML format and stays
    // the clipboard's owner; returns once the test's window has been told of the copy.
    std::unique_ptr<test_support::ChildProcess> CopyFromRichCopier(const std::wstring& text) {
        test_support::ProcessOptions options;
        options.program = test_support::ProgramFolder() / L"RichCopier.exe";
        auto copier = std::make_unique<test_support::ChildProcess>(L"RichCopier.exe \"" + text + L"\"", options);
        EXPECT_TRUE(copier->started());
        // Its copy was announced (Nuvela's notification is queued with ours), or Nuvela already wrote.
        EXPECT_TRUE(PumpUntil([&] { return ProcessOf(lastNotifiedOwner) == copier->id() || !nuvelaWrites.empty(); }, 20000))
            << "RichCopier.exe did not copy";
        return copier;
    }

    static LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        // A write counts once however many notifications show it, and only once its writer has
        // closed the clipboard; a reader (Wine's own clipboard manager) may hold it open meanwhile.
        if (message == WM_CLIPBOARDUPDATE) {
            ++updates;
            const HWND owner = GetClipboardOwner();
            lastNotifiedOwner = owner;
            if (owner && GetOpenClipboardWindow() != owner) {
                notifiedWrites.insert(GetClipboardSequenceNumber());
                if (owner == nuvelaWindow) nuvelaWrites.insert(GetClipboardSequenceNumber());
            }
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static inline HWND nuvelaWindow = nullptr;
    static inline std::set<DWORD> nuvelaWrites;  // clipboard sequence numbers of Nuvela's writes
    static inline std::set<DWORD> notifiedWrites;  // ... of every complete write the window was told of
    static inline int updates = 0;               // clipboard notifications of the test's window
    static inline HWND lastNotifiedOwner = nullptr;  // the clipboard's owner at the latest of them

    static DWORD ProcessOf(HWND window) {
        DWORD processId = 0;
        if (window) GetWindowThreadProcessId(window, &processId);
        return processId;
    }
    HWND copier_ = nullptr;
};

TEST_F(ClipboardE2eTest, RichTextComesBackAsPlainTextProcessedByTheIniOptions) {
    Start({{L"DelSpace", L"1"}});
    ASSERT_TRUE(nuvelaWindow);
    Copy(copier_, {UnicodeText(L"r i c h"), RegisteredFormat(L"Rich Text Format", "{\\rtf1 r i c h}"),
                   RegisteredFormat(L"HTML Format", "<b>r i c h</b>")});
    ASSERT_TRUE(WaitForNuvelaText(L"rich"));
    EXPECT_FALSE(ClipboardHas(L"Rich Text Format"));
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));

    CopyText(copier_, L"p l a i n");
    EXPECT_TRUE(WaitForNuvelaText(L"plain"));
}

// A web page's paragraph, with all five cleanup settings on, comes back as one clean line.
TEST_F(ClipboardE2eTest, CleanupSettingsTidyACopyBeforeTheOtherStages) {
    Start({{L"CLN_INVISIBLE", L"1"}, {L"CLN_SPACES", L"1"}, {L"CLN_QUOTES", L"1"}, {L"CLN_NORMALIZE", L"2"},
           {L"CLN_UNWRAP", L"1"}, {L"LC_LF", L"1"}});
    ASSERT_TRUE(nuvelaWindow);
    CopyText(copier_, L"\x201C" L"Copy\x201D the exam-\r\nple\x00A0now\x2026\x200B\r\n\xFF83\xFF9E\xFF70\xFF80\x3092"
                      L"\r\n\x9001\x308B\r\n\r\n1. one\r\n2. two\r\n");
    EXPECT_TRUE(WaitForNuvelaText(L"\"Copy\" the example now...\x30C7\x30FC\x30BF\x3092\x9001\x308B\n\n1. one\n2. two\n"));
}

// A chat's copy button offers its answer as HTML beside the Markdown source; the clipboard then
// holds the answer as a reader sees it, and nothing else. The line feed choice gives the result
// one form of line break.
TEST_F(ClipboardE2eTest, MarkdownCopyComesBackAsThePlainTextAlone) {
    Start({{L"CLN_MARKDOWN", L"1"}, {L"LC_LF", L"1"}});
    ASSERT_TRUE(nuvelaWindow);
    const std::vector<Offer> copy = {
        RegisteredFormat(L"HTML Format", "<h2>Steps</h2><ol><li>Open <strong>Settings</strong></li></ol>"),
        UnicodeText(L"## Steps\r\n\r\n1. Open **Settings**\r\n1. Choose `Advanced`\r\n\r\n- [ ] Restart\r\n\r\n"
                    L"| Key | Value |\r\n|---|---|\r\n| a | 1 |\r\n\r\nSee [the guide](https://example.org/guide).")};
    Copy(copier_, copy);
    EXPECT_TRUE(WaitForNuvelaText(L"Steps\n\n1. Open Settings\n2. Choose Advanced\n\n\x2610 Restart\n\n"
                                  L"Key\tValue\na\t1\n\nSee the guide (https://example.org/guide)."));
    const FormatData held = ClipboardDataOf(copy);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].first, static_cast<UINT>(CF_UNICODETEXT));
}

// A password manager's copy stays as it was; switched on again, the forced run that follows
// processes it, and the next ordinary copy is processed as usual.
TEST_F(ClipboardE2eTest, PrivateCopyIsLeftAlone) {
    Start({{L"DelSpace", L"1"}});
    ASSERT_TRUE(nuvelaWindow);
    CopyAndWaitNotified({UnicodeText(L"p a s s"), RegisteredFormat(L"HTML Format", "<b>p a s s</b>"),
                         RegisteredFormat(L"ExcludeClipboardContentFromMonitorProcessing", "1")});
    ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(nuvelaWindow));
    EXPECT_EQ(ClipboardText(), L"p a s s");
    EXPECT_TRUE(ClipboardHas(L"HTML Format"));
    EXPECT_TRUE(nuvelaWrites.empty());

    // Switching on is no request about this copy: its marker holds. Asked for, it is processed.
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(nuvelaWindow, WM_APP_COMMAND, IDM_WATCH_ON, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
    EXPECT_TRUE(ClipboardHas(L"HTML Format"));
    ASSERT_TRUE(SendMessageTimeoutW(nuvelaWindow, WM_APP_COMMAND, IDM_PROCESS_NOW, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
    ASSERT_TRUE(WaitForNuvelaText(L"pass"));
    EXPECT_TRUE(ClipboardHas(L"ExcludeClipboardContentFromMonitorProcessing"));
    CopyText(copier_, L"o p e n");
    ASSERT_TRUE(WaitForNuvelaText(L"open"));
    EXPECT_EQ(nuvelaWrites.size(), 2u);
}

TEST_F(ClipboardE2eTest, FileListBecomesNamesOrFullPaths) {
    struct Case {
        int fileFolderCopy;
        const wchar_t* expected;
    };
    for (const Case& c : {Case{1, L"a.txt\r\nb.txt\r\n"}, Case{2, L"C:\\w\\a.txt\r\nC:\\w\\b.txt\r\n"}}) {
        SCOPED_TRACE(c.fileFolderCopy);
        StartedNuvela& nuvela = Start({{L"FileFolderCopy", std::to_wstring(c.fileFolderCopy)}});
        ASSERT_TRUE(nuvelaWindow);
        Copy(copier_, {DropList({L"C:\\w\\a.txt", L"C:\\w\\b.txt"})});
        EXPECT_TRUE(WaitForNuvelaText(c.expected));
        EXPECT_FALSE(ClipboardHas(CF_HDROP));
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(L"/X", exitCode));
        ASSERT_TRUE(nuvela.WaitForExit());  // the next start must not find it still running
    }
}

TEST_F(ClipboardE2eTest, FileListIsLeftAloneWithFileFolderCopyZero) {
    Start({{L"FileFolderCopy", L"0"}});
    ASSERT_TRUE(nuvelaWindow);
    CopyAndWaitNotified({DropList({L"C:\\w\\a.txt"})});
    ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(nuvelaWindow));
    EXPECT_TRUE(ClipboardHas(CF_HDROP));
    EXPECT_FALSE(ClipboardHas(CF_UNICODETEXT));
    EXPECT_TRUE(nuvelaWrites.empty());
}

// The last copy of the burst wins, processed once; a later copy is the sentinel: once it is
// processed, a second processing of the burst would have shown. Nuvela restarts its timer with each
// notice, and a notice queued before the timer ends is handled first, so however slow Nuvela is the
// burst is one run when the copies themselves came less than the delay apart. Copies the test made
// further apart, stalled on a loaded machine, prove nothing: the burst is made again.
TEST_F(ClipboardE2eTest, DelayedProcessingRunsOnceForThreeQuickCopies) {
    Start({{L"Delay1Sec", L"1000"}, {L"DelSpace", L"1"}});
    ASSERT_TRUE(nuvelaWindow);
    for (int attempt = 1;; ++attempt) {
        nuvelaWrites.clear();
        ULONGLONG widestSpan = 0;   // from the start of one copy to the end of the next
        ULONGLONG copyStarted = 0;  // of the previous copy
        for (const wchar_t* text : {L"1 1", L"2 2", L"3 3"}) {
            const ULONGLONG started = GetTickCount64();
            CopyText(copier_, text);
            if (copyStarted) widestSpan = std::max(widestSpan, GetTickCount64() - copyStarted);
            copyStarted = started;
            PumpFor(100);
        }
        ASSERT_TRUE(WaitForNuvelaText(L"33", 30000));
        CopyText(copier_, L"4 4");
        ASSERT_TRUE(WaitForNuvelaText(L"44", 30000));
        if (widestSpan < 900) {
            EXPECT_EQ(nuvelaWrites.size(), 2u);
            return;
        }
        ASSERT_LT(attempt, 5) << "the test never made three copies within the delay";
    }
}

// The real timer re-copies every line, again and again; a new copy is processed as usual. The
// order of the lines and the end of the cycle on a new copy are checked in-process, where each step
// can be seen as it is made: seen from here, a stall longer than the interval hides a step, so
// this only waits, with a generous deadline, until each line has been on the clipboard as Nuvela's.
TEST_F(ClipboardE2eTest, MultiDivReCopiesEveryLineAndANewCopyIsProcessed) {
    Start({{L"MultiDiv", L"1"}, {L"MultiDivSec", L"500"}});
    ASSERT_TRUE(nuvelaWindow);
    CopyText(copier_, L"a\r\nb\r\nc");
    ASSERT_TRUE(WaitForNuvelaText(L"a\r\nb\r\nc", 30000));
    std::set<std::wstring> lines;
    EXPECT_TRUE(PumpUntil(
        [&] {
            if (ClipboardOwner() == nuvelaWindow && nuvelaWrites.contains(GetClipboardSequenceNumber()))
                lines.insert(ClipboardText());
            return lines.contains(L"a") && lines.contains(L"b") && lines.contains(L"c");
        },
        60000));
    lines.erase(L"<cannot open>");  // Nuvela held the clipboard just then
    EXPECT_EQ(lines, (std::set<std::wstring>{L"a", L"a\r\nb\r\nc", L"b", L"c"}));

    CopyText(copier_, L"new");
    EXPECT_TRUE(WaitForNuvelaText(L"new", 30000));
}

TEST_F(ClipboardE2eTest, MonitoringOffLeavesCopiesAloneButTheCommandProcesses) {
    Start({{L"CBWatchEnabled", L"0"}, {L"DelSpace", L"1"}}, false);
    ASSERT_TRUE(nuvelaWindow);
    CopyAndWaitNotified({UnicodeText(L"o f f"), RegisteredFormat(L"HTML Format", "<i>o f f</i>")});
    ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(nuvelaWindow));
    EXPECT_EQ(ClipboardText(), L"o f f");
    EXPECT_TRUE(ClipboardHas(L"HTML Format"));
    EXPECT_TRUE(nuvelaWrites.empty());

    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(nuvelaWindow, WM_APP_COMMAND, IDM_PROCESS_NOW, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
    EXPECT_TRUE(WaitForNuvelaText(L"off"));
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
    EXPECT_EQ(nuvelaWrites.size(), 1u);
}

// Text with the formats an office program adds, one of them its own.
std::vector<Offer> RichCopy() {
    return {UnicodeText(L"r i c h"), RegisteredFormat(L"HTML Format", "<b>r i c h</b>"),
            RegisteredFormat(L"Rich Text Format", "{\\rtf1 r i c h}"),
            RegisteredFormat(L"Nuvela Test Private Format", std::string("\0\x01\xFFprivate", 10))};
}

// "/U" brings the original back, every format byte for byte and in order, and Nuvela leaves its
// own restore alone; the kept copy stays with Nuvela's result until a new copy replaces it.
TEST_F(ClipboardE2eTest, RestoreBringsBackEveryFormatUntilANewCopyReplacesIt) {
    Start({{L"DelSpace", L"1"}});
    ASSERT_TRUE(nuvelaWindow);
    const std::vector<Offer> rich = RichCopy();
    Copy(copier_, rich);
    ASSERT_TRUE(WaitForNuvelaText(L"rich"));
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(L"/U", exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_EQ(ClipboardDataOf(rich), DataOf(rich));
        ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(nuvelaWindow));
        EXPECT_EQ(ClipboardText(), L"r i c h") << "processed again";
        // Switched on again, the forced run processes the restore; the kept copy stays with it.
        DWORD_PTR ignored = 0;
        ASSERT_TRUE(
            SendMessageTimeoutW(nuvelaWindow, WM_APP_COMMAND, IDM_WATCH_ON, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
        ASSERT_TRUE(WaitForNuvelaText(L"rich"));
    }
    CopyText(copier_, L"n e w");
    ASSERT_TRUE(WaitForNuvelaText(L"new"));
    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/U", exitCode));
    EXPECT_EQ(ClipboardText(), L"n e w");
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
}

// Nothing belongs to the clipboard, so "/U" changes nothing: keeping is switched off, a copy was
// left alone (privacy-marked, with nothing to process, or skipped by "/N"), or the original was
// over 64 MiB.
TEST_F(ClipboardE2eTest, RestoreChangesNothingWhenNoKeptCopyBelongsToTheClipboard) {
    const std::vector<Offer> large = {UnicodeText(L"l a r g e"),
                                      {Registered(L"Nuvela Test Large"), std::vector<BYTE>(64 * 1024 * 1024, 'x')}};
    struct Case {
        const char* name;
        const wchar_t* keep;
        std::vector<Offer> next;  // the copy after the rich one
        const wchar_t* text;      // on the clipboard before and after "/U"
        const wchar_t* arm = nullptr;  // a second start's option before the next copy
    };
    const Case cases[] = {
        {"keeping off", L"0", {}, L"rich"},
        {"privacy-marked copy", L"1",
         {UnicodeText(L"p w"), RegisteredFormat(L"ExcludeClipboardContentFromMonitorProcessing", "1")}, L"p w"},
        {"copy without text", L"1", {RegisteredFormat(L"HTML Format", "<i>picture</i>")}, L""},
        {"original over the limit", L"1", large, L"large"},
        {"copy the skip left alone", L"1", {UnicodeText(L"s k i p")}, L"s k i p", L"/N"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Monitoring on again, and a text to take at start: the case before switched monitoring off,
        // saved that, and left a copy that is not taken.
        CopyText(copier_, L"before start");
        StartedNuvela& nuvela = Start({{L"DelSpace", L"1"}, {L"KEEP_ORIGINAL", c.keep}, {L"CBWatchEnabled", L"1"}});
        ASSERT_TRUE(nuvelaWindow);
        Copy(copier_, RichCopy());
        ASSERT_TRUE(WaitForNuvelaText(L"rich"));
        DWORD exitCode = 1;
        if (c.arm) {
            ASSERT_TRUE(RunSecond(c.arm, exitCode));
        }
        if (!c.next.empty()) CopyAndWaitNotified(c.next);
        ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(nuvelaWindow));
        const FormatData before = ClipboardDataOf(RichCopy());
        ASSERT_TRUE(RunSecond(L"/U", exitCode));
        EXPECT_EQ(ClipboardText(), c.text);
        EXPECT_EQ(ClipboardDataOf(RichCopy()), before);
        ASSERT_TRUE(RunSecond(L"/X", exitCode));
        ASSERT_TRUE(nuvela.WaitForExit());  // the next start must not find it still running
    }
}

// Another program holds the clipboard when the notification reaches Nuvela: the copy is made and
// held open on the holding thread, and the notification is handed to Nuvela's window directly, so
// Nuvela's run meets the held clipboard. Released, the copy is processed, once.
TEST_F(ClipboardE2eTest, ClipboardHeldWhenTheNotificationArrivesIsProcessedOnceReleased) {
    Start({{L"DelSpace", L"1"}});
    ASSERT_TRUE(nuvelaWindow);
    ClipboardHeldElsewhere holder([] {
        EmptyClipboard();
        const std::wstring text = L"h e l d";
        UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
        {
            GlobalMemoryLock lock(block.get());
            std::memcpy(lock.data(), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        }
        if (SetClipboardData(CF_UNICODETEXT, block.get())) block.release();
    });
    ASSERT_TRUE(holder.held());
    // Returns once Nuvela's run has met the held clipboard and given up for now.
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(nuvelaWindow, WM_CLIPBOARDUPDATE, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
    EXPECT_TRUE(nuvelaWrites.empty());
    holder.Release();
    ASSERT_TRUE(WaitForNuvelaText(L"held"));

    CopyText(copier_, L"s e n t i n e l");
    ASSERT_TRUE(WaitForNuvelaText(L"sentinel"));
    EXPECT_EQ(nuvelaWrites.size(), 2u);
}

// A program offers text for rendering on request and then hangs: Nuvela gives up on it within a
// moment instead of waiting inside the clipboard, which stays free for others, and a second
// start's "/X" still ends it while the program hangs.
TEST_F(ClipboardE2eTest, HungOwnerOfDelayedTextFreezesNeitherNuvelaNorTheClipboard) {
    StartedNuvela& nuvela = Start({{L"DelSpace", L"1"}});
    ASSERT_TRUE(nuvelaWindow);
    const int before = updates;
    ClipboardOwnerThatHangs owner(CF_UNICODETEXT);
    ASSERT_TRUE(owner.offered());
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(PumpUntil([&] { return updates > before; }));
    // Returns once Nuvela has handled the copy's notification, queued before it.
    ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(nuvelaWindow));
    EXPECT_LT(GetTickCount64() - start, 5000u);
    {
        ClipboardSession session;
        EXPECT_TRUE(session.Open(copier_));
    }
    EXPECT_EQ(ClipboardOwner(), owner.window());
    EXPECT_TRUE(ClipboardHas(CF_UNICODETEXT));
    EXPECT_TRUE(nuvelaWrites.empty());

    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/X", exitCode));
    EXPECT_TRUE(nuvela.WaitForExit(5000));
}

// The program rules match RichCopier.exe's file name without regard to case. A copy a rule left
// alone keeps both formats, and the menu command or hotkey 2 still processes it.
TEST_F(ClipboardE2eTest, ProgramRulesLeaveOrProcessAnotherProgramsCopy) {
    const struct {
        const wchar_t* rule;
        const wchar_t* list;
        bool processed;
        UINT askedFor;  // how the user then asks for it: the menu's command or hotkey 2
    } cases[] = {
        {L"1", L"other.exe;richcopier.EXE", false, WM_APP_COMMAND},
        {L"2", L"RICHCOPIER.exe", true, 0},
        {L"2", L"other.exe", false, WM_HOTKEY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "rule " << c.rule << " list " << testing::PrintToString(std::wstring(c.list)));
        // At start the test's own copy is there; only rule 1 has Nuvela take it over.
        const bool takesTheTestsCopy = std::wstring(c.rule) == L"1";
        // Monitoring on again: the row before switched it off and saved that.
        StartedNuvela& nuvela = Start(
            {{L"DelSpace", L"1"}, {L"CBWatchEnabled", L"1"}, {L"APP_RULE", c.rule}, {L"APP_LIST", c.list}},
            takesTheTestsCopy);
        ASSERT_TRUE(nuvelaWindow);
        const auto copier = CopyFromRichCopier(L"r u l e");
        if (c.processed) {
            EXPECT_TRUE(WaitForNuvelaText(L"rule"));
            EXPECT_FALSE(ClipboardHas(L"HTML Format"));
        } else {
            ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(nuvelaWindow));
            EXPECT_EQ(ClipboardText(), L"r u l e");
            EXPECT_TRUE(ClipboardHas(L"HTML Format"));
            EXPECT_TRUE(nuvelaWrites.empty());
            if (c.askedFor == WM_HOTKEY) PostMessageW(nuvelaWindow, WM_HOTKEY, kHotkeyProcessNow, 0);
            else PostMessageW(nuvelaWindow, WM_APP_COMMAND, IDM_PROCESS_NOW, 0);
            EXPECT_TRUE(WaitForNuvelaText(L"rule"));
        }
        DWORD exitCode = 1;
        ASSERT_TRUE(RunSecond(L"/X", exitCode));
        ASSERT_TRUE(nuvela.WaitForExit());
    }
}

// "/N" at a first start is a normal start; at a second start it arms the skip in the running copy
// and ends at once: exactly the next copy is left alone, the one after is processed.
TEST_F(ClipboardE2eTest, SecondStartWithNLeavesExactlyTheNextCopyAlone) {
    Start({{L"DelSpace", L"1"}}, true, L"/N");
    ASSERT_TRUE(nuvelaWindow);
    CopyText(copier_, L"f i r s t");
    ASSERT_TRUE(WaitForNuvelaText(L"first"));
    nuvelaWrites.clear();

    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/N", exitCode));
    EXPECT_EQ(exitCode, 0u);
    CopyAndWaitNotified({UnicodeText(L"l e f t"), RegisteredFormat(L"HTML Format", "<b>l e f t</b>")});
    ASSERT_TRUE(SwitchMonitoringOffBehindQueuedMessages(nuvelaWindow));
    EXPECT_EQ(ClipboardText(), L"l e f t");
    EXPECT_TRUE(ClipboardHas(L"HTML Format"));
    EXPECT_TRUE(nuvelaWrites.empty());

    DWORD_PTR ignored = 0;  // switched on, the copy the skip left stays so; asked for, it is processed
    ASSERT_TRUE(SendMessageTimeoutW(nuvelaWindow, WM_APP_COMMAND, IDM_WATCH_ON, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
    EXPECT_TRUE(ClipboardHas(L"HTML Format"));
    ASSERT_TRUE(SendMessageTimeoutW(nuvelaWindow, WM_APP_COMMAND, IDM_PROCESS_NOW, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
    ASSERT_TRUE(WaitForNuvelaText(L"left"));
    CopyText(copier_, L"a f t e r");
    EXPECT_TRUE(WaitForNuvelaText(L"after")) << "the skip is used up";
    EXPECT_EQ(nuvelaWrites.size(), 2u);
}

}  // namespace
}  // namespace clipboard_test
