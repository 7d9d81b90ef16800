#pragma once
// Copying to and reading from the real clipboard as another program would, and pumping messages
// until something happens. Shared by every Windows test that touches the clipboard.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <shlobj.h>
#include <string>
#include <thread>
#include <utility>
#include <vector>
#include <windows.h>

#include "scoped_win.h"

namespace clipboard_test {

// One block of clipboard data offered by a copying program.
struct Offer {
    UINT format;
    std::vector<BYTE> data;
    bool nullHandle = false;  // offered for delayed rendering that never comes
};

inline UINT Registered(const wchar_t* name) { return RegisterClipboardFormatW(name); }

inline std::vector<BYTE> Bytes(const void* data, size_t size) {
    const BYTE* begin = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(begin, begin + size);
}

inline Offer UnicodeText(const std::wstring& text) {
    return {CF_UNICODETEXT, Bytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t))};
}

inline Offer RegisteredFormat(const wchar_t* name, const std::string& bytes) {
    return {Registered(name), Bytes(bytes.data(), bytes.size())};
}

inline Offer DwordFormat(const wchar_t* name, DWORD value) { return {Registered(name), Bytes(&value, sizeof value)}; }

inline Offer DropList(const std::vector<std::wstring>& paths) {
    DROPFILES header = {};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::vector<BYTE> data = Bytes(&header, sizeof header);
    for (const std::wstring& path : paths) {
        const auto bytes = Bytes(path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    data.push_back(0);
    data.push_back(0);
    return {CF_HDROP, data};
}

// Writes the offers as one copy, owned by `owner`.
inline void Copy(HWND owner, const std::vector<Offer>& offers) {
    ClipboardSession session;
    // Another program (Nuvela itself) may be holding the clipboard for a moment.
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (!session.Open(owner) && GetTickCount64() < deadline) Sleep(5);
    ASSERT_TRUE(session.IsOpen());
    ASSERT_TRUE(EmptyClipboard());
    for (const Offer& offer : offers) {
        if (offer.nullHandle) {
            SetClipboardData(offer.format, nullptr);
            continue;
        }
        UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, offer.data.size()));
        ASSERT_TRUE(block || offer.data.empty());
        if (!offer.data.empty()) {
            GlobalMemoryLock lock(block.get());
            std::memcpy(lock.data(), offer.data.data(), offer.data.size());
        }
        if (SetClipboardData(offer.format, block.get())) block.release();
    }
}

inline void CopyText(HWND owner, const std::wstring& text) { Copy(owner, {UnicodeText(text)}); }

inline std::wstring ClipboardText() {
    ClipboardSession session;
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (!session.Open(nullptr) && GetTickCount64() < deadline) Sleep(5);
    if (!session.IsOpen()) return L"<cannot open>";
    HANDLE handle = GetClipboardData(CF_UNICODETEXT);
    if (!handle) return std::wstring();
    GlobalMemoryLock lock(handle);
    const wchar_t* text = static_cast<const wchar_t*>(lock.data());
    return text ? std::wstring(text, wcsnlen(text, GlobalSize(handle) / sizeof(wchar_t))) : std::wstring();
}

using FormatData = std::vector<std::pair<UINT, std::vector<BYTE>>>;

// The formats and bytes of `offers` as one copy puts them.
inline FormatData DataOf(const std::vector<Offer>& offers) {
    FormatData data;
    for (const Offer& offer : offers) data.emplace_back(offer.format, offer.data);
    return data;
}

// What the clipboard holds of the formats of `offers`, in the clipboard's order.
inline FormatData ClipboardDataOf(const std::vector<Offer>& offers) {
    FormatData data;
    ClipboardSession session;
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (!session.Open(nullptr) && GetTickCount64() < deadline) Sleep(5);
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        bool wanted = false;
        for (const Offer& offer : offers) wanted = wanted || offer.format == format;
        HANDLE handle = wanted ? GetClipboardData(format) : nullptr;
        if (!handle) continue;
        GlobalMemoryLock lock(handle);
        data.emplace_back(format, Bytes(lock.data(), lock.data() ? GlobalSize(handle) : 0));
    }
    return data;
}

// The formats on the clipboard, in its order.
inline std::vector<UINT> ClipboardFormats() {
    std::vector<UINT> formats;
    ClipboardSession session;
    if (!session.Open(nullptr)) return formats;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) formats.push_back(format);
    return formats;
}

inline bool ClipboardHas(UINT format) { return IsClipboardFormatAvailable(format) != FALSE; }
inline bool ClipboardHas(const wchar_t* registeredName) { return ClipboardHas(Registered(registeredName)); }
inline HWND ClipboardOwner() { return GetClipboardOwner(); }

