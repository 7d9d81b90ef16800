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

HWND NextViewer = nullptr;

namespace {

using ListenerFunction = BOOL(WINAPI*)(HWND);

UniqueModule user32;
ListenerFunction addListener = nullptr;
ListenerFunction removeListener = nullptr;

TextProcessorFunction textProcessor = ProcessText;
TextProcessorFunction fileListProcessor = ProcessFileList;
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

// What became of the copy a run looked at. Each fate has one row of consequences below, applied in
// one place once the clipboard is closed again.
enum class CopyFate {
    OurOwn,            // our own write, restore or re-copied line, left as it is
    Processed,         // our result replaced it
    LeftByRule,        // a program rule or the armed skip left it alone
    PrivacyMarked,     // its owner asked monitors to leave it alone
    NothingToProcess,  // neither text nor files to convert
    OwnerHung,         // its owner did not answer: nothing was fetched
    Failed,            // a step failed; the copy, or as much as could be put back, is on the clipboard
    JudgedBefore,      // a run has looked at this very copy already: nothing is decided again
};

struct Consequences {
    bool stopReCopy = false;  // the re-copy would write over the copy
    bool dropKept = false;    // unless the copy was our own: a restore must never put an older copy over it
    bool afterWrite = false;  // the captured original is kept; balloon text, sound, re-copy and icon follow
    bool show = false;        // the balloon the run collected
};

Consequences ConsequencesOf(CopyFate fate) {
    switch (fate) {
    case CopyFate::OurOwn:
    case CopyFate::JudgedBefore: return {};
    case CopyFate::Processed: return {.stopReCopy = true, .afterWrite = true, .show = true};
    case CopyFate::LeftByRule:
    case CopyFate::PrivacyMarked:
    case CopyFate::NothingToProcess: return {.stopReCopy = true, .dropKept = true};
    case CopyFate::OwnerHung:
    case CopyFate::Failed: return {.stopReCopy = true, .dropKept = true, .show = true};
    }
    return {.stopReCopy = true, .dropKept = true, .show = true};
}

// Whether a fate is a decision about the copy itself, which a second look at the same copy (a
// paste, a notification that came late, a catch-up) keeps, so an armed skip is not spent twice and
// a rule is not asked again.
bool LeavesCopyAlone(CopyFate fate) {
    return fate == CopyFate::LeftByRule || fate == CopyFate::PrivacyMarked || fate == CopyFate::NothingToProcess;
}

// One run: what it found and what it wrote.
struct Run {
    RunKind kind = RunKind::Automatic;
    CopyFate fate = CopyFate::Failed;
    bool ownCopy = false;  // the clipboard held our own write when the run looked at it
    Branch branch = Branch::Text;
    bool isPrivate = false;
    std::wstring result;
    CapturedOriginal original;    // kept once the clipboard is closed: the old copy is wiped then
    std::exception_ptr failure;   // the engine's, passed on once the consequences are applied
};

void AppendError(const wchar_t* japanese, const wchar_t* english) {
    PendingNotification::Append(Tr(japanese, english), SeverityError);
}

void RunEngine(const wchar_t* input, std::wstring& result, TextProcessorFunction engine = textProcessor) {
    ++processingCount;
    engine(ProcessingOptions.StrConvID.c_str(), input, result);
}

bool OffersFilesToConvert(const std::vector<UINT>& offered) {
    return ProcessingOptions.FileFolderCopy != 0 && IsOffered(offered, CF_HDROP);
}

bool HasLineFeed(const std::wstring& text) { return text.find(L'\n') != std::wstring::npos; }

// What follows every successful write: balloon text, sound, the re-copy cycle and the tray icon.
// It runs once the clipboard is closed, so no other program waits for it meanwhile.
void AfterSuccessfulWrite(HWND window, Run& run) {
    NoteRunResultWritten();
    KeepCapturedOriginal(std::move(run.original));
    if (ProcessingOptions.SHOW_BALLOON) {
        if (run.branch == Branch::Text)
            PendingNotification::Append(Tr(L"クリップボード文字列の属性を除去しました。", L"Deleted attributes of clipboard text."),
                                        SeverityInfo);
        else
            PendingNotification::Append(Tr(L"ファイル名をテキスト変換しました。", L"Conveted file names to text."), SeverityInfo);
    }
    PlayWriteSound();
    // Private text is never put on the clipboard again behind the user's back.
    if (ProcessingOptions.MultiDiv && !run.isPrivate && HasLineFeed(run.result)) StartMultiDiv(window, run.result);
    writtenFunction(window);
}

// The clipboard was emptied for a result that was then not written: the copy goes back, every
// captured format in the owner's order, or only what the run read (with its markers) when
// nothing was captured. `putRead` puts that back.
template <typename PutRead>
void PutCopyBackAfterFailedWrite(const CapturedOriginal& captured, const WipedText& text, const PrivacyMarkers& markers,
                                 PutRead putRead) {
    if (PutCapturedOriginalOnClipboard(captured, text)) return;
    if (CountClipboardFormats() > 0 && !EmptyOpenClipboard()) return;  // a part was written
    if (putRead()) WritePrivacyMarkers(markers);
}

// Our own write carries value markers of our own (a restore is kept out of the clipboard history):
// there only a marker that asks monitors to leave a copy alone counts.
bool LeftAloneForMarkers(const Run& run, const PrivacyMarkers& markers) {
    if (run.kind == RunKind::UserRequest) return false;
    return run.ownCopy ? markers.monitorsExcluded : markers.isPrivate;
}

// The clipboard is open and offers Unicode text; `readStart`: when the run began to fetch data.
void ProcessTextOnClipboard(const std::vector<UINT>& offered, const PrivacyMarkers& markers, ULONGLONG readStart,
                            Run& run) {
    if (LeftAloneForMarkers(run, markers)) {
        run.fate = CopyFate::PrivacyMarked;
        return;
    }
    run.fate = CopyFate::Failed;
    HANDLE handle = GetClipboardData(CF_UNICODETEXT);
    if (!handle) {
        AppendError(L"クリップボードのデータ取得失敗。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
                    L"GetClipboardData() failed.");
        return;
    }
    const ULONGLONG renderedMs = GetTickCount64() - readStart;

    WipedText original = TakeRetiredTextMemory(GlobalSize(handle) / sizeof(wchar_t));
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
    run.original = CaptureOriginal(run.ownCopy, offered, markers.isPrivate, handle, original, renderedMs);
    if (!EmptyOpenClipboard()) {
        AppendError(L"クリップボードの内容を空にできませんでした。\n設定 - トラブルシューティングからタイミング調整をお勧めします。",
                    L"Cannot empty clipboard.");
        return;
    }

    // From here the clipboard is empty: whatever fails, the user's copy goes back on it.
    const auto putTextBack = [&] { return PutTextOnClipboard(original); };
    try {
        RunEngine(original.c_str(), run.result);
    } catch (...) {
        PutCopyBackAfterFailedWrite(run.original, original, markers, putTextBack);
        run.failure = std::current_exception();
        return;
    }
    if (!WriteBack(run.result, Branch::Text, markers)) {
        PutCopyBackAfterFailedWrite(run.original, original, markers, putTextBack);
        return;
    }
    run.original.text = std::move(original);
    run.fate = CopyFate::Processed;
    run.branch = Branch::Text;
    run.isPrivate = markers.isPrivate;
}

// The clipboard is open and offers a file list to convert, but no text.
void ProcessFilesOnClipboard(const std::vector<UINT>& offered, const PrivacyMarkers& markers, ULONGLONG readStart,
                             Run& run) {
    if (LeftAloneForMarkers(run, markers)) {
        run.fate = CopyFate::PrivacyMarked;
        return;
    }
    run.fate = CopyFate::Failed;
    HANDLE handle = GetClipboardData(CF_HDROP);
    std::vector<std::wstring> paths;
    std::vector<BYTE> dropList;
    if (!ReadDropList(handle, paths) || !CopyBlockBytes(handle, GlobalSize(handle), dropList)) return;

    run.original = CaptureOriginal(run.ownCopy, offered, markers.isPrivate, nullptr, {}, GetTickCount64() - readStart);
    try {
        RunEngine(FileListText(paths, ProcessingOptions.FileFolderCopy == 2).c_str(), run.result, fileListProcessor);
    } catch (...) {
        run.failure = std::current_exception();  // nothing was written: the files are still there
        return;
    }
    if (!WriteBack(run.result, Branch::Files, markers)) {
        // Emptied for a write that then failed: the copied files go back.
        if (!IsClipboardFormatAvailable(CF_HDROP))
            PutCopyBackAfterFailedWrite(run.original, {}, markers, [&] { return PutBytesOnClipboard(CF_HDROP, dropList); });
        return;
    }
    run.fate = CopyFate::Processed;
    run.branch = Branch::Files;
    run.isPrivate = markers.isPrivate;
}

// A copy a run has looked at already keeps what that run made of it: Wine and some programs notify
// a copy more than once, and a catch-up or a paste may look at it again. An automatic run does not
// decide again (an engine failure would be reported again, an armed skip spent twice); switching
// monitoring on keeps a decision to leave it alone. Judged by the number from before the work left
// the notification list, which costs no round trip to the system: a copy that came since is caught
// up, as the work gives way to it.
bool LookedAtBefore(HeldClipboard& held, RunKind kind) {
    if (!Sequences.anyLookedAt || held.sequenceBefore != Sequences.lastLookedAt) return false;
    if (kind != RunKind::Automatic && !Sequences.lastLeftAlone) return false;
    held.gaveWay = true;
    return true;
}

// The clipboard is open: decides what becomes of the copy, and processes it if it is to be. Every
// judgement is made here, on the clipboard held: whose copy it is, which copy, the program rule, the
// armed skip and the privacy markers. The owner and the offered formats are read once and handed
// on: under Wine each read is a round trip to its server while the clipboard is held.
void DecideOnOpenClipboard(HeldClipboard& held, Run& run) {
    const HWND window = held.window;
    const HWND owner = held.owner;
    run.ownCopy = owner == window;
    // The owner check keeps our own write (and a line of the re-copy) from being processed again;
    // it comes first so that a skipped copy is not even read.
    if (run.kind == RunKind::Automatic && run.ownCopy) {
        run.fate = CopyFate::OurOwn;
        return;
    }
    const bool rulesHold = run.kind != RunKind::UserRequest;
    if (rulesHold && LookedAtBefore(held, run.kind)) {
        run.fate = CopyFate::JudgedBefore;
        return;
    }
    if (rulesHold && !run.ownCopy && LeaveCopyAlone(window, owner)) {
        run.fate = CopyFate::LeftByRule;
        return;
    }
    if (run.kind == RunKind::Automatic) NoteCopyOwner(owner);
    const std::vector<UINT> offered = OfferedClipboardFormats();
    const bool offersText = IsOffered(offered, CF_UNICODETEXT);
    if (!offersText && !OffersFilesToConvert(offered)) {
        run.fate = CopyFate::NothingToProcess;
        return;
    }
    if (!ClipboardOwnerAnswers(window, owner)) {
        // Nothing has been fetched: the data stays as the owner offered it.
        AppendError(L"クリップボードの所有者が応答しないため、処理を中止しました。",
                    L"The program that owns the clipboard does not respond; nothing was processed.");
        run.fate = CopyFate::OwnerHung;
        return;
    }
    const ULONGLONG readStart = GetTickCount64();
    const PrivacyMarkers markers = ReadPrivacyMarkers(offered);
    if (offersText) ProcessTextOnClipboard(offered, markers, readStart, run);
    else ProcessFilesOnClipboard(offered, markers, readStart, run);
}

// Once the clipboard is closed: what follows from the copy's fate, in one place.
void ApplyConsequences(HWND window, Run& run) {
    const Consequences row = ConsequencesOf(run.fate);
    if (row.stopReCopy) StopMultiDiv(window);
    if (row.dropKept && !run.ownCopy) DropKeptOriginal();
    if (row.afterWrite) AfterSuccessfulWrite(window, run);
    if (run.failure) std::rethrow_exception(run.failure);  // the box says it, once the watch is joined
    if (row.show) PendingNotification::Show();
}

// Steps 3 to 6 of a run, on the clipboard held: the fate is decided while it is open, and what
// follows from it once it is closed again (still inside our work, so nothing nests in it).
void ProcessHeldClipboard(HeldClipboard& held, RunKind kind) {
    Run run;
    run.kind = kind;
    PendingNotification::Clear();
    DecideOnOpenClipboard(held, run);
    held.Release();
    if (run.fate != CopyFate::JudgedBefore) {
        Sequences.lastLookedAt = held.sequenceAtRelease;
        Sequences.anyLookedAt = true;
        Sequences.lastLeftAlone = LeavesCopyAlone(run.fate);
    }
    ApplyConsequences(held.window, run);
}

// A change that another program made while we were out of the notification list sent us nothing:
// the sequence number shows it, and it gets the processing its notification would have started.
// `sequence`: the clipboard's sequence number after our own work, or before it when we wrote nothing.
void CatchUpMissedChange(HWND window, DWORD sequence) {
    if (GetClipboardSequenceNumber() == sequence || !ProcessingOptions.CBWatchEnabled) return;
    NoteForegroundAtChange();  // the program in front now made the change, not the one before it
    const UINT delay = ProcessingOptions.Delay1Sec > 0 ? static_cast<UINT>(ProcessingOptions.Delay1Sec) : USER_TIMER_MINIMUM;
    SetTimer(window, IDT_DELAY, delay, nullptr);
}

enum class RestoreAttempt {
    NotOpened,
    Written,
    Superseded,  // another program copied meanwhile: nothing restored, and nothing is kept now
    PutBack,     // failed half way; our result is back on the clipboard and the kept copy stays
    Failed,
};

RestoreAttempt AttemptOf(RestoreWrite write) {
    switch (write) {
    case RestoreWrite::Written: return RestoreAttempt::Written;
    case RestoreWrite::PutBack: return RestoreAttempt::PutBack;
    case RestoreWrite::Failed: return RestoreAttempt::Failed;
    }
    return RestoreAttempt::Failed;
}

// A program that copies while the opening is tried (the usual reason it fails at first) is why the
// clipboard is looked at again once it is open.
RestoreAttempt RestoreOnce(HWND window) {
    StopMultiDiv(window);  // the re-copy would put its lines over the restored copy
    RestoreAttempt attempt = RestoreAttempt::NotOpened;
    WithClipboardHeld(window, [&](HeldClipboard& held) {
        if (held.owner != window || held.Sequence() != Sequences.restoreAskedFor) {
            held.gaveWay = true;
            attempt = RestoreAttempt::Superseded;
            // Another program's copy: the kept one is older than it and goes now. A newer result of
            // ours keeps the original it kept for itself.
            if (held.owner != window) DropKeptOriginal();
            return;
        }
        attempt = AttemptOf(PutKeptOriginalOnClipboard());
        if (attempt == RestoreAttempt::Written) KeepOutOfClipboardHistory();
    });
    return attempt;
}

const wchar_t* const kRestoreFailedJapanese = L"元のコピーに戻せませんでした。少し待ってからやり直して下さい。";
const wchar_t* const kRestoreFailedEnglish = L"Cannot restore the original copy. Wait a moment and try again.";

void FinishRestore(HWND window, RestoreAttempt attempt) {
    switch (attempt) {
    case RestoreAttempt::Written: writtenFunction(window); break;
    case RestoreAttempt::Superseded: break;
    case RestoreAttempt::PutBack:
        PendingNotification::Clear();
        PendingNotification::AppendAndShow(
            Tr(L"元のコピーに戻せませんでした。クリップボードは戻す前の内容のままで、元のコピーは保持しています。"
               L"少し待ってからやり直して下さい。",
               L"Cannot restore the original copy. The clipboard holds what it held before, and the original copy is "
               L"still kept. Wait a moment and try again."),
            SeverityError);
        break;
    case RestoreAttempt::NotOpened:
    case RestoreAttempt::Failed:
        PendingNotification::Clear();
        PendingNotification::AppendAndShow(Tr(kRestoreFailedJapanese, kRestoreFailedEnglish), SeverityError);
        break;
    }
    shownFunction();
}

}  // namespace

