#pragma once
// Noticing clipboard changes and processing the clipboard. The main window forwards its clipboard
// messages and the IDT_DELAY / IDT_CHAIN_REFRESH timers here.
#include <string>
#include <windows.h>

#include "clipboard_data.h"
#include "clipboard_work.h"

extern HWND NextViewer;   // viewer-chain mode only

// Looks up AddClipboardFormatListener / RemoveClipboardFormatListener in user32 (both or neither);
// without them the viewer chain is used. Called once by start-up; the library stays loaded.
void ResolveClipboardListener();
void ReleaseClipboardListener();
bool UsingFormatListener();

void JoinClipboardWatch(HWND window);
bool LeaveClipboardWatch(HWND window);

// WM_CLIPBOARDUPDATE and WM_DRAWCLIPBOARD.
void OnClipboardChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OnChangeClipboardChain(HWND window, HWND removed, HWND next);
void OnDelayTimer(HWND window);
void OnChainRefreshTimer(HWND window);

// Puts the kept original copy back ("/U", the tray menu, hotkey 3); nothing when none is kept. A
// clipboard that cannot be opened is tried again once after 500 ms, for the same copy only; a
// failure says so in the balloon and keeps the kept copy.
void RestoreOriginalCopy(HWND window);
void OnRestoreRetryTimer(HWND window);

// Why a run looks at the clipboard, which decides what it leaves alone.
enum class RunKind {
    Automatic,           // a notification, the delay timer, start-up: every rule and marker holds
    WatchSwitchedOn,     // monitoring switched on: our own earlier write is processed, rules and markers hold
    UserRequest,         // command 32782 and its triggers: this copy is processed, whatever it is
};

enum class RunOutcome {
    Done,
    NotOpened,  // tried again by the notification path
    Failed,     // an exception was caught and shown; not tried again
};
RunOutcome RunClipboard(HWND window, RunKind kind);

// force: the user's request (RunKind::UserRequest); otherwise an automatic run. False when the
// clipboard could not be opened or an exception was caught.
bool ProcessClipboard(HWND window, bool force);

// Whether the clipboard holds a copy no run has looked at yet (its notification, or the delay after
// it, still to come), while monitoring is on.
bool ClipboardAwaitsRun();

// Puts `text` on the open clipboard as its only format, each failure appended to the pending
// notification. The text branch has emptied the clipboard before the engine ran and has failure
// texts of its own; file lists and the timed re-copy empty it here.
enum class Branch { Text, Files };
[[nodiscard]] bool WriteBack(const std::wstring& text, Branch branch, const PrivacyMarkers& markers);

// Runs the engine on a copied text; ProcessText unless a test puts another in. Returns the previous.
using TextProcessorFunction = void (*)(const wchar_t* conversionName, const wchar_t* input, std::wstring& output);
TextProcessorFunction SetTextProcessor(TextProcessorFunction processor);
// The same for our own list of copied files; ProcessFileList unless a test puts another in.
TextProcessorFunction SetFileListProcessor(TextProcessorFunction processor);

// One attempt of a run to open the clipboard; the run makes several, a little apart, before it
// gives up. Replaceable so tests can see each attempt. Returns the previous step.
using ClipboardOpenStep = bool (*)(ClipboardSession& session, HWND window);
ClipboardOpenStep SetClipboardOpenStep(ClipboardOpenStep step);

// Opens the clipboard for our own work as a run does: several attempts a little apart, each the
// step above, before it gives up.
[[nodiscard]] bool OpenClipboardForWork(ClipboardSession& session, HWND window);

// How many times the engine has run on clipboard contents since start-up: one copy, one run.
unsigned ClipboardProcessingCount();

// What the shell does after each successful write (the tray icon's flash); the main window
// installs it at creation, and null puts back doing nothing. Returns the previous function.
using ClipboardWrittenFunction = void (*)(HWND window);
ClipboardWrittenFunction SetClipboardWrittenFunction(ClipboardWrittenFunction function);

// What the shell shows of the clipboard (the floating button's preview): run on every notification
// that arrives while WatchBusy is clear and at the end of every run that opened the clipboard. The
// main window installs it at creation, and null puts back doing nothing. Returns the previous.
using ClipboardShownFunction = void (*)();
ClipboardShownFunction SetClipboardShownFunction(ClipboardShownFunction function);

// Runs the engine on a text taken from the clipboard, as a run does, counted as a run; `fileList`:
// our own list of copied files, which skips the cleanup stages as a run's file list does.
void RunClipboardEngine(const std::wstring& input, std::wstring& result, bool fileList);

// Called once a run's result is on the clipboard and the clipboard is closed again.
void NoteRunResultWritten();

// Data offered for rendering on request is made by its owner inside our GetClipboardData, while we
// hold the clipboard: whether the owner (another thread's window) answers at all, within a second.
bool ClipboardOwnerAnswers(HWND window, HWND owner);

// Whether `held` is a result a run (or a line of the re-copy) put there, unchanged since.
bool HoldsRunResult(const HeldClipboard& held);

// Our own clipboard work is done and the watch joined again: a change another program made while we
// were out of the notification list (the sequence number is not `sequenceAfterOurWork`) gets the
// processing its notification would have started.
void CatchUpChangeMissedSince(HWND window, DWORD sequenceAfterOurWork);

// "CanIncludeInClipboardHistory" and "CanUploadToCloudClipboard", each a DWORD 0, on the open
// clipboard unless it carries them already: our passing writes (a paste's short-lived result, its
// put-back, a restore) duplicate a copy the history holds already.
void KeepOutOfClipboardHistory();
