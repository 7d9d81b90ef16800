// Times pasting as plain text, from the hotkey to the whole text in an edit control of ours in front,
// all measured in the same run under the same Wine: Nuvela (monitoring off, no processing option, so
// it takes the copy's formats, writes the text, pastes and puts the copy back) against a minimal
// program of ours that only puts the same text on the clipboard and sends Ctrl+V. A copy of text
// with an HTML format beside it, at 1 KiB and at 1 Mi characters. Prints the medians, their quartiles and the ratios.
//   nuvela_paste_bench.exe <Nuvela.exe> <nuvela_minimal_paster.exe> [rounds]
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

constexpr size_t kSizes[] = {1024, 1 << 20};
constexpr int kPastesPerRound = 5;
constexpr DWORD kStartDeadlineMs = 120000;
constexpr DWORD kPasteDeadlineMs = 60000;
constexpr DWORD kWarmUpPressMs = 2000;  // a subject's hotkey may be registered just after its window shows

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void PumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    do {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    } while (GetTickCount64() < end);
}

template <typename Done>
bool PumpUntil(Done done, DWORD deadlineMs) {
    const ULONGLONG deadline = GetTickCount64() + deadlineMs;
    while (!done()) {
        if (GetTickCount64() >= deadline) return done();
        PumpFor(0);
    }
    return true;
}

std::wstring MakeText(size_t units, int paste) {
    static const wchar_t words[] = L"lorem ipsum dolor sit amet consectetur adipiscing elit ";
    std::wstring text = std::to_wstring(paste) + L" ";
    while (text.size() < units) {
        text += words;
        if (text.size() % 7 == 0) text += L"\r\n";
    }
    text.resize(units);
    if (text.back() == L'\r') text.back() = L'.';  // a CR alone would not survive the edit control
    return text;
}

bool PutBlock(UINT format, const void* data, size_t size) {
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

bool CopyRichText(HWND owner, const std::wstring& text) {
    static const UINT html = RegisterClipboardFormatW(L"HTML Format");
    std::string htmlText = "<pre>";
    for (wchar_t unit : text) htmlText += static_cast<char>(unit < 0x80 ? unit : '?');
    htmlText += "</pre>";
    ClipboardSession session;
    if (!PumpUntil([&] { return session.Open(owner); }, 5000) || !EmptyClipboard()) return false;
    return PutBlock(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t)) &&
           PutBlock(html, htmlText.c_str(), htmlText.size() + 1);
}

// Pressed and let go at once: Nuvela waits up to a second for the hotkey's modifiers to be let go
// before it sends Ctrl+V, and that wait is the user's, not the paste's.
void PressHotkey() {
    auto key = [](WORD code, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        return input;
    };
    INPUT keys[] = {key(VK_CONTROL, false), key(VK_SHIFT, false), key(VK_F8, false),
                    key(VK_F8, true),       key(VK_SHIFT, true),  key(VK_CONTROL, true)};
    SendInput(static_cast<UINT>(std::size(keys)), keys, sizeof(INPUT));
}

struct Subject {
    const char* name;
    std::filesystem::path exe;
    const wchar_t* windowClass;
    bool putsTheCopyBack;
};

struct Target {
    UniqueWindow frame;
    HWND edit = nullptr;
};

// The display has mapped the target (xdotool finds it among the viewable windows): only then does
// Wine hand the keys on to the window in front.
bool TargetIsMapped() {
    using SpawnFunction = LONG(CDECL*)(char* const argv[], int wait);
    const auto spawn = reinterpret_cast<SpawnFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    const char* arguments[] = {"sh", "-c", "xdotool search --onlyvisible --name '^nuvela-paste-bench$' >/dev/null",
                               nullptr};
    return spawn && spawn(const_cast<char* const*>(arguments), 1) == 0;
}