void RestoreOriginalCopy(HWND window) {
    if (WatchBusy || !HasKeptOriginal(window)) return;
    KillTimer(window, IDT_RESTORE_RETRY);
    // The retry restores this copy's original or nothing, never that of a copy that came meanwhile.
    Sequences.restoreAskedFor = GetClipboardSequenceNumber();
    const RestoreAttempt attempt = RestoreOnce(window);
    if (attempt == RestoreAttempt::NotOpened) SetTimer(window, IDT_RESTORE_RETRY, kRetryDelayMs, nullptr);
    else FinishRestore(window, attempt);
}

void OnRestoreRetryTimer(HWND window) {
    KillTimer(window, IDT_RESTORE_RETRY);
    // Another copy came meanwhile, processed or not: the restore was asked for the one before it.
    if (WatchBusy || !HasKeptOriginal(window) || GetClipboardSequenceNumber() != Sequences.restoreAskedFor) return;
    FinishRestore(window, RestoreOnce(window));
}

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
        const HWND owner = GetClipboardOwner();
        if (owner != window) RetireKeptOriginal();
        shownFunction();
        if (ProcessingOptions.CBWatchEnabled) {
            if (ProcessingOptions.Delay1Sec > 0) {  // a negative value from a damaged store is no delay
                NoteForegroundAtChange();
                SetTimer(window, IDT_DELAY, static_cast<UINT>(ProcessingOptions.Delay1Sec), nullptr);
            } else {
                NoteForegroundIfNeeded(owner);
                // Only a clipboard we could not open is tried again: a failure the run reported
                // would be reported twice.
                if (RunClipboard(window, RunKind::Automatic) == RunOutcome::NotOpened)
                    SetTimer(window, IDT_DELAY, kRetryDelayMs, nullptr);
            }
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
    // Set while monitoring was on; switched off since, the copy is left alone.
    if (ProcessingOptions.CBWatchEnabled) ProcessClipboard(window, false);
}

