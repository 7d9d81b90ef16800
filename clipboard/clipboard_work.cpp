#include "clipboard_work.h"

#include <utility>
#include <vector>

#include "messages.h"
#include "watch.h"

bool WatchBusy = false;
ClipboardSequences Sequences;

namespace {

struct DeferredMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<DeferredMessage> deferred;
// The end of the window waits for the work under way; meanwhile no new work starts, so a stream of
// notifications cannot keep it waiting.
bool endWaiting = false;

bool EndsTheWindow(UINT message, WPARAM wParam) {
    return message == WM_DESTROY || (message == WM_ENDSESSION && wParam);
}

// WM_CLIPBOARDUPDATE and WM_DRAWCLIPBOARD are not among them: a change made meanwhile is caught up
// by its sequence number, and the viewer chain needs its messages passed on at once.
bool StartsWork(UINT message) {
    switch (message) {
    case WM_APP_COMMAND:
    case WM_APP_TRAY:
    case WM_HOTKEY:
    case WM_TIMER:
    case WM_DESTROY:
    case WM_ENDSESSION:
        return true;
    default:
        return false;
    }
}

// Posted, not run: they come from the message loop once the work has let go of everything.
void PostDeferredMessages() {
    std::vector<DeferredMessage> waiting;
    waiting.swap(deferred);
    for (const DeferredMessage& message : waiting)
        PostMessageW(message.window, message.message, message.wParam, message.lParam);
}

}  // namespace

WatchBusyScope::WatchBusyScope() : previous_(std::exchange(WatchBusy, true)) {}

WatchBusyScope::~WatchBusyScope() {
    WatchBusy = previous_;
    if (!WatchBusy) PostDeferredMessages();
}

void HeldClipboard::Release() {
    if (!session.IsOpen()) return;
    session.Close();
    sequenceAtRelease = GetClipboardSequenceNumber();
}

DWORD HeldClipboard::Sequence() const {
    if (!std::exchange(sequenceRead_, true)) sequence_ = GetClipboardSequenceNumber();
    return sequence_;
}

ClipboardWork WithClipboardHeld(HWND window, const std::function<void(HeldClipboard&)>& work) {
    if (WatchBusy || endWaiting) return ClipboardWork::Busy;
    WatchBusyScope busy;
    const DWORD sequenceBefore = GetClipboardSequenceNumber();
    // Out of the notification list first, so our own write does not come back as a notification.
    LeaveClipboardWatch(window);
    HeldClipboard held;
    held.window = window;
    held.sequenceBefore = sequenceBefore;
    // Whatever way the work ends: the watch is joined again, and a copy made while we were out of
    // the list (or one the work gave way to) gets the processing its notification would have started.
    struct Rejoin {
        HeldClipboard& held;
        DWORD sequenceBefore;
        bool opened = false;
        ~Rejoin() {
            held.Release();
            const DWORD seen = opened && !held.gaveWay ? held.sequenceAtRelease : sequenceBefore;
            JoinClipboardWatch(held.window);
            CatchUpChangeMissedSince(held.window, seen);
        }
    } rejoin{held, sequenceBefore};
    if (!OpenClipboardForWork(held.session, window)) return ClipboardWork::NotOpened;
    rejoin.opened = true;
    held.owner = GetClipboardOwner();
    work(held);
    return ClipboardWork::Done;
}

bool DeferWhileClipboardBusy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!WatchBusy || !StartsWork(message)) {
        if (EndsTheWindow(message, wParam)) endWaiting = false;  // it ends now, and may still use the clipboard
        return false;
    }
    if (EndsTheWindow(message, wParam)) endWaiting = true;
    deferred.push_back({window, message, wParam, lParam});
    return true;
}
