#include "multidiv.h"

#include <utility>
#include <vector>

#include "exception_guard.h"
#include "language.h"
#include "messages.h"
#include "options.h"
#include "pending_notification.h"
#include "scoped_win.h"
#include "sound.h"
#include "watch.h"

namespace {

// The non-empty lines of the last text; cursor == lines.size() is the end marker after the last.
struct LineCycle {
    std::vector<std::wstring> lines;
    size_t cursor = 0;
};

LineCycle Cycle;
bool timerRunning = false;

// Any other stored value means what loading would have made of it.
UINT MultiDivInterval() {
    return static_cast<UINT>(CheckedInteger(L"MultiDivSec", ProcessingOptions.MultiDivSec));
}

void StartTimer(HWND window) {
    timerRunning = SetTimer(window, IDT_MULTIDIV, MultiDivInterval(), nullptr) != 0;
}

std::vector<std::wstring> NonEmptyLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of(L"\r\n", start);
        const size_t stop = end == std::wstring::npos ? text.size() : end;
        if (stop > start) lines.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return lines;
}

// The next line goes on the clipboard only while it still holds our last line (or the run's
// result): a copy made meanwhile, its processing perhaps still waiting for Delay1Sec, ends the cycle
// and is left to that processing; false then.
bool CopyNextLine(HWND window) {
    bool written = false;
    bool gaveWay = false;
    std::wstring line;
    WithClipboardHeld(window, [&](HeldClipboard& held) {
        if (!HoldsRunResult(held)) {
            held.gaveWay = gaveWay = true;
            return;
        }
        if (Cycle.cursor >= Cycle.lines.size()) Cycle.cursor = 0;
        PendingNotification::Clear();
        line = Cycle.lines[Cycle.cursor];
        written = WriteBack(line, Branch::Files, PrivacyMarkers{});
        held.Release();
        if (written) {
            NoteRunResultWritten();
            if (ProcessingOptions.SHOW_BALLOON)
                PendingNotification::Append(Tr(L"1行テキストをコピー:", L"1 line text:") + line, SeverityInfo);
            PlayWriteSound();
        }
        ++Cycle.cursor;  // a line whose write failed is skipped
        PendingNotification::Show();
    });
    return !gaveWay;
}

}  // namespace

void StartMultiDiv(HWND window, const std::wstring& text) {
    Cycle.lines = NonEmptyLines(text);
    Cycle.cursor = 0;
    StartTimer(window);
}

void StopMultiDiv(HWND window) {
    // Every run stops the cycle: without one running, that costs nothing (a call to the system would).
    if (std::exchange(timerRunning, false)) KillTimer(window, IDT_MULTIDIV);
}

void OnMultiDivTimer(HWND window) {
    StopMultiDiv(window);
    if (!ProcessingOptions.CBWatchEnabled || !ProcessingOptions.MultiDiv) return;  // the cycle ends
    if (Cycle.lines.size() > 1 && !WatchBusy) {
        bool goesOn = true;
        CallGuarded(window, [&] { goesOn = CopyNextLine(window); });
        if (!goesOn) return;  // a newer copy ended the cycle
    }
    StartTimer(window);
}

bool MultiDivRunning() {
    return timerRunning && ProcessingOptions.MultiDiv && ProcessingOptions.CBWatchEnabled;
}
