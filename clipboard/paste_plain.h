#pragma once
// Pasting the copy as plain text into the window that has the keyboard focus (hotkey 4, "/V"), and
// giving the copy back to the clipboard afterwards, byte for byte.
#include <windows.h>

// A result of ours already on the clipboard is pasted as it is. Otherwise the copy's formats are
// taken into memory, its text (or file list) runs through the engine as a forced run does, the
// result goes on the clipboard and is pasted, and IDT_PASTE_RESTORE is set to put the copy back.
// Nothing to paste: nothing is sent, and the default beep sounds.
void PastePlainText(HWND window);

// IDT_PASTE_RESTORE: the copy goes back only while the clipboard still holds exactly our result.
void OnPasteRestoreTimer(HWND window);

// At the end of the program: a copy still waiting goes back now, as it would have at its time.
void FinishPendingPaste(HWND window);

// The keystroke that pastes: Ctrl+V into whatever has the keyboard focus, once the hotkey's own
// modifiers are let go; false when the system would not take it. Replaceable so tests can see when
// the paste is asked for; null puts the keyboard back. Returns the previous function.
using PasteKeystrokeFunction = bool (*)();
PasteKeystrokeFunction SetPasteKeystrokeFunction(PasteKeystrokeFunction function);

// Our own Ctrl+V must not reach our own hotkeys: one set to Ctrl+V would take it, and paste again.
// The shell hands in how it lets go of the hotkeys a keystroke (MOD_ flags, virtual key) would match
// and takes them back once the keystroke has gone through; null members do nothing.
struct OwnKeystrokeHooks {
    void (*releaseHotkeysMatching)(HWND window, UINT modifiers, UINT key) = nullptr;
    void (*takeHotkeysBack)(HWND window) = nullptr;
};
void SetOwnKeystrokeHooks(const OwnKeystrokeHooks& hooks);
