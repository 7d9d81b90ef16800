#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "clipboard_access.h"
#include "running_nuvela.h"

namespace clipboard_test {
namespace {

constexpr UINT kAppCommand = WM_APP + 4;
constexpr WPARAM kProcessNow = 32782;

// The test program is the other application: its own window copies, and it listens to the
// clipboard to count the writes of Nuvela's window.
class ClipboardE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        copier_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(copier_);
        SetWindowLongPtrW(copier_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProcedure));
        Copy(copier_, {UnicodeText(L"before start")});
    }
    void TearDown() override {
        RemoveClipboardFormatListener(copier_);
        {
            ClipboardSession session;
            if (session.Open(copier_)) EmptyClipboard();
        }
        DestroyWindow(copier_);
    }

    // Starts Nuvela with `settings`; once it has taken the clipboard it is ready for copies.
    void Start(const std::wstring& settings, bool takesTheClipboard = true) {
        nuvela_ = std::make_unique<RunningNuvela>(settings);
        ASSERT_TRUE(nuvela_->window()) << "Nuvela did not start";
        if (takesTheClipboard) {
            ASSERT_TRUE(PumpUntil([&] { return ClipboardOwner() == nuvela_->window(); }, 10000));
        }
        nuvelaWindow = nuvela_->window();
        nuvelaWrites.clear();
        AddClipboardFormatListener(copier_);
    }

    bool WaitForNuvelaText(const std::wstring& text, DWORD deadlineMs = 10000) {
        return PumpUntil([&] { return ClipboardOwner() == nuvela_->window() && ClipboardText() == text; }, deadlineMs);
    }

    static LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        // A write counts once however many notifications show it, and only once it is complete.
        if (message == WM_CLIPBOARDUPDATE && !GetOpenClipboardWindow() && GetClipboardOwner() == nuvelaWindow)
            nuvelaWrites.insert(GetClipboardSequenceNumber());
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static inline HWND nuvelaWindow = nullptr;
    static inline std::set<DWORD> nuvelaWrites;  // clipboard sequence numbers of Nuvela's writes
    HWND copier_ = nullptr;
    std::unique_ptr<RunningNuvela> nuvela_;
};

TEST_F(ClipboardE2eTest, RichTextComesBackAsPlainTextProcessedByTheIniOptions) {
    Start(L"DelSpace=1\r\n");
    Copy(copier_, {UnicodeText(L"r i c h"), RegisteredFormat(L"Rich Text Format", "{\\rtf1 r i c h}"),
                   RegisteredFormat(L"HTML Format", "<b>r i c h</b>")});
    ASSERT_TRUE(WaitForNuvelaText(L"rich"));
    EXPECT_FALSE(ClipboardHas(L"Rich Text Format"));
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));

    CopyText(copier_, L"p l a i n");
    EXPECT_TRUE(WaitForNuvelaText(L"plain"));
}

// A password manager's copy stays as it was; the next ordinary copy is processed as usual.
TEST_F(ClipboardE2eTest, PrivateCopyIsLeftAlone) {
    Start(L"DelSpace=1\r\n");
    Copy(copier_, {UnicodeText(L"p a s s"), RegisteredFormat(L"HTML Format", "<b>p a s s</b>"),
                   RegisteredFormat(L"ExcludeClipboardContentFromMonitorProcessing", "1")});
    PumpFor(1000);  // many times what a processing takes
    EXPECT_EQ(ClipboardText(), L"p a s s");
    EXPECT_TRUE(ClipboardHas(L"HTML Format"));
    EXPECT_TRUE(nuvelaWrites.empty());

    CopyText(copier_, L"o p e n");
    EXPECT_TRUE(WaitForNuvelaText(L"open"));
}

TEST_F(ClipboardE2eTest, FileListBecomesNamesOrFullPaths) {
    struct Case {
        int fileFolderCopy;
        const wchar_t* expected;
    };
    for (const Case& c : {Case{1, L"a.txt\r\nb.txt\r\n"}, Case{2, L"C:\\w\\a.txt\r\nC:\\w\\b.txt\r\n"}}) {
        Start(L"FileFolderCopy=" + std::to_wstring(c.fileFolderCopy) + L"\r\n");
        Copy(copier_, {DropList({L"C:\\w\\a.txt", L"C:\\w\\b.txt"})});
        EXPECT_TRUE(WaitForNuvelaText(c.expected)) << c.fileFolderCopy;
        EXPECT_FALSE(ClipboardHas(CF_HDROP));
        nuvela_.reset();
    }
}

