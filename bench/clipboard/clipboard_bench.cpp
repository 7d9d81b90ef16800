// Times a copy of a large text by another program until the processed text is back on the
// clipboard: Nuvela (no processing options) against a minimal listener of ours that only rewrites
// the text, both measured in the same run under the same Wine. Prints the medians and their ratio.
//   nuvela_clipboard_bench.exe <Nuvela.exe> <nuvela_minimal_listener.exe> [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scoped_win.h"

namespace {

constexpr size_t kTextUnits = 1 << 20;  // 1 Mi characters, 2 MiB as UTF-16
constexpr int kCopiesPerRound = 5;
constexpr DWORD kDeadlineMs = 60000;

HWND subjectWindow = nullptr;
bool subjectWrote = false;

LRESULT CALLBACK DriverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The subject's write is complete once its notification arrives with the clipboard closed.
    if (message == WM_CLIPBOARDUPDATE && subjectWindow && GetClipboardOwner() == subjectWindow) subjectWrote = true;
    return DefWindowProcW(window, message, wParam, lParam);
}

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool PumpUntil(bool& flag, DWORD deadlineMs) {
    const ULONGLONG deadline = GetTickCount64() + deadlineMs;
    while (!flag && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    return flag;
}

// Lines of words, different for every copy, so no copy equals the one before.
std::wstring MakeText(int copy) {
    static const wchar_t words[] = L"lorem ipsum dolor sit amet consectetur adipiscing elit ";
    std::wstring text;
    text.reserve(kTextUnits);
    text += std::to_wstring(copy) + L" ";
    while (text.size() < kTextUnits) {
        text += words;
        if (text.size() % 7 == 0) text += L"\r\n";
    }
    text.resize(kTextUnits);
    return text;
}

bool CopyText(HWND owner, const std::wstring& text) {
    ClipboardSession session;
    for (int attempt = 0; attempt < 200 && !session.Open(owner); ++attempt) Sleep(5);
    if (!session.IsOpen() || !EmptyClipboard()) return false;
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
    if (!block) return false;
    {
        GlobalMemoryLock lock(block.get());
        std::memcpy(lock.data(), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    if (!SetClipboardData(CF_UNICODETEXT, block.get())) return false;
    block.release();
    return true;
}

size_t ClipboardTextLength() {
    ClipboardSession session;
    if (!session.Open(nullptr)) return 0;
    HANDLE handle = GetClipboardData(CF_UNICODETEXT);
    GlobalMemoryLock lock(handle);
    const auto* text = static_cast<const wchar_t*>(lock.data());
    return text ? wcsnlen(text, GlobalSize(handle) / sizeof(wchar_t)) : 0;
}

struct Subject {
    const wchar_t* name;
    std::filesystem::path exe;
    const wchar_t* windowClass;
    std::wstring endArguments;  // empty: ended by WM_CLOSE
};

struct FoundWindow {
    DWORD processId;
    const wchar_t* windowClass;
    HWND window;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* found = reinterpret_cast<FoundWindow*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (processId != found->processId || lstrcmpW(name, found->windowClass) != 0) return TRUE;
    found->window = window;
    return FALSE;
}

UniqueHandle StartProcess(const std::filesystem::path& exe, const std::wstring& arguments) {
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

// One round: start the subject, warm it up with one copy, time the copies, end it.
bool MeasureRound(HWND driver, const Subject& subject, std::vector<double>& times) {
    UniqueHandle process = StartProcess(subject.exe, L"");
    if (!process) return false;
    FoundWindow found = {GetProcessId(process.get()), subject.windowClass, nullptr};
    const ULONGLONG deadline = GetTickCount64() + kDeadlineMs;
    while (!found.window && GetTickCount64() < deadline) {
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&found));
        if (!found.window) Sleep(20);
    }
    subjectWindow = found.window;
    bool ok = subjectWindow != nullptr;
    for (int copy = 0; ok && copy <= kCopiesPerRound; ++copy) {
        const std::wstring text = MakeText(copy);
        subjectWrote = false;
        const double start = Now();
        ok = CopyText(driver, text) && PumpUntil(subjectWrote, kDeadlineMs);
        const double elapsed = Now() - start;
        ok = ok && ClipboardTextLength() == text.size();
        if (ok && copy > 0) times.push_back(elapsed);  // copy 0 warms the subject up
    }
    subjectWindow = nullptr;
    if (subject.endArguments.empty()) {
        PostMessageW(found.window, WM_CLOSE, 0, 0);
    } else {
        UniqueHandle second = StartProcess(subject.exe, subject.endArguments);
        if (second) WaitForSingleObject(second.get(), kDeadlineMs);
    }
    if (WaitForSingleObject(process.get(), kDeadlineMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        ok = false;
    }
    return ok;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::filesystem::path MakeBenchFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    auto folder = std::filesystem::path(temp) / (L"nuvela-bench-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    return folder;
}

// Settings of the measured Nuvela: no processing option, no balloon, no sound, no hotkeys.
void WriteIni(const std::filesystem::path& path) {
    const std::wstring text = L"\xFEFF[Zelmora]\r\nNoOpeningDlg=1\r\nSK1_VKEY=0\r\nSK2_VKEY=0\r\nSHOW_BALLOON=0\r\n"
                              L"PLAY_SOUND=0\r\n";
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size() * sizeof(wchar_t)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: nuvela_clipboard_bench <Nuvela.exe> <nuvela_minimal_listener.exe> [rounds]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 3;
    const std::filesystem::path folder = MakeBenchFolder();
    Subject nuvela = {L"Nuvela", folder / L"Nuvela_o.exe", L"NuvelaClipboardText", L" /X"};
    Subject minimal = {L"minimal listener", folder / L"nuvela_minimal_listener.exe", L"NuvelaMinimalListener", L""};
    std::filesystem::copy_file(argv[1], nuvela.exe, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(argv[2], minimal.exe, std::filesystem::copy_options::overwrite_existing);
    WriteIni(folder / L"Nuvela.ini");

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DriverProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"NuvelaBenchDriver";
    RegisterClassW(&windowClass);
    UniqueWindow driver(CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                        windowClass.hInstance, nullptr));
    AddClipboardFormatListener(driver.get());

    // Alternating rounds, so a drift of the machine's load touches both alike.
    std::vector<double> nuvelaTimes, minimalTimes;
    bool ok = true;
    for (int round = 0; ok && round < rounds; ++round) {
        ok = MeasureRound(driver.get(), nuvela, nuvelaTimes) && MeasureRound(driver.get(), minimal, minimalTimes);
    }
    RemoveClipboardFormatListener(driver.get());
    if (OpenClipboard(driver.get())) {
        EmptyClipboard();
        CloseClipboard();
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (!ok) {
        std::fprintf(stderr, "a round failed: a subject did not start, process or end\n");
        return 1;
    }
    const double nuvelaMs = Median(nuvelaTimes), minimalMs = Median(minimalTimes);
    std::printf("text: %zu characters; %zu copies each\n", kTextUnits, nuvelaTimes.size());
    std::printf("Nuvela:           median %.1f ms\n", nuvelaMs);
    std::printf("minimal listener: median %.1f ms\n", minimalMs);
    std::printf("ratio: %.2f (target at most 1.20)\n", nuvelaMs / minimalMs);
    return 0;
}