void OnChainRefreshTimer(HWND window) {
    // Leaving and joining again puts the window back at the head of a chain others may have broken.
    LeaveClipboardWatch(window);
    JoinClipboardWatch(window);
}

RunOutcome RunClipboard(HWND window, RunKind kind) {
    if (WatchBusy) return RunOutcome::Done;
    ClipboardWork work = ClipboardWork::NotOpened;
    std::exception_ptr failure;
    try {
        work = WithClipboardHeld(window, [&](HeldClipboard& held) { ProcessHeldClipboard(held, kind); });
    } catch (...) {
        failure = std::current_exception();  // the clipboard is closed and watched again by now
    }
    NoteCopyProgram();
    if (work == ClipboardWork::Done || failure) shownFunction();
    WipeRetiredOriginal();
    if (failure) {
        // The box runs a message loop, so it comes only once the clipboard is closed and watched again.
        CallGuarded(window, [&] { std::rethrow_exception(failure); });
        return RunOutcome::Failed;
    }
    return work == ClipboardWork::NotOpened ? RunOutcome::NotOpened : RunOutcome::Done;
}

bool ProcessClipboard(HWND window, bool force) {
    return RunClipboard(window, force ? RunKind::UserRequest : RunKind::Automatic) == RunOutcome::Done;
}

