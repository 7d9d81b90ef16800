#pragma once
// The one way in and out of the clipboard for our own work. A run, a restore, paste as plain text and
// its put-back, a step of the re-copy and emptying the clipboard from the tray each go through
// WithClipboardHeld, so no piece of our work starts inside another or acts on a copy it did not see.
#include <functional>
#include <windows.h>

#include "scoped_win.h"

// Set for the whole of a piece of our clipboard work (and while the watch is joined or left):
// notifications are then not processed, and commands, hotkeys and timers wait until it is over.
extern bool WatchBusy;

// What the clipboard paths know of the copies on the clipboard, each by the sequence number the
// clipboard had then. Shared by the run, the re-copy, the paste and the restore; reset by nothing
// but the copies themselves.
struct ClipboardSequences {
    DWORD runResult = 0;        // a run's result or a re-copied line, as it was written
    DWORD pasteResult = 0;      // the plain result a paste put there
    DWORD lastLookedAt = 0;     // the copy the last run looked at, once the run was done with it
    bool anyLookedAt = false;
    bool lastLeftAlone = false;  // that run left it alone: a rule, the skip, privacy, nothing to process
    DWORD restoreAskedFor = 0;  // the copy a restore, and its retry, was asked for
};
extern ClipboardSequences Sequences;

// Keeps WatchBusy set for a scope and puts back what it was; the outermost scope, once over, posts
// back the messages that arrived meanwhile.
class WatchBusyScope {
public:
    WatchBusyScope();
    ~WatchBusyScope();
    WatchBusyScope(const WatchBusyScope&) = delete;
    WatchBusyScope& operator=(const WatchBusyScope&) = delete;

private:
    bool previous_;
};

// The clipboard as a piece of work holds it. Whose copy it is and which copy (its sequence number)
// are read once it is open, so every judgement is made on what the work is about to act on. Under
// Wine each read is a round trip to its server, all while the clipboard is held: the sequence
// number is read only by work that asks for it.
struct HeldClipboard {
    HWND window = nullptr;
    HWND owner = nullptr;
    DWORD sequenceBefore = 0;  // read before the work left the notification list
    ClipboardSession session;
    // The work did not act on the copy it found (it belongs to a newer copy than the work was
    // started for): that copy gets the processing its notification would have started.
    bool gaveWay = false;

    // The sequence number once the work let go of the clipboard: a change after it is another
    // program's, made while we were out of the notification list.
    DWORD sequenceAtRelease = 0;

    // Lets go of the clipboard before the work's follow-up (balloon, sound), which no other
    // program need wait for. WatchBusy stays set until the work is over.
    void Release();
    DWORD Sequence() const;

private:
    mutable DWORD sequence_ = 0;
    mutable bool sequenceRead_ = false;
};

enum class ClipboardWork {
    Done,
    NotOpened,  // another program held the clipboard through every attempt
    Busy,       // our own work was already under way (a message sent to us inside it)
};

// Leaves the notification list, sets WatchBusy for its whole length, opens the clipboard with a
// run's attempts and hands it to `work`. On every way out, an exception included: closes it, joins
// the list again, catches up a change another program made meanwhile and posts back the messages
// that arrived meanwhile, in arrival order.
ClipboardWork WithClipboardHeld(HWND window, const std::function<void(HeldClipboard&)>& work);

// For the main window's procedure, first thing: a command, hotkey, timer, tray click or the end of
// the window that arrives while WatchBusy is set (EmptyClipboard, GetClipboardData and
// Shell_NotifyIcon dispatch messages other threads and processes send us) is kept, to be posted
// back once the work is over. True when `message` was kept. Once the end of the window is kept, no new
// clipboard work starts until it has come.
bool DeferWhileClipboardBusy(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
