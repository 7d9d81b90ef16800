#include "clipboard_fixture.h"

#include <cstring>
#include <shlobj.h>

#include "clipboard_data.h"
#include "language.h"
#include "message_box.h"
#include "messages.h"
#include "multidiv.h"
#include "options.h"
#include "pending_notification.h"
#include "scoped_win.h"
#include "tray.h"
#include "watch.h"

namespace clipboard_test {

namespace {

constexpr wchar_t kMainClass[] = L"NuvelaClipboardTestMain";
constexpr wchar_t kCopierClass[] = L"NuvelaClipboardTestCopier";

Recorded recorded;

void RecordBalloon(void*, const std::wstring& text, unsigned severity) { recorded.balloons.push_back({text, severity}); }

int RecordMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
    recorded.boxes.push_back({owner, text, caption, type});
    return IDOK;
}

bool RecordSound(SoundKind kind, const std::wstring& file) {
    recorded.sounds.push_back({kind, file});
    return kind == SoundKind::Beep || !recorded.soundFileFails;
}

void OnTimer(HWND window, UINT_PTR id) {
    switch (id) {
    case IDT_DELAY: OnDelayTimer(window); break;
    case IDT_CHAIN_REFRESH: OnChainRefreshTimer(window); break;
    case IDT_MULTIDIV: OnMultiDivTimer(window); break;
    case IDT_ICON_RESTORE: KillTimer(window, IDT_ICON_RESTORE); break;
    }
}

// The main window's hand-over of clipboard messages and timers, as the shell does it.
LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLIPBOARDUPDATE:
    case WM_DRAWCLIPBOARD:
        ++recorded.updates;
        OnClipboardChanged(window, message, wParam, lParam);
        return 0;
    case WM_CHANGECBCHAIN:
        OnChangeClipboardChain(window, reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_TIMER:
        OnTimer(window, wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(const wchar_t* className, WNDPROC procedure) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);  // fails harmlessly when the class exists from an earlier test
    return CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const BYTE* begin = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(begin, begin + size);
}

}  // namespace

Recorded& Record() { return recorded; }

Offer UnicodeText(const std::wstring& text) {
    return {CF_UNICODETEXT, Bytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t))};
}

Offer RegisteredFormat(const wchar_t* name, const std::string& bytes) {
    return {Registered(name), Bytes(bytes.data(), bytes.size())};
}

Offer DwordFormat(const wchar_t* name, DWORD value) { return {Registered(name), Bytes(&value, sizeof value)}; }

Offer DropList(const std::vector<std::wstring>& paths) {
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

void Copy(HWND owner, const std::vector<Offer>& offers) {
    ClipboardSession session;
    ASSERT_TRUE(session.Open(owner));
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

void CopyText(HWND owner, const std::wstring& text) { Copy(owner, {UnicodeText(text)}); }

std::wstring ClipboardText() {
    ClipboardSession session;
    if (!session.Open(nullptr)) return L"<cannot open>";
    HANDLE handle = GetClipboardData(CF_UNICODETEXT);
    if (!handle) return std::wstring();
    GlobalMemoryLock lock(handle);
    const wchar_t* text = static_cast<const wchar_t*>(lock.data());
    return text ? std::wstring(text, wcsnlen(text, GlobalSize(handle) / sizeof(wchar_t))) : std::wstring();
}

bool ClipboardHas(UINT format) { return IsClipboardFormatAvailable(format) != FALSE; }
bool ClipboardHas(const wchar_t* registeredName) { return ClipboardHas(Registered(registeredName)); }
HWND ClipboardOwner() { return GetClipboardOwner(); }
UINT Registered(const wchar_t* name) { return RegisterClipboardFormatW(name); }

bool PumpUntil(const std::function<bool()>& done, DWORD deadlineMs) {
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

void PumpFor(DWORD quietMs) {
    const ULONGLONG end = GetTickCount64() + quietMs;
    PumpUntil([end] { return GetTickCount64() >= end; }, quietMs + 1000);
}

void ClipboardTest::SetUp() {
    recorded = Recorded();
    ProcessingOptions = ProcessingOptionsRecord();
    ProcessingOptions.MultiDivSec = 500;
    SetLanguage(Language::English);
    PendingNotification::SetShowFunction(RecordBalloon);
    SetMessageBoxFunction(RecordMessageBox);
    SetSoundFunction(RecordSound);
    ResolveClipboardListener();
    main_ = MakeWindow(kMainClass, MainProc);
    copier_ = MakeWindow(kCopierClass, DefWindowProcW);
    ASSERT_TRUE(main_ && copier_);
    JoinClipboardWatch(main_);
    runsBefore_ = ClipboardProcessingCount();
}

void ClipboardTest::TearDown() {
    LeaveClipboardWatch(main_);
    StopMultiDiv(main_);
    KillTimer(main_, IDT_DELAY);
    KillTimer(main_, IDT_CHAIN_REFRESH);
    {
        ClipboardSession session;
        if (session.Open(copier_)) EmptyClipboard();
    }
    DestroyWindow(main_);
    DestroyWindow(copier_);
    PumpFor(0);
    WatchBusy = false;
    NextViewer = nullptr;
    SetTextProcessor(nullptr);
    SetClipboardDataStep(nullptr);
    SetSoundFunction(nullptr);
    SetMessageBoxFunction(nullptr);
    PendingNotification::SetShowFunction(nullptr);
    PendingNotification::Clear();
    ProcessingOptions = ProcessingOptionsRecord();
}

unsigned ClipboardTest::Runs() const { return ClipboardProcessingCount() - runsBefore_; }

bool ClipboardTest::WaitForProcessingCount(unsigned count, DWORD deadlineMs) {
    return PumpUntil([&] { return Runs() >= count; }, deadlineMs) && Runs() == count;
}

bool ClipboardTest::CopyAndWaitProcessed(const std::wstring& text, DWORD deadlineMs) {
    const unsigned expected = Runs() + 1;
    CopyText(copier_, text);
    return WaitForProcessingCount(expected, deadlineMs) && PumpUntil([&] { return ClipboardOwner() == main_; }, 1000);
}

}  // namespace clipboard_test