bool ClipboardAwaitsRun() {
    if (!ProcessingOptions.CBWatchEnabled) return false;
    return !Sequences.anyLookedAt || GetClipboardSequenceNumber() != Sequences.lastLookedAt;
}

TextProcessorFunction SetTextProcessor(TextProcessorFunction processor) {
    return std::exchange(textProcessor, processor ? processor : ProcessText);
}

TextProcessorFunction SetFileListProcessor(TextProcessorFunction processor) {
    return std::exchange(fileListProcessor, processor ? processor : ProcessFileList);
}

ClipboardOpenStep SetClipboardOpenStep(ClipboardOpenStep step) {
    return std::exchange(openStep, step ? step : OpenOnce);
}

bool OpenClipboardForWork(ClipboardSession& session, HWND window) {
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
        if (openStep(session, window)) return true;
        if (attempt < kOpenAttempts) Sleep(kOpenPauseMs);
    }
    return false;
}

unsigned ClipboardProcessingCount() { return processingCount; }

ClipboardWrittenFunction SetClipboardWrittenFunction(ClipboardWrittenFunction function) {
    return std::exchange(writtenFunction, function ? function : NothingWritten);
}

ClipboardShownFunction SetClipboardShownFunction(ClipboardShownFunction function) {
    return std::exchange(shownFunction, function ? function : NothingShown);
}

