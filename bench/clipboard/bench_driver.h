#pragma once
// What the clipboard and the paste benchmark drivers share: the clock, waiting with messages pumped,
// starting and ending the measured programs in a folder of their own with quiet settings, the copy
// they are given, and the median.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include "scoped_win.h"

// Milliseconds from the performance counter.
inline double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

inline void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Pumps messages until done() holds or the deadline passes; done() is asked again whenever a
// message arrives, and every pollMs besides. Returns done() at the end.
template <typename Done>
bool PumpUntil(Done done, DWORD deadlineMs, DWORD pollMs = 1) {
    const ULONGLONG deadline = GetTickCount64() + deadlineMs;
    while (!done()) {
        if (GetTickCount64() >= deadline) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, pollMs, QS_ALLINPUT);
        PumpMessages();
    }
    return true;
}

// Waits for `handle` to be signalled, answering messages meanwhile: a subject that sends to every
// top-level window on its way out would otherwise wait for us.
inline bool WaitPumping(HANDLE handle, DWORD deadlineMs) {
    const ULONGLONG deadline = GetTickCount64() + deadlineMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        const DWORD left = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50));
        if (MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_ALLINPUT) == WAIT_OBJECT_0) return true;
        PumpMessages();
    }
}

inline UniqueHandle StartProcess(const std::filesystem::path& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"" + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        exe.parent_path().c_str(), &startup, &info))
        return UniqueHandle();
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

inline HWND FindProcessWindow(DWORD processId, const wchar_t* windowClass) {
    for (HWND window = FindWindowW(windowClass, nullptr); window;
         window = FindWindowExW(nullptr, window, windowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

// The top-level window of `windowClass` that `process` shows; nullptr when the deadline passes or
// the process ends first.
inline HWND WaitForWindow(HANDLE process, const wchar_t* windowClass, DWORD deadlineMs) {
    HWND window = nullptr;
    PumpUntil(
        [&] {
            window = FindProcessWindow(GetProcessId(process), windowClass);
            return window || WaitForSingleObject(process, 0) != WAIT_TIMEOUT;
        },
        deadlineMs, 20);
    return window;
}

// For a subject that did not end when told to, or did not start properly.
inline void EndForcibly(HANDLE process) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
}

// A folder of its own in the temp folder, named `prefix` and our process id, for the measured
// programs and their settings; removed with the object.
class BenchFolder {
public:
    explicit BenchFolder(const wchar_t* prefix) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        path_ = std::filesystem::path(temp) / (prefix + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(path_);
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Copies the program to measure to `exe`, making its folder.
inline void CopyProgram(const std::filesystem::path& from, const std::filesystem::path& exe) {
    std::filesystem::create_directories(exe.parent_path());
    std::filesystem::copy_file(from, exe, std::filesystem::copy_options::overwrite_existing);
}

// Settings of a measured Nuvela that keep it quiet: no opening dialog, no hotkeys 1 to 3, no
// balloon, no sound; `more` adds what the benchmark needs.
inline void WriteQuietIni(const std::filesystem::path& path, const std::wstring& more) {
    const std::wstring text = L"\xFEFF[Zelmora]\r\nNoOpeningDlg=1\r\nSK1_VKEY=0\r\nSK2_VKEY=0\r\nSK3_VKEY=0\r\n"
                              L"SHOW_BALLOON=0\r\nPLAY_SOUND=0\r\n" +
                              more;
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size() * sizeof(wchar_t)));
}

// Lines of words, different for every `number`, so no copy equals the one before.
inline std::wstring MakeText(int number, size_t units) {
    static const wchar_t words[] = L"lorem ipsum dolor sit amet consectetur adipiscing elit ";
    std::wstring text;
    text.reserve(units);
    text += std::to_wstring(number) + L" ";
    while (text.size() < units) {
        text += words;
        if (text.size() % 7 == 0) text += L"\r\n";
    }
    text.resize(units);
    return text;
}

inline UINT HtmlFormat() {
    static const UINT html = RegisterClipboardFormatW(L"HTML Format");
    return html;
}

inline bool PutBlock(UINT format, const void* data, size_t size) {
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!block) return false;
    {
        GlobalMemoryLock lock(block.get());
        std::memcpy(lock.data(), data, size);
    }
    if (!SetClipboardData(format, block.get())) return false;
    block.release();
    return true;
}

// With the clipboard open: empties it and offers `text` with `html` beside it as "HTML Format".
inline bool OfferTextWithHtml(const std::wstring& text, const std::string& html) {
    return EmptyClipboard() && PutBlock(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t)) &&
           PutBlock(HtmlFormat(), html.c_str(), html.size() + 1);
}

// Leaves nothing of ours on the clipboard once the benchmark is done.
inline void EmptyClipboardAs(HWND owner) {
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// The value a `fraction` of the way up the sorted values: 0.5 the median, 0.25 and 0.75 the quartiles.
inline double Quantile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

// The middle value, the upper one of the two middle ones for an even count.
inline double Median(std::vector<double> values) { return Quantile(std::move(values), 0.5); }
