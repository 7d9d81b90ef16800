#include "clipboard_fixture.h"

#include "app_state.h"
#include "clipboard_data.h"
#include "language.h"
#include "messages.h"
#include "multidiv.h"
#include "options.h"
#include "original_copy.h"
#include "paste_plain.h"
#include "pending_notification.h"
#include "scoped_win.h"
#include "tray.h"
#include "watch.h"

namespace clipboard_test {

namespace {

constexpr wchar_t kMainClass[] = L"NuvelaClipboardTestMain";
constexpr wchar_t kCopierClass[] = L"NuvelaClipboardTestCopier";

Recorded recorded;
ClipboardHeldUntilFirstFailedOpen* activeHold = nullptr;

bool RecordSound(SoundKind kind, const std::wstring& file) {
    recorded.sounds.push_back({kind, file});
    return kind == SoundKind::Beep || !recorded.soundFileFails;
}

bool WatchedOpenStep(ClipboardSession& session, HWND window) {
    ++recorded.openAttempts;
    const bool opened = session.Open(window);
    if (!opened) {
        ++recorded.failedOpens;
        if (activeHold) activeHold->Release();
    }
    return opened;
}

void OnTimer(HWND window, UINT_PTR id) {
    switch (id) {
    case IDT_DELAY: OnDelayTimer(window); break;
    case IDT_CHAIN_REFRESH: OnChainRefreshTimer(window); break;
    case IDT_MULTIDIV: OnMultiDivTimer(window); break;
    case IDT_ICON_RESTORE: KillTimer(window, IDT_ICON_RESTORE); break;
    case IDT_RESTORE_RETRY: OnRestoreRetryTimer(window); break;
    case IDT_PASTE_RESTORE: OnPasteRestoreTimer(window); break;
    }
}

// The main window's hand-over of clipboard messages and timers, as the shell does it.
LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLIPBOARDUPDATE:
    case WM_DRAWCLIPBOARD:
        ++recorded.updates;
        OnClipboardChanged(window, message, wParam, lParam);
        return 0;
    case WM_CHANGECBCHAIN:
        OnChangeClipboardChain(window, reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_TIMER:
        OnTimer(window, wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(const wchar_t* className, WNDPROC procedure) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);  // fails harmlessly when the class exists from an earlier test
    return CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

}  // namespace

Recorded& Record() { return recorded; }

ClipboardHeldUntilFirstFailedOpen::ClipboardHeldUntilFirstFailedOpen(std::function<void()> atRelease, HWND opener)
    : holder_({}, std::move(atRelease), opener) {
    activeHold = this;
}

ClipboardHeldUntilFirstFailedOpen::~ClipboardHeldUntilFirstFailedOpen() {
    activeHold = nullptr;
    holder_.Release();
}

void ClipboardTest::SetUp() {
    recorded = Recorded();
    recorder_ = std::make_unique<test_support::Recorder>();
    ProcessingOptions = ProcessingOptionsRecord();
    ProcessingOptions.MultiDivSec = 500;
    SetLanguage(Language::English);
    SetSoundFunction(RecordSound);
    SetClipboardOpenStep(WatchedOpenStep);
    ResolveClipboardListener();
    main_ = MakeWindow(kMainClass, MainProc);
    copier_ = MakeWindow(kCopierClass, DefWindowProcW);
    ASSERT_TRUE(main_ && copier_);
    ProgramInstance = GetModuleHandleW(nullptr);  // the icons the success flash loads
    ForgetTrayRecord();
    SetClipboardWrittenFunction(FlashTrayIcon);  // as the main window installs it
    JoinClipboardWatch(main_);
    runsBefore_ = ClipboardProcessingCount();
}

void ClipboardTest::TearDown() {
    FinishPendingPaste(main_);  // a copy still waiting goes, so the next test starts without it
    SetPasteKeystrokeFunction(nullptr);
    LeaveClipboardWatch(main_);
    StopMultiDiv(main_);
    KillTimer(main_, IDT_DELAY);
    KillTimer(main_, IDT_CHAIN_REFRESH);
    KillTimer(main_, IDT_RESTORE_RETRY);
    DropKeptOriginal();
    {
        ClipboardSession session;
        if (session.Open(copier_)) EmptyClipboard();
    }
    DestroyWindow(main_);
    DestroyWindow(copier_);
    PumpFor(0);
    WatchBusy = false;
    NextViewer = nullptr;
    SetTextProcessor(nullptr);
    SetFileListProcessor(nullptr);
    SetClipboardDataStep(nullptr);
    SetClipboardSystemSteps({});
    SetClipboardOpenStep(nullptr);
    SetClipboardWrittenFunction(nullptr);
    SetSoundFunction(nullptr);
    recorder_.reset();
    PendingNotification::Clear();
    ProcessingOptions = ProcessingOptionsRecord();
}

unsigned ClipboardTest::Runs() const { return ClipboardProcessingCount() - runsBefore_; }

bool ClipboardTest::WaitForProcessingCount(unsigned count, DWORD deadlineMs) {
    return PumpUntil([&] { return Runs() >= count; }, deadlineMs) && Runs() == count;
}

bool ClipboardTest::CopyAndWaitProcessed(const std::wstring& text, DWORD deadlineMs) {
    const unsigned expected = Runs() + 1;
    CopyText(copier_, text);
    return WaitForProcessingCount(expected, deadlineMs) && PumpUntil([&] { return ClipboardOwner() == main_; }, 1000);
}

bool ClipboardTest::CopyAndWaitHandled(const std::vector<Offer>& offers, DWORD deadlineMs) {
    const int updates = recorded.updates;
    Copy(copier_, offers);
    return PumpUntil([&] { return recorded.updates > updates; }, deadlineMs);
}

}  // namespace clipboard_test
