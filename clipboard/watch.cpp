#include "watch.h"

#include <cstring>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "copy_rules.h"
#include "exception_guard.h"
#include "language.h"
#include "message_box.h"
#include "messages.h"
#include "multidiv.h"
#include "options.h"
#include "original_copy.h"
#include "pending_notification.h"
#include "pipeline.h"
#include "scoped_win.h"
#include "sound.h"
#include "windows_system.h"

bool WatchBusy = false;
HWND NextViewer = nullptr;

namespace {

using ListenerFunction = BOOL(WINAPI*)(HWND);

UniqueModule user32;
ListenerFunction addListener = nullptr;
ListenerFunction removeListener = nullptr;

TextProcessorFunction textProcessor = ProcessText;
bool OpenOnce(ClipboardSession& session, HWND window) { return session.Open(window); }
ClipboardOpenStep openStep = OpenOnce;
unsigned processingCount = 0;

void NothingWritten(HWND) {}
ClipboardWrittenFunction writtenFunction = NothingWritten;

void NothingShown() {}
ClipboardShownFunction shownFunction = NothingShown;

// Other programs open the clipboard for a moment, many of them right after each change: a run
// tries this often, this far apart (about 100 ms), before it fails. The notification path then
// retries once more after 500 ms.
constexpr int kOpenAttempts = 6;
constexpr DWORD kOpenPauseMs = 20;

// How long the owner of the clipboard's data may take to answer before a run gives up; the
// clipboard stays open meanwhile, so this bounds what a hung program costs everyone else.
constexpr UINT kOwnerAnswerMs = 1000;

// A result that is on the clipboard; what follows it waits until the clipboard is closed again.
struct Written {
    bool done = false;
    Branch branch = Branch::Text;
    bool isPrivate = false;
    std::wstring result;
    CapturedOriginal original;  // kept once the clipboard is closed: the old copy is wiped then
};

void AppendError(const wchar_t* japanese, const wchar_t* english) {
    PendingNotification::Append(Tr(japanese, english), SeverityError);
}

bool OpenForProcessing(ClipboardSession& session, HWND window) {
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
        if (openStep(session, window)) return true;
        if (attempt < kOpenAttempts) Sleep(kOpenPauseMs);
    }
    return false;
}

void RunEngine(const std::wstring& input, std::wstring& result) {
    ++processingCount;
    textProcessor(ProcessingOptions.StrConvID.c_str(), input.c_str(), result);
}

bool OffersFilesToConvert() {
    return ProcessingOptions.FileFolderCopy != 0 && IsClipboardFormatAvailable(CF_HDROP);
}

// Data offered for rendering on request is made by its owner inside our GetClipboardData, while we
// hold the clipboard: an owner that has stopped answering would keep us, and every program waiting
// for the clipboard, there as long as it hangs. Whether a format is rendered on request cannot be
// seen, so another thread's owner is asked first whether it answers at all.
bool OwnerAnswers(HWND window) {
    const HWND owner = GetClipboardOwner();
    if (!owner || owner == window || GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId()) return true;
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kOwnerAnswerMs, &ignored) != 0;
}

// A copy of another program's that a run leaves alone: what was kept belongs to an older copy.
void DropOriginalOfCopyLeftAlone(HWND window) {
    if (GetClipboardOwner() != window) DropKeptOriginal();
}

bool HasLineFeed(const std::wstring& text) { return text.find(L'\n') != std::wstring::npos; }

// What follows every successful write: balloon text, sound, the re-copy cycle and the tray icon.
// It runs once the clipboard is closed, so no other program waits for it meanwhile.
void AfterSuccessfulWrite(HWND window, Written& written) {
    NoteRunResultWritten();
    KeepCapturedOriginal(std::move(written.original));
    if (ProcessingOptions.SHOW_BALLOON) {
        if (written.branch == Branch::Text)
            PendingNotification::Append(Tr(L"クリップボード文字列の属性を除去しました。", L"Deleted attributes of clipboard text."),
                                        SeverityInfo);
        else
            PendingNotification::Append(Tr(L"ファイル名をテキスト変換しました。", L"Conveted file names to text."), SeverityInfo);
    }
    PlayWriteSound();
    // Private text is never put on the clipboard again behind the user's back.
    if (ProcessingOptions.MultiDiv && !written.isPrivate && HasLineFeed(written.result))
        StartMultiDiv(window, written.result);
    writtenFunction(window);
}

