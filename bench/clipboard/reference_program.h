#pragma once
// What the two minimal reference programs share: their hidden window, and putting the clipboard's
// text back as its only format.
#include <cstring>
#include <cwchar>
#include <vector>
#include <windows.h>

// The clipboard may be held for a moment by another program (Wine's own clipboard thread among
// them); a program that gave up at once would lose the copy.
inline bool OpenClipboardSoon(HWND window) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (OpenClipboard(window)) return true;
        Sleep(5);
    }
    return false;
}

// With the clipboard open: empties it and puts its text back alone.
inline void PutTextAlone() {
    std::vector<wchar_t> text;
    if (HANDLE handle = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* data = static_cast<const wchar_t*>(GlobalLock(handle))) {
            text.assign(data, data + wcsnlen(data, GlobalSize(handle) / sizeof(wchar_t)));
            GlobalUnlock(handle);
        }
    }
    text.push_back(L'\0');
    EmptyClipboard();
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() * sizeof(wchar_t))) {
        std::memcpy(GlobalLock(block), text.data(), text.size() * sizeof(wchar_t));
        GlobalUnlock(block);
        if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
    }
}

// A 1x1 popup window of its own class, never shown; the benchmark finds it by its class.
inline HWND CreateReferenceWindow(HINSTANCE instance, const wchar_t* className, WNDPROC procedure) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
}
