#include "paste_plain.h"

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

// Whether the system has taken a key down (true) or up as far as the keyboard state shows, within a
// bound: our keystroke has gone through every hotkey check once its key shows there.
bool WaitForKeyState(WORD key, bool down) {
    const ULONGLONG deadline = GetTickCount64() + kModifierWaitMs;
    while (IsKeyDown(key) != down) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(kModifierPollMs);
    }
    return true;
}

bool Send(std::vector<INPUT> inputs) {
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// Ctrl goes down before any held modifier is let go: an Alt released with nothing pressed in
// between would open the target's menu. The keys go up only once V shows down, so the hotkeys let
// go of meanwhile are taken back only after the keystroke has passed them.
bool SendCtrlV() {
    const ULONGLONG deadline = GetTickCount64() + kModifierWaitMs;
    std::vector<WORD> held = HeldModifiers();
    while (!held.empty() && GetTickCount64() < deadline) {
        Sleep(kModifierPollMs);
        held = HeldModifiers();
    }
    std::vector<INPUT> down{KeyInput(VK_LCONTROL, false)};
    for (WORD key : held)
        if (key != VK_LCONTROL) down.push_back(KeyInput(key, true));
    down.push_back(KeyInput('V', false));
    if (!Send(std::move(down))) return false;
    WaitForKeyState('V', true);
    const bool sent = Send({KeyInput('V', true), KeyInput(VK_LCONTROL, true)});
    WaitForKeyState('V', false);
    return sent;
}

PasteKeystrokeFunction pasteKeystroke = SendCtrlV;
OwnKeystrokeHooks keystrokeHooks;

// Sends the paste keystroke with the hotkeys it would match let go of meanwhile.
bool SendPasteKeystroke(HWND window) {
    if (keystrokeHooks.releaseHotkeysMatching) keystrokeHooks.releaseHotkeysMatching(window, MOD_CONTROL, 'V');
    const bool sent = pasteKeystroke();
    if (keystrokeHooks.takeHotkeysBack) keystrokeHooks.takeHotkeysBack(window);
    return sent;
}

void DropPending(HWND window) {
    KillTimer(window, IDT_PASTE_RESTORE);
    std::vector<KeptFormat>().swap(pending.formats);  // each block is wiped as it goes
    pending = PendingPaste{};
}

bool HoldsOurResult(const HeldClipboard& held) {
    return HoldsRunResult(held) || (held.owner == held.window && held.Sequence() == Sequences.pasteResult);
}

void AppendError(const wchar_t* japanese, const wchar_t* english) {
    PendingNotification::Append(Tr(japanese, english), SeverityError);
}

enum class Prepared { AlreadyPlain, Written, NothingToPaste, Failed };

// The clipboard is open: the text to paste, or the file list as FileFolderCopy says; empty when
// there is none. `fileList`: the text is our own list of the copied files, which the cleanup leaves.
std::wstring TextToPaste(const std::vector<UINT>& offered, bool& fileList) {
    std::wstring text;
    fileList = false;
    if (IsOffered(offered, CF_UNICODETEXT)) {
        if (CopyTextBlock(GetClipboardData(CF_UNICODETEXT), text) != TextCopyResult::Copied) text.clear();
        return text;
    }
    std::vector<std::wstring> paths;
    if (ProcessingOptions.FileFolderCopy != 0 && IsOffered(offered, CF_HDROP) &&
        ReadDropList(GetClipboardData(CF_HDROP), paths))
        text = FileListText(paths, ProcessingOptions.FileFolderCopy == 2);
    fileList = !text.empty();
    return text;
}

// The clipboard is held and does not hold our result. The copy's own bytes are taken first; the
// engine runs while nothing has changed yet, so a failure leaves the copy as it was.
Prepared PutResultOnClipboard(HeldClipboard& held, PendingPaste& taken) {
    if (!ClipboardOwnerAnswers(held.window, held.owner)) {
        AppendError(L"クリップボードの所有者が応答しないため、処理を中止しました。",
                    L"The program that owns the clipboard does not respond; nothing was processed.");
        return Prepared::Failed;
    }
    const std::vector<UINT> offered = OfferedClipboardFormats();
    bool fileList = false;
    const std::wstring input = TextToPaste(offered, fileList);
    if (input.empty()) return Prepared::NothingToPaste;
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
    if (held.owner != held.window) DropKeptOriginal();
    if (!WriteBack(result, Branch::Text, taken.markers)) {
        (void)EmptyOpenClipboard();
        (void)PutFormatsOnClipboard(taken.formats);
        return Prepared::Failed;
    }
    KeepOutOfClipboardHistory();  // gone again once pasted
    held.Release();
    Sequences.pasteResult = GetClipboardSequenceNumber();
    taken.resultSequence = Sequences.pasteResult;
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

PutBack GivePastedCopyBack(HWND window) {
    PutBack outcome = PutBack::NotOpened;
    WithClipboardHeld(window, [&](HeldClipboard& held) {
        // Checked with the clipboard held, so no copy can come between the check and the write; a
        // newer copy (even one we processed since) stays.
        if (held.owner != window || held.Sequence() != pending.resultSequence) {
            held.gaveWay = true;
            outcome = PutBack::NotOurs;
            return;
        }
        // A write that fails half way puts our result back, not an empty clipboard.
        if (ReplaceClipboardContents(pending.formats, {}) != RestoreWrite::Written) {
            outcome = PutBack::Failed;
            return;
        }
        PutBackMarkersWithoutData(pending);
        KeepOutOfClipboardHistory();  // the history holds this copy already
        outcome = PutBack::Done;
    });
    return outcome;
}

void RunPutBack(HWND window) {
    KillTimer(window, IDT_PASTE_RESTORE);
    if (!pending.waiting) return;
    const PutBack outcome = GivePastedCopyBack(window);
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

void ArmPutBack(HWND window) {
    const int delay = CheckedInteger(L"PASTE_RESTORE_MS", ProcessingOptions.PASTE_RESTORE_MS);
    SetTimer(window, IDT_PASTE_RESTORE, static_cast<UINT>(delay), nullptr);
}

void ReportKeystrokeRefused() {
    AppendError(L"貼り付けのキー操作 (Ctrl+V) を送れませんでした。",
                L"Cannot send the paste keystroke (Ctrl+V) to the window in front.");
}

// A copy monitoring has still to process (its notification, or the delay after it, to come) is
// processed now, as it would have been: what is pasted, and what goes back, is then what monitoring
// makes of it, and no put-back can leave it formatted for good.
void RunTheWaitingRun(HWND window) {
    if (!ClipboardAwaitsRun()) return;
    KillTimer(window, IDT_DELAY);
    if (RunClipboard(window, RunKind::Automatic) == RunOutcome::NotOpened)
        SetTimer(window, IDT_DELAY, kRetryDelayMs, nullptr);
}

}  // namespace

void PastePlainText(HWND window) {
    if (WatchBusy) return;
    RunTheWaitingRun(window);
    PendingNotification::Clear();
    PendingPaste taken;
    Prepared prepared = Prepared::Failed;
    const ClipboardWork work = WithClipboardHeld(window, [&](HeldClipboard& held) {
        if (HoldsOurResult(held)) {
            prepared = Prepared::AlreadyPlain;  // plain already; a copy waiting to go back still does
            return;
        }
        DropPending(window);   // its copy has been replaced meanwhile
        StopMultiDiv(window);  // the re-copy would write its lines over the result, then over the copy
        prepared = PutResultOnClipboard(held, taken);
    });
    if (work == ClipboardWork::NotOpened)
        AppendError(L"クリップボードを開けません。少し待ってからやり直して下さい。",
                    L"Cannot open the clipboard. Wait a moment and try again.");
    switch (prepared) {
    case Prepared::AlreadyPlain:
        // A second paste of the same result: the copy goes back only once the target has read it too.
        if (pending.waiting) ArmPutBack(window);
        if (!SendPasteKeystroke(window)) ReportKeystrokeRefused();
        break;
    case Prepared::Written:
        pending = std::move(taken);
        pending.waiting = true;
        if (SendPasteKeystroke(window)) {
            ArmPutBack(window);
        } else {
            ReportKeystrokeRefused();
            RunPutBack(window);  // nothing was pasted: the copy goes back at once
        }
        break;
    case Prepared::NothingToPaste:
        PlayDefaultBeep();
        return;
    case Prepared::Failed:
        break;
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

void SetOwnKeystrokeHooks(const OwnKeystrokeHooks& hooks) { keystrokeHooks = hooks; }
