#include "paste_plain.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "clipboard_data.h"
#include "language.h"
#include "messages.h"
#include "multidiv.h"
#include "options.h"
#include "original_copy.h"
#include "pending_notification.h"
#include "scoped_win.h"
#include "sound.h"
#include "watch.h"
#include "windows_system.h"

namespace {

// The copy taken before our result replaced it, waiting for IDT_PASTE_RESTORE.
struct PendingPaste {
    bool waiting = false;
    std::vector<KeptFormat> formats;  // wiped as they go
    PrivacyMarkers markers;           // those without data are no format of their own: written after
    DWORD resultSequence = 0;         // the clipboard's sequence number once our result was on it
    int openFailures = 0;
};

PendingPaste pending;
DWORD pasteResultSequence = 0;  // of the last result a paste put on the clipboard

// Other programs hold the clipboard for a moment, the target of the paste among them, right after
// it pastes: the put-back tries again later a few more times.
constexpr int kPutBackRetries = 10;
constexpr UINT kPutBackRetryMs = 200;

// The hotkey's own modifiers are usually still held when it fires: the paste waits this long for
// them to be let go, then lets go of them itself, so the target sees Ctrl+V and nothing else. Looked
// at every millisecond: a key let go just before the hotkey fired can still show as held for a
// moment, and a coarser poll would add its whole period to that paste.
constexpr ULONGLONG kModifierWaitMs = 1000;
constexpr DWORD kModifierPollMs = 1;
constexpr WORD kModifierKeys[] = {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU};

bool IsKeyDown(WORD key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

std::vector<WORD> HeldModifiers() {
    std::vector<WORD> held;
    for (WORD key : kModifierKeys)
        if (IsKeyDown(key)) held.push_back(key);
    return held;
}

// Ctrl goes down before any held modifier is let go: an Alt released with nothing pressed in
// between would open the target's menu.
void SendCtrlV() {
    const ULONGLONG deadline = GetTickCount64() + kModifierWaitMs;
    std::vector<WORD> held = HeldModifiers();
    while (!held.empty() && GetTickCount64() < deadline) {
        Sleep(kModifierPollMs);
        held = HeldModifiers();
    }
    std::vector<INPUT> inputs{KeyInput(VK_LCONTROL, false)};
    for (WORD key : held)
        if (key != VK_LCONTROL) inputs.push_back(KeyInput(key, true));
    inputs.push_back(KeyInput('V', false));
    inputs.push_back(KeyInput('V', true));
    inputs.push_back(KeyInput(VK_LCONTROL, true));
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

PasteKeystrokeFunction pasteKeystroke = SendCtrlV;

// Out of the notification list (and busy for every other clipboard path) while we write, so our own
// writes never come back as a copy to process; a change another program made meanwhile is caught up.
class OwnClipboardWork {
public:
    explicit OwnClipboardWork(HWND window) : window_(window) { LeaveClipboardWatch(window_); }
    ~OwnClipboardWork() {
        busy_.reset();
        JoinClipboardWatch(window_);
        CatchUpChangeMissedSince(window_, sequenceAfter_);
    }
    OwnClipboardWork(const OwnClipboardWork&) = delete;
    OwnClipboardWork& operator=(const OwnClipboardWork&) = delete;

    bool Open(ClipboardSession& session) { return OpenClipboardForWork(session, window_); }
    // Once the clipboard is closed again.
    void NoteDone() { sequenceAfter_ = GetClipboardSequenceNumber(); }

private:
    HWND window_;
    DWORD sequenceAfter_ = GetClipboardSequenceNumber();
    std::optional<WatchBusyScope> busy_{std::in_place};
};

void DropPending(HWND window) {
    KillTimer(window, IDT_PASTE_RESTORE);
    std::vector<KeptFormat>().swap(pending.formats);  // each block is wiped as it goes
    pending = PendingPaste{};
}

bool HoldsOurResult(HWND window) {
    if (!window || GetClipboardOwner() != window) return false;
    return ClipboardHoldsRunResult(window) || GetClipboardSequenceNumber() == pasteResultSequence;
}

void AppendError(const wchar_t* japanese, const wchar_t* english) {
    PendingNotification::Append(Tr(japanese, english), SeverityError);
}

enum class Prepared { Written, NothingToPaste, Failed };

// The clipboard is open: the text to paste, or the file list as FileFolderCopy says; empty when
// there is none. `fileList`: the text is our own list of the copied files, which the cleanup leaves.
std::wstring TextToPaste(bool& fileList) {
    std::wstring text;
    fileList = false;
    if (IsClipboardFormatAvailable(CF_UNICODETEXT)) {
        if (CopyTextBlock(GetClipboardData(CF_UNICODETEXT), text) != TextCopyResult::Copied) text.clear();
        return text;
    }
    std::vector<std::wstring> paths;
    if (ProcessingOptions.FileFolderCopy != 0 && IsClipboardFormatAvailable(CF_HDROP) &&
        ReadDropList(GetClipboardData(CF_HDROP), paths))
        text = FileListText(paths, ProcessingOptions.FileFolderCopy == 2);
    fileList = !text.empty();
    return text;
}

// The copy's own bytes are taken first; the engine runs while nothing has changed yet, so a failure
// leaves the copy as it was.
Prepared PutResultOnClipboard(HWND window, OwnClipboardWork& work, PendingPaste& taken) {
    ClipboardSession session;
    if (!work.Open(session)) {
        AppendError(L"クリップボードを開けません。少し待ってからやり直して下さい。",
                    L"Cannot open the clipboard. Wait a moment and try again.");
        return Prepared::Failed;
    }
    bool fileList = false;
    const std::wstring input = TextToPaste(fileList);
    if (input.empty()) return Prepared::NothingToPaste;
    const bool copyOfAnotherProgram = GetClipboardOwner() != window;
    const std::vector<UINT> offered = OfferedClipboardFormats();
    taken.markers = ReadPrivacyMarkers(offered);
    if (!CaptureEveryFormat(offered, taken.formats)) {
        AppendError(L"コピーが大きすぎるため、プレーンテキストとして貼り付けられません。",
                    L"The copy is too large to be pasted as plain text and given back.");
        return Prepared::Failed;
    }
    std::wstring result;
    RunClipboardEngine(input, result, fileList);
    if (result.empty()) return Prepared::NothingToPaste;
    if (!EmptyOpenClipboard()) {
        AppendError(L"クリップボードの内容を空にできませんでした。", L"Cannot empty clipboard.");
        return Prepared::Failed;
    }
    // The kept original belongs to an older copy: once this copy is back under our name, a restore
    // must not put that one over it.
    if (copyOfAnotherProgram) DropKeptOriginal();
    if (!WriteBack(result, Branch::Text, taken.markers)) {
        (void)EmptyOpenClipboard();
        (void)PutFormatsOnClipboard(taken.formats);
        return Prepared::Failed;
    }
    session.Close();
    work.NoteDone();
    pasteResultSequence = GetClipboardSequenceNumber();
    taken.resultSequence = pasteResultSequence;
    return Prepared::Written;
}

// Markers without data are offered but could not be taken as a format.
void PutBackMarkersWithoutData(const PendingPaste& paste) {
    PrivacyMarkers missing;
    for (const PrivacyMarkers::Marker& marker : paste.markers.present)
        if (!IsClipboardFormatAvailable(marker.format)) missing.present.push_back(marker);
    WritePrivacyMarkers(missing);
}

enum class PutBack { Done, NotOpened, Failed, NotOurs };

PutBack PutCopyBack(HWND window) {
    OwnClipboardWork work(window);
    ClipboardSession session;
    if (!work.Open(session)) return PutBack::NotOpened;
    // Checked with the clipboard held, so no copy can come between the check and the write.
    if (GetClipboardOwner() != window || GetClipboardSequenceNumber() != pending.resultSequence)
        return PutBack::NotOurs;
    if (!EmptyOpenClipboard() || !PutFormatsOnClipboard(pending.formats)) return PutBack::Failed;
    PutBackMarkersWithoutData(pending);
    session.Close();
    work.NoteDone();
    return PutBack::Done;
}

void RunPutBack(HWND window) {
    KillTimer(window, IDT_PASTE_RESTORE);
    if (!pending.waiting) return;
    const PutBack outcome = PutCopyBack(window);
    if (outcome == PutBack::NotOpened && ++pending.openFailures <= kPutBackRetries) {
        SetTimer(window, IDT_PASTE_RESTORE, kPutBackRetryMs, nullptr);
        return;
    }
    DropPending(window);
    if (outcome == PutBack::NotOpened || outcome == PutBack::Failed) {
        PendingNotification::Clear();
        PendingNotification::AppendAndShow(
            Tr(L"貼り付けた後、元のコピーをクリップボードに戻せませんでした。",
               L"Cannot give the copy back to the clipboard after pasting it as plain text."),
            SeverityError);
    }
}

}  // namespace

void PastePlainText(HWND window) {
    if (WatchBusy) return;
    PendingNotification::Clear();
    if (HoldsOurResult(window)) {
        pasteKeystroke();  // what we put there is plain already; a copy waiting to go back still does
        return;
    }
    DropPending(window);  // its copy has been replaced meanwhile
    StopMultiDiv(window);  // the re-copy would write its lines over the result, then over the copy
    PendingPaste taken;
    Prepared prepared = Prepared::Failed;
    {
        OwnClipboardWork work(window);
        prepared = PutResultOnClipboard(window, work, taken);
    }
    if (prepared == Prepared::NothingToPaste) {
        PlayDefaultBeep();
        return;
    }
    if (prepared == Prepared::Written) {
        pasteKeystroke();
        pending = std::move(taken);
        pending.waiting = true;
        const int delay = CheckedInteger(L"PASTE_RESTORE_MS", ProcessingOptions.PASTE_RESTORE_MS);
        SetTimer(window, IDT_PASTE_RESTORE, static_cast<UINT>(delay), nullptr);
    }
    PendingNotification::Show();
}

void OnPasteRestoreTimer(HWND window) { RunPutBack(window); }

void FinishPendingPaste(HWND window) {
    if (!pending.waiting) return;
    pending.openFailures = kPutBackRetries;  // no later attempt: the program is ending
    RunPutBack(window);
}

PasteKeystrokeFunction SetPasteKeystrokeFunction(PasteKeystrokeFunction function) {
    return std::exchange(pasteKeystroke, function ? function : SendCtrlV);
}