// Leaving alone shows only as nothing happening: Nuvela gets a second, many times what a
// processing takes (the in-process tests check the same without waiting).
TEST_F(ClipboardE2eTest, FileListIsLeftAloneWithFileFolderCopyZero) {
    Start(L"FileFolderCopy=0\r\n");
    Copy(copier_, {DropList({L"C:\\w\\a.txt"})});
    PumpFor(1000);
    EXPECT_TRUE(ClipboardHas(CF_HDROP));
    EXPECT_FALSE(ClipboardHas(CF_UNICODETEXT));
    EXPECT_TRUE(nuvelaWrites.empty());
}

TEST_F(ClipboardE2eTest, DelayedProcessingRunsOnceForThreeQuickCopies) {
    Start(L"Delay1Sec=500\r\nDelSpace=1\r\n");
    for (const wchar_t* text : {L"1 1", L"2 2", L"3 3"}) {
        CopyText(copier_, text);
        PumpFor(100);
    }
    ASSERT_TRUE(WaitForNuvelaText(L"33"));
    PumpFor(1000);  // a second processing would come within the delay
    EXPECT_EQ(nuvelaWrites.size(), 1u);
}

TEST_F(ClipboardE2eTest, MultiDivReCopiesTheLinesUntilNewTextIsCopied) {
    Start(L"MultiDiv=1\r\nMultiDivSec=500\r\n");
    CopyText(copier_, L"a\r\nb\r\nc");
    ASSERT_TRUE(WaitForNuvelaText(L"a\r\nb\r\nc"));
    std::vector<std::wstring> seen;
    std::wstring last = ClipboardText();
    PumpUntil(
        [&] {
            const std::wstring now = ClipboardText();
            if (now != last && now != L"<cannot open>") seen.push_back(last = now);
            return seen.size() >= 4;
        },
        10000);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"a", L"b", L"c", L"a"}));

    CopyText(copier_, L"new");
    ASSERT_TRUE(WaitForNuvelaText(L"new"));
    const DWORD sequence = GetClipboardSequenceNumber();
    PumpFor(1500);  // three intervals of the stopped cycle
    EXPECT_EQ(ClipboardText(), L"new");
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
}

TEST_F(ClipboardE2eTest, MonitoringOffLeavesCopiesAloneButTheCommandProcesses) {
    Start(L"CBWatchEnabled=0\r\nDelSpace=1\r\n", false);
    Copy(copier_, {UnicodeText(L"o f f"), RegisteredFormat(L"HTML Format", "<i>o f f</i>")});
    PumpFor(1000);
    EXPECT_EQ(ClipboardText(), L"o f f");
    EXPECT_TRUE(ClipboardHas(L"HTML Format"));

    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(nuvela_->window(), kAppCommand, kProcessNow, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
    EXPECT_TRUE(WaitForNuvelaText(L"off"));
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
}

// Another program that opens the clipboard right after the copy and holds it for 200 ms: the
// copy is still processed, by the retry, and nothing is lost.
TEST_F(ClipboardE2eTest, ClipboardHeldByAnotherProgramIsStillProcessed) {
    Start(L"DelSpace=1\r\n");
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    UniqueHandle openedEvent(opened);
    CopyText(copier_, L"h e l d");
    std::thread holder([opened] {
        const bool held = OpenClipboard(nullptr);
        SetEvent(opened);
        if (held) {
            Sleep(200);
            CloseClipboard();
        }
    });
    WaitForSingleObject(opened, 5000);
    const bool processed = WaitForNuvelaText(L"held");
    holder.join();
    EXPECT_TRUE(processed);
    PumpFor(1000);  // the notifications of the write, and of any second one
    EXPECT_EQ(nuvelaWrites.size(), 1u);
}

}  // namespace
}  // namespace clipboard_test