// The clipboard is open and offers Unicode text.
void ProcessTextOnClipboard(HWND window, bool force, const PrivacyMarkers& markers, Written& written) {
    PendingNotification::Clear();
    // The owner check keeps our own write (and a line of the re-copy) from being processed again;
    // it comes first so that a skipped text is not even fetched.
    if (!force && GetClipboardOwner() == window) return;
    if (!force && markers.isPrivate) {
        StopMultiDiv(window);  // the cycle would otherwise copy over the private text
        DropOriginalOfCopyLeftAlone(window);
        return;
    }
    HANDLE handle = GetClipboardData(CF_UNICODETEXT);
    if (!handle) {
        AppendError(L"クリップボードのデータ取得失敗。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
                    L"GetClipboardData() failed.");
        return;
    }
    StopMultiDiv(window);

    std::wstring original = TakeRetiredTextMemory();
    switch (CopyTextBlock(handle, original)) {
    case TextCopyResult::LockFailed:
        AppendError(L"クリップボードのメモリのロックに失敗。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
                    L"GlobalLock() failed.");
        return;
    case TextCopyResult::CopyFailed:
        AppendError(L"既存メモリのコピー用メモリ領域取得に失敗。", L"_tcsdup() failed.");
        return;
    case TextCopyResult::Copied:
        break;
    }
    // Read while the copy is still whole; it becomes the kept original once our result is written.
    CapturedOriginal captured = CaptureOriginal(window, markers.isPrivate, handle, original);
    if (!EmptyOpenClipboard()) {
        AppendError(L"クリップボードの内容を空にできませんでした。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
                    L"Cannot empty clipboard.");
        return;
    }

    // From here the clipboard is empty: whatever fails, the user's text goes back on it.
    std::wstring result;
    try {
        RunEngine(original, result);
    } catch (...) {
        DiscardCapturedOriginal(captured);
        if (PutTextOnClipboard(original)) WritePrivacyMarkers(markers);
        throw;
    }
    if (!WriteBack(result, Branch::Text, markers)) {
        DiscardCapturedOriginal(captured);
        if (PutTextOnClipboard(original)) WritePrivacyMarkers(markers);
        return;
    }
    captured.text = std::move(original);
    written = {true, Branch::Text, markers.isPrivate, std::move(result), std::move(captured)};
}

// The clipboard is open and offers a file list to convert, but no text. Returns false when there
// was nothing to do.
bool ProcessFilesOnClipboard(HWND window, bool force, const PrivacyMarkers& markers, Written& written) {
    if (!force && markers.isPrivate) {
        DropOriginalOfCopyLeftAlone(window);
        return false;
    }
    HANDLE handle = GetClipboardData(CF_HDROP);
    std::vector<std::wstring> paths;
    std::vector<BYTE> dropList;
    if (!ReadDropList(handle, paths) || !CopyBlockBytes(handle, GlobalSize(handle), dropList)) return false;

    PendingNotification::Clear();
    CapturedOriginal captured = CaptureOriginal(window, markers.isPrivate);
    std::wstring result;
    RunEngine(FileListText(paths, ProcessingOptions.FileFolderCopy == 2), result);
    if (WriteBack(result, Branch::Files, markers)) {
        written = {true, Branch::Files, markers.isPrivate, std::move(result), std::move(captured)};
    } else {
        DiscardCapturedOriginal(captured);
        if (!IsClipboardFormatAvailable(CF_HDROP) && PutBytesOnClipboard(CF_HDROP, dropList)) {
            // The clipboard was emptied for a write that then failed: the copied files go back.
            WritePrivacyMarkers(markers);
        }
    }
    return true;
}

// Steps 3 to 6 of a run: the clipboard is open only inside. False when it could not be opened.
// `sequence`: the clipboard's sequence number once we have let go of it.
bool ProcessOpenedClipboard(HWND window, bool force, DWORD& sequence) {
    ClipboardSession session;
    sequence = GetClipboardSequenceNumber();
    if (!force && LeaveCopyAlone(window)) {
        StopMultiDiv(window);  // the re-copy would otherwise write over the copy left alone
        DropKeptOriginal();    // a restore must never put an older copy over this one
        return true;
    }
    if (!OpenForProcessing(session, window)) return false;
    Written written;
    bool show = true;
    const bool offersText = IsClipboardFormatAvailable(CF_UNICODETEXT);
    if (!offersText) StopMultiDiv(window);  // any change without text also ends the cycle
    if (!offersText && !OffersFilesToConvert()) {
        show = false;
        DropOriginalOfCopyLeftAlone(window);
    } else if (!OwnerAnswers(window)) {
        DropOriginalOfCopyLeftAlone(window);
        // Nothing has been fetched: the data stays as the owner offered it.
        PendingNotification::Clear();
        AppendError(L"クリップボードの所有者が応答しないため、処理を中止しました。",
                    L"The program that owns the clipboard does not respond; nothing was processed.");
    } else {
        const PrivacyMarkers markers = ReadPrivacyMarkers();
        if (offersText)
            ProcessTextOnClipboard(window, force, markers, written);
        else
            show = ProcessFilesOnClipboard(window, force, markers, written);
    }
    session.Close();
    sequence = GetClipboardSequenceNumber();
    if (written.done) AfterSuccessfulWrite(window, written);
    if (show) PendingNotification::Show();
    return true;
}