// Dispatches messages until `done` or the deadline; returns `done()` at the end.
inline bool PumpUntil(const std::function<bool()>& done, DWORD deadlineMs = 5000) {
    const ULONGLONG deadline = GetTickCount64() + deadlineMs;
    while (!done()) {
        if (GetTickCount64() >= deadline) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

// Dispatches every message already queued and those arriving within `quietMs`.
inline void PumpFor(DWORD quietMs) {
    const ULONGLONG end = GetTickCount64() + quietMs;
    PumpUntil([end] { return GetTickCount64() >= end; }, quietMs + 1000);
}

// Holds the clipboard open from another thread, as a busy program does, until Release() or the
// end of the object. The one way tests hold the clipboard.
class ClipboardHeldElsewhere {
public:
    // `before` and `atRelease`, when given, run on the holding thread with the clipboard open, as
    // it is taken and just before it is let go (either may copy there).
    // `opener`: the window it opens the clipboard for, whose copy a write there then is.
    explicit ClipboardHeldElsewhere(std::function<void()> before = {}, std::function<void()> atRelease = {},
                                    HWND opener = nullptr) {
        holder_ = std::thread([this, before, atRelease, opener] {
            held_ = OpenClipboard(opener) != FALSE;
            if (held_ && before) before();
            SetEvent(opened_.get());
            WaitForSingleObject(release_.get(), 30000);
            if (held_ && atRelease) atRelease();
            if (held_) CloseClipboard();
        });
        WaitForSingleObject(opened_.get(), 10000);
    }
    ~ClipboardHeldElsewhere() { Release(); }
    ClipboardHeldElsewhere(const ClipboardHeldElsewhere&) = delete;
    ClipboardHeldElsewhere& operator=(const ClipboardHeldElsewhere&) = delete;

    bool held() const { return held_; }
    // Closes the clipboard and returns once it is closed.
    void Release() {
        SetEvent(release_.get());
        if (holder_.joinable()) holder_.join();
    }

private:
    UniqueHandle opened_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle release_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool held_ = false;
    std::thread holder_;
};

// Another program's window that offers `format` for rendering on request and then stops answering
// messages, as a hung program does, until Release() or the end of the object; its window goes
// with it. Nothing may empty the clipboard while it hangs: that too waits for the owner.
class ClipboardOwnerThatHangs {
public:
    explicit ClipboardOwnerThatHangs(UINT format) {
        owner_ = std::thread([this, format] {
            UniqueWindow window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                                nullptr));
            {
                ClipboardSession session;
                if (window && session.Open(window.get()) && EmptyClipboard()) {
                    SetClipboardData(format, nullptr);  // returns null for a delayed offer too
                    offered_ = IsClipboardFormatAvailable(format) != FALSE;
                }
            }
            window_ = window.get();
            SetEvent(ready_.get());
            // Bounded, so a run that waits for the rendering ends the test with a failure, not a hang.
            WaitForSingleObject(release_.get(), 30000);
        });
        WaitForSingleObject(ready_.get(), 10000);
    }
    ~ClipboardOwnerThatHangs() { Release(); }
    ClipboardOwnerThatHangs(const ClipboardOwnerThatHangs&) = delete;
    ClipboardOwnerThatHangs& operator=(const ClipboardOwnerThatHangs&) = delete;

    bool offered() const { return offered_; }
    HWND window() const { return window_; }
    // Lets it answer again; returns once its thread and window are gone.
    void Release() {
        SetEvent(release_.get());
        if (owner_.joinable()) owner_.join();
    }

private:
    UniqueHandle ready_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle release_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool offered_ = false;
    HWND window_ = nullptr;
    std::thread owner_;
};

// Another program's window, on a thread of its own, that offers Unicode `text` for rendering on
// request and, asked for it, first runs `whileAsked` on its thread (it may send a message to the
// window that asked), then renders it. Its window goes at the end of the object.
class ClipboardOwnerThatRendersLate {
public:
    ClipboardOwnerThatRendersLate(std::wstring text, std::function<void()> whileAsked)
        : text_(std::move(text)), whileAsked_(std::move(whileAsked)) {
        owner_ = std::thread([this] {
            UniqueWindow window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                                nullptr));
            SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            staticProc_ = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(window.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
            {
                ClipboardSession session;
                if (window && session.Open(window.get()) && EmptyClipboard()) SetClipboardData(CF_UNICODETEXT, nullptr);
            }
            SetEvent(ready_.get());
            const HANDLE release = release_.get();
            while (WaitForSingleObject(release, 0) == WAIT_TIMEOUT) {
                MsgWaitForMultipleObjects(1, &release, FALSE, 100, QS_ALLINPUT);
                MSG message;
                while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            }
        });
        WaitForSingleObject(ready_.get(), 10000);
    }
    ~ClipboardOwnerThatRendersLate() {
        SetEvent(release_.get());
        if (owner_.joinable()) owner_.join();
    }
    ClipboardOwnerThatRendersLate(const ClipboardOwnerThatRendersLate&) = delete;
    ClipboardOwnerThatRendersLate& operator=(const ClipboardOwnerThatRendersLate&) = delete;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ClipboardOwnerThatRendersLate*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message != WM_RENDERFORMAT || wParam != CF_UNICODETEXT)
            return CallWindowProcW(self->staticProc_, window, message, wParam, lParam);
        if (self->whileAsked_) self->whileAsked_();
        const size_t bytes = (self->text_.size() + 1) * sizeof(wchar_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
        std::memcpy(GlobalLock(block), self->text_.c_str(), bytes);
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        return 0;
    }

    std::wstring text_;
    std::function<void()> whileAsked_;
    WNDPROC staticProc_ = nullptr;
    UniqueHandle ready_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle release_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::thread owner_;
};

}  // namespace clipboard_test