Target MakeTarget() {
    Target target;
    target.frame.reset(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"nuvela-paste-bench", WS_POPUP | WS_VISIBLE, 0, 0,
                                       300, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    // A multiline edit without ES_AUTOVSCROLL refuses a paste that would not fit in its rows, so
    // only a short text would ever arrive.
    target.edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                  0, 0, 300, 300, target.frame.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(target.edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);  // past the default 32767, for the large copy
    // Keys go to the window in front; the display maps ours a moment after it is made.
    PumpUntil(
        [&] {
            SetForegroundWindow(target.frame.get());
            SetFocus(target.edit);
            return GetForegroundWindow() == target.frame.get() && GetFocus() == target.edit;
        },
        10000);
    if (!PumpUntil(TargetIsMapped, 15000)) std::fprintf(stderr, "the display did not map the target\n");
    return target;
}

size_t EditLength(HWND edit) { return static_cast<size_t>(GetWindowTextLengthW(edit)); }

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

HWND FindSubjectWindow(DWORD processId, const wchar_t* windowClass) {
    for (HWND window = FindWindowW(windowClass, nullptr); window;
         window = FindWindowExW(nullptr, window, windowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

// One paste of `text`: copied by us, pasted by the subject into the emptied edit; true when the
// whole text arrived. Nuvela's put-back is waited for, so the next copy does not race it.
bool PasteOnce(const Target& target, const Subject& subject, HWND window, const std::wstring& text, bool warmUp,
               double& elapsedMs) {
    SetWindowTextW(target.edit, L"");
    SetForegroundWindow(target.frame.get());
    SetFocus(target.edit);
    if (!CopyRichText(nullptr, text)) return false;
    PumpFor(50);  // the subject's notification of the copy comes and goes outside the timing
    const double start = Now();
    PressHotkey();
    bool pasted = false;
    if (warmUp) {
        for (ULONGLONG end = GetTickCount64() + kStartDeadlineMs; !pasted && GetTickCount64() < end;) {
            pasted = PumpUntil([&] { return EditLength(target.edit) == text.size(); }, kWarmUpPressMs);
            if (!pasted) PressHotkey();
        }
    } else {
        pasted = PumpUntil([&] { return EditLength(target.edit) == text.size(); }, kPasteDeadlineMs);
    }
    elapsedMs = Now() - start;
    if (!pasted) {
        std::fprintf(stderr, "%s did not paste %zu characters (the edit holds %zu; the clipboard %s the subject's)\n", subject.name, text.size(),
                     EditLength(target.edit), GetClipboardOwner() == window ? "is" : "is not");
        return false;
    }
    if (!subject.putsTheCopyBack) return true;
    static const UINT html = RegisterClipboardFormatW(L"HTML Format");
    if (PumpUntil([&] { return GetClipboardOwner() == window && IsClipboardFormatAvailable(html); }, kPasteDeadlineMs))
        return true;
    std::fprintf(stderr, "%s did not put the copy of %zu characters back\n", subject.name, text.size());
    return false;
}

// One round: start the subject, warm it up, time its pastes of each size, end it.
bool MeasureRound(const Target& target, const Subject& subject, std::vector<std::vector<double>>& times) {
    UniqueHandle process = StartProcess(subject.exe, L"");
    if (!process) return false;
    HWND window = nullptr;
    PumpUntil([&] { return (window = FindSubjectWindow(GetProcessId(process.get()), subject.windowClass)) != nullptr; },
              kStartDeadlineMs);
    if (!window) std::fprintf(stderr, "%s did not start\n", subject.name);
    double ignored = 0;
    bool ok = window && PasteOnce(target, subject, window, MakeText(kSizes[0], 0), true, ignored);
    std::vector<std::vector<double>> round(std::size(kSizes));
    for (size_t size = 0; ok && size < std::size(kSizes); ++size)
        for (int paste = 1; ok && paste <= kPastesPerRound; ++paste) {
            double elapsed = 0;
            ok = PasteOnce(target, subject, window, MakeText(kSizes[size], paste), false, elapsed);
            round[size].push_back(elapsed);
        }
    if (window) PostMessageW(window, subject.putsTheCopyBack ? WM_DESTROY : WM_CLOSE, 0, 0);
    if (!PumpUntil([&] { return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }, kStartDeadlineMs)) {
        TerminateProcess(process.get(), 1);
        ok = false;
    }
    if (!ok) {
        std::fprintf(stderr, "%s: a round failed\n", subject.name);
        return false;
    }
    for (size_t size = 0; size < std::size(kSizes); ++size)
        times[size].insert(times[size].end(), round[size].begin(), round[size].end());
    return true;
}

// The value a `fraction` of the way up the sorted values: 0.5 the median, 0.25 and 0.75 the quartiles.
double Quantile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

void WriteIni(const std::filesystem::path& path) {
    const std::wstring text =
        L"\xFEFF[Zelmora]\r\nNoOpeningDlg=1\r\nCBWatchEnabled=0\r\nSK1_VKEY=0\r\nSK2_VKEY=0\r\nSK3_VKEY=0\r\n"
        L"SK4_CTRL=1\r\nSK4_SHIFT=1\r\nSK4_VKEY=119\r\nSHOW_BALLOON=0\r\nPLAY_SOUND=0\r\nPASTE_RESTORE_MS=100\r\n";
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size() * sizeof(wchar_t)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: nuvela_paste_bench <Nuvela.exe> <nuvela_minimal_paster.exe> [rounds]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 4;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const auto folder = std::filesystem::path(temp) / (L"nuvela-paste-bench-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const Subject nuvela = {"Nuvela.exe", folder / L"Nuvela_o.exe", L"NuvelaClipboardText", true};
    const Subject minimal = {"the minimal paster", folder / L"nuvela_minimal_paster.exe", L"NuvelaMinimalPaster", false};
    std::filesystem::copy_file(argv[1], nuvela.exe, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(argv[2], minimal.exe, std::filesystem::copy_options::overwrite_existing);
    WriteIni(folder / L"Nuvela.ini");

    const Target target = MakeTarget();
    std::vector<std::vector<double>> nuvelaTimes(std::size(kSizes)), minimalTimes(std::size(kSizes));
    bool ok = true;
    // Alternating rounds, each starting with the other subject, so a drift of the load touches both.
    for (int round = 0; ok && round < rounds; ++round) {
        const bool nuvelaFirst = round % 2 == 0;
        ok = MeasureRound(target, nuvelaFirst ? nuvela : minimal, nuvelaFirst ? nuvelaTimes : minimalTimes) &&
             MeasureRound(target, nuvelaFirst ? minimal : nuvela, nuvelaFirst ? minimalTimes : nuvelaTimes);
    }
    if (OpenClipboard(target.frame.get())) {
        EmptyClipboard();
        CloseClipboard();
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (!ok) {
        std::fprintf(stderr, "no figure: a round failed (see above)\n");
        return 1;
    }
    for (size_t size = 0; size < std::size(kSizes); ++size) {
        const auto& nuvelaPastes = nuvelaTimes[size];
        const auto& minimalPastes = minimalTimes[size];
        const double nuvelaMs = Quantile(nuvelaPastes, 0.5), minimalMs = Quantile(minimalPastes, 0.5);
        std::printf("%zu characters with an HTML format beside it, %zu pastes each: Nuvela median %.1f ms "
                    "(quartiles %.1f-%.1f), minimal paster median %.1f ms (quartiles %.1f-%.1f), ratio %.2f "
                    "(target at most 1.20)\n",
                    kSizes[size], nuvelaPastes.size(), nuvelaMs, Quantile(nuvelaPastes, 0.25),
                    Quantile(nuvelaPastes, 0.75), minimalMs, Quantile(minimalPastes, 0.25),
                    Quantile(minimalPastes, 0.75), nuvelaMs / minimalMs);
    }
    return 0;
}