// A change that another program made while we were out of the notification list sent us nothing:
// the sequence number shows it, and it gets the processing its notification would have started.
void CatchUpMissedChange(HWND window, DWORD sequenceAfterOurWork) {
    if (GetClipboardSequenceNumber() == sequenceAfterOurWork || !ProcessingOptions.CBWatchEnabled) return;
    const UINT delay = ProcessingOptions.Delay1Sec > 0 ? static_cast<UINT>(ProcessingOptions.Delay1Sec) : USER_TIMER_MINIMUM;
    SetTimer(window, IDT_DELAY, delay, nullptr);
}

enum class RestoreAttempt { NotOpened, Written, Failed };

// Opened like a run opens the clipboard, and out of the notification list meanwhile, so our own
// restore is never processed.
RestoreAttempt RestoreOnce(HWND window) {
    StopMultiDiv(window);  // the re-copy would put its lines over the restored copy
    LeaveClipboardWatch(window);
    RestoreAttempt attempt = RestoreAttempt::NotOpened;
    DWORD sequence = 0;
    {
        ClipboardSession session;
        if (OpenForProcessing(session, window))
            attempt = PutKeptOriginalOnClipboard() ? RestoreAttempt::Written : RestoreAttempt::Failed;
        session.Close();
        sequence = GetClipboardSequenceNumber();
    }
    JoinClipboardWatch(window);
    CatchUpMissedChange(window, sequence);
    return attempt;
}

void FinishRestore(HWND window, RestoreAttempt attempt) {
    if (attempt == RestoreAttempt::Written) {
        writtenFunction(window);
    } else {
        PendingNotification::Clear();
        PendingNotification::AppendAndShow(Tr(L"元のコピーに戻せませんでした。少し待ってからやり直して下さい。",
                                              L"Cannot restore the original copy. Wait a moment and try again."),
                                           SeverityError);
    }
    shownFunction();
}

}  // namespace

void RestoreOriginalCopy(HWND window) {
    if (WatchBusy || !HasKeptOriginal(window)) return;
    KillTimer(window, IDT_RESTORE_RETRY);
    const RestoreAttempt attempt = RestoreOnce(window);
    if (attempt == RestoreAttempt::NotOpened) SetTimer(window, IDT_RESTORE_RETRY, kRetryDelayMs, nullptr);
    else FinishRestore(window, attempt);
}

void OnRestoreRetryTimer(HWND window) {
    KillTimer(window, IDT_RESTORE_RETRY);
    if (WatchBusy || !HasKeptOriginal(window)) return;  // another program's copy came meanwhile
    FinishRestore(window, RestoreOnce(window));
}

WatchBusyScope::WatchBusyScope() : previous_(std::exchange(WatchBusy, true)) {}
WatchBusyScope::~WatchBusyScope() { WatchBusy = previous_; }

bool WriteBack(const std::wstring& text, Branch branch, const PrivacyMarkers& markers) {
    UniqueGlobal block;
    switch (MakeTextBlock(text, block)) {
    case BlockResult::AllocFailed:
        AppendError(L"メモリ確保に失敗。", L"GlobalAlloc() failed.");
        return false;
    case BlockResult::LockFailed:
        AppendError(L"メモリのロックに失敗。", L"GlobalLock() failed.");
        return false;
    case BlockResult::Made:
        break;
    }
    if (branch == Branch::Files && !EmptyOpenClipboard()) {
        AppendError(L"クリップボードの内容を空にできませんでした。", L"Cannot empty clipboard.");
        return false;
    }
    if (!PutClipboardData(CF_UNICODETEXT, block.get())) {
        if (branch == Branch::Text)
            AppendError(L"クリップボードへの書き込みができませんでした。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
                        L"SetClipboardData() failed.");
        else
            AppendError(L"クリップボードへ書き込めませんでした。", L"Cannot write to clipboard.");
        return false;
    }
    block.release();  // the system owns it now
    // The markers the copied data carried go back with it, so the rewrite is as private as it was.
    WritePrivacyMarkers(markers);
    return true;
}

void ResolveClipboardListener() {
    ReleaseClipboardListener();
    UniqueModule library(LoadSystemLibrary(L"user32.dll"));
    if (!library) return;
    auto add = reinterpret_cast<ListenerFunction>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), "AddClipboardFormatListener")));
    auto remove = reinterpret_cast<ListenerFunction>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), "RemoveClipboardFormatListener")));
    if (!add || !remove) return;  // one without the other would leave us unable to leave
    addListener = add;
    removeListener = remove;
    user32 = std::move(library);
}

