#include "multidiv.h"

#include <vector>

#include "clipboard_data.h"
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

UINT MultiDivInterval() {
    switch (ProcessingOptions.MultiDivSec) {
    case 500: case 1000: case 1500: case 2000: case 4000: case 6000: case 8000: case 10000:
        return static_cast<UINT>(ProcessingOptions.MultiDivSec);
    default:
        return 1000;  // what the settings load for any other stored value
    }
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

// Puts the line on the open clipboard; each failure is appended to the pending notification.
bool WriteLine(const std::wstring& line) {
    UniqueGlobal block;
    switch (MakeTextBlock(line, block)) {
    case BlockResult::AllocFailed:
        PendingNotification::Append(Tr(L"メモリ確保に失敗。", L"GlobalAlloc() failed."), SeverityError);
        return false;
    case BlockResult::LockFailed:
        PendingNotification::Append(Tr(L"メモリのロックに失敗。", L"GlobalLock() failed."), SeverityError);
        return false;
    case BlockResult::Made:
        break;
    }
    if (!EmptyClipboard()) {
        PendingNotification::Append(Tr(L"クリップボードの内容を空にできませんでした。", L"Cannot empty clipboard."), SeverityError);
        return false;
    }
    if (!PutClipboardData(CF_UNICODETEXT, block.get())) {
        PendingNotification::Append(Tr(L"クリップボードへ書き込めませんでした。", L"Cannot write to clipboard."), SeverityError);
        return false;
    }
    block.release();  // the system owns it now
    return true;
}

void CopyNextLine(HWND window) {
    // Our own write must not be taken for a new copy.
    WatchBusy = true;
    ClipboardSession session;
    if (session.Open(window)) {
        if (Cycle.cursor >= Cycle.lines.size()) Cycle.cursor = 0;
        PendingNotification::Clear();
        const std::wstring& line = Cycle.lines[Cycle.cursor];
        if (WriteLine(line)) {
            if (ProcessingOptions.SHOW_BALLOON)
                PendingNotification::Append(Tr(L"1行テキストをコピー:", L"1 line text:") + line, SeverityInfo);
            PlayWriteSound();
        }
        session.Close();
        ++Cycle.cursor;  // a line whose write failed is skipped
        PendingNotification::Show(window);
    }
    WatchBusy = false;
}

}  // namespace

void StartMultiDiv(HWND window, const std::wstring& text) {
    Cycle.lines = NonEmptyLines(text);
    Cycle.cursor = 0;
    StartTimer(window);
}

void StopMultiDiv(HWND window) {
    KillTimer(window, IDT_MULTIDIV);
    timerRunning = false;
}

void OnMultiDivTimer(HWND window) {
    StopMultiDiv(window);
    if (!ProcessingOptions.CBWatchEnabled || !ProcessingOptions.MultiDiv) return;  // the cycle ends
    if (Cycle.lines.size() > 1 && !WatchBusy) {
        try {
            CopyNextLine(window);
        } catch (const std::exception& caught) {
            WatchBusy = false;
            ReportCaughtException(window, &caught);
        } catch (...) {
            WatchBusy = false;
            ReportCaughtException(window, nullptr);
        }
    }
    StartTimer(window);
}

bool MultiDivRunning() {
    return timerRunning && ProcessingOptions.MultiDiv && ProcessingOptions.CBWatchEnabled;
}