void RunClipboardEngine(const std::wstring& input, std::wstring& result, bool fileList) {
    if (fileList) RunEngine(input.c_str(), result, fileListProcessor);
    else RunEngine(input.c_str(), result);
}

bool HoldsRunResult(const HeldClipboard& held) {
    return held.owner == held.window && held.Sequence() == Sequences.runResult;
}

void NoteRunResultWritten() { Sequences.runResult = GetClipboardSequenceNumber(); }

void CatchUpChangeMissedSince(HWND window, DWORD sequenceAfterOurWork) {
    CatchUpMissedChange(window, sequenceAfterOurWork);
}

void KeepOutOfClipboardHistory() {
    static const UINT historyMarkers[] = {RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"),
                                          RegisterClipboardFormatW(L"CanUploadToCloudClipboard")};
    const DWORD no = 0;
    const std::vector<BYTE> value(reinterpret_cast<const BYTE*>(&no), reinterpret_cast<const BYTE*>(&no) + sizeof no);
    for (const UINT format : historyMarkers)
        if (format && !IsClipboardFormatAvailable(format)) (void)PutBytesOnClipboard(format, value);
}

// Data offered for rendering on request is made by its owner inside our GetClipboardData, while we
// hold the clipboard: an owner that has stopped answering would keep us, and every program waiting
// for the clipboard, there as long as it hangs. Whether a format is rendered on request cannot be
// seen, so another thread's owner is asked first whether it answers at all. A window of our own
// thread is called directly and always answers; the system finds whose thread it is anyway, so
// we do not ask for it first.
bool ClipboardOwnerAnswers(HWND window, HWND owner) {
    if (!owner || owner == window) return true;
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kOwnerAnswerMs, &ignored) != 0;
}