void ReleaseClipboardListener() {
    addListener = nullptr;
    removeListener = nullptr;
    user32.reset();
}

bool UsingFormatListener() { return addListener && removeListener; }

void JoinClipboardWatch(HWND window) {
    WatchBusyScope busy;
    if (UsingFormatListener()) {
        addListener(window);
        return;
    }
    HWND next = SetClipboardViewer(window);
    NextViewer = next == window ? nullptr : next;
}

bool LeaveClipboardWatch(HWND window) {
    WatchBusyScope busy;
    if (UsingFormatListener()) return removeListener(window) != FALSE;
    return ChangeClipboardChain(window, NextViewer) != FALSE;
}

void OnClipboardChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!WatchBusy) {
        // The kept original belongs to the copy it came from: a change by another program ends it.
        if (GetClipboardOwner() != window) RetireKeptOriginal();
        shownFunction();
        if (ProcessingOptions.CBWatchEnabled) {
            NoteForegroundAtChange();
            if (ProcessingOptions.Delay1Sec > 0)  // a negative value from a damaged store is no delay
                SetTimer(window, IDT_DELAY, static_cast<UINT>(ProcessingOptions.Delay1Sec), nullptr);
            else if (!ProcessClipboard(window, false))
                SetTimer(window, IDT_DELAY, kRetryDelayMs, nullptr);
        }
        WipeRetiredOriginal();
    }
    if (UsingFormatListener()) return;
    if (NextViewer && NextViewer != window) SendMessageW(NextViewer, message, wParam, lParam);
    SetTimer(window, IDT_CHAIN_REFRESH, kChainRefreshMs, nullptr);
}

void OnChangeClipboardChain(HWND window, HWND removed, HWND next) {
    if (removed == NextViewer)
        NextViewer = next;
    else if (NextViewer && NextViewer != window)
        SendMessageW(NextViewer, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(removed), reinterpret_cast<LPARAM>(next));
}

void OnDelayTimer(HWND window) {
    KillTimer(window, IDT_DELAY);
    ProcessClipboard(window, false);
}

void OnChainRefreshTimer(HWND window) {
    // Leaving and joining again puts the window back at the head of a chain others may have broken.
    LeaveClipboardWatch(window);
    JoinClipboardWatch(window);
}

bool ProcessClipboard(HWND window, bool force) {
    if (WatchBusy) return true;
    bool opened = false;
    DWORD sequence = 0;
    std::exception_ptr failure;
    // Leave the notification list first so our own write does not come back as a notification.
    LeaveClipboardWatch(window);
    try {
        opened = ProcessOpenedClipboard(window, force, sequence);
    } catch (...) {
        failure = std::current_exception();
        sequence = GetClipboardSequenceNumber();  // after our restore, which unwinding has closed
    }
    WatchBusy = false;
    JoinClipboardWatch(window);
    CatchUpMissedChange(window, sequence);
    if (opened) shownFunction();
    WipeRetiredOriginal();
    if (!failure) return opened;
    // The box runs a message loop, so it comes only once the clipboard is closed and watched again.
    CallGuarded(window, [&] { std::rethrow_exception(failure); });
    return false;
}

TextProcessorFunction SetTextProcessor(TextProcessorFunction processor) {
    return std::exchange(textProcessor, processor ? processor : ProcessText);
}

ClipboardOpenStep SetClipboardOpenStep(ClipboardOpenStep step) {
    return std::exchange(openStep, step ? step : OpenOnce);
}

unsigned ClipboardProcessingCount() { return processingCount; }

ClipboardWrittenFunction SetClipboardWrittenFunction(ClipboardWrittenFunction function) {
    return std::exchange(writtenFunction, function ? function : NothingWritten);
}

ClipboardShownFunction SetClipboardShownFunction(ClipboardShownFunction function) {
    return std::exchange(shownFunction, function ? function : NothingShown);
}

namespace {
DWORD runResultSequence = 0;  // the clipboard's sequence number right after a run's result was written
}  // namespace

void RunClipboardEngine(const std::wstring& input, std::wstring& result) { RunEngine(input, result); }

bool ClipboardHoldsRunResult(HWND window) {
    return window && GetClipboardOwner() == window && GetClipboardSequenceNumber() == runResultSequence;
}

void NoteRunResultWritten() { runResultSequence = GetClipboardSequenceNumber(); }

void CatchUpChangeMissedSince(HWND window, DWORD sequenceAfterOurWork) {
    CatchUpMissedChange(window, sequenceAfterOurWork);
}
