// Times pasting as plain text, from the hotkey to the whole text in an edit control of ours in front,
// all measured in the same run under the same Wine: Nuvela (monitoring off, no processing option, so
// it takes the copy's formats, writes the text, pastes and puts the copy back) against a minimal
// program of ours that only puts the same text on the clipboard and sends Ctrl+V. A copy of text
// with an HTML format beside it, at 1 KiB and at 1 Mi characters. Prints the medians, their quartiles and the ratios.
//   nuvela_paste_bench.exe <Nuvela.exe> <nuvela_minimal_paster.exe> [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_driver.h"
#include "windows_system.h"

namespace {

constexpr size_t kSizes[] = {1024, 1 << 20};
constexpr int kPastesPerRound = 5;
constexpr DWORD kStartDeadlineMs = 120000;
constexpr DWORD kPasteDeadlineMs = 60000;
constexpr DWORD kWarmUpPressMs = 2000;  // a subject's hotkey may be registered just after its window shows

void PumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    do {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        PumpMessages();
    } while (GetTickCount64() < end);
}

std::wstring MakePasteText(size_t units, int paste) {
    std::wstring text = MakeText(paste, units);
    if (text.back() == L'\r') text.back() = L'.';  // a CR alone would not survive the edit control
    return text;
}

bool CopyRichText(HWND owner, const std::wstring& text) {
    std::string html = "<pre>";
    for (wchar_t unit : text) html += static_cast<char>(unit < 0x80 ? unit : '?');
    html += "</pre>";
    ClipboardSession session;
    return PumpUntil([&] { return session.Open(owner); }, 5000) && OfferTextWithHtml(text, html);
}

// Pressed and let go at once: Nuvela waits up to a second for the hotkey's modifiers to be let go
// before it sends Ctrl+V, and that wait is the user's, not the paste's.
void PressHotkey() {
    INPUT keys[] = {KeyInput(VK_CONTROL, false), KeyInput(VK_SHIFT, false), KeyInput(VK_F8, false),
                    KeyInput(VK_F8, true),       KeyInput(VK_SHIFT, true),  KeyInput(VK_CONTROL, true)};
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
    if (PumpUntil([&] { return GetClipboardOwner() == window && IsClipboardFormatAvailable(HtmlFormat()); },
                  kPasteDeadlineMs))
        return true;
    std::fprintf(stderr, "%s did not put the copy of %zu characters back\n", subject.name, text.size());
    return false;
}

// One round: start the subject, warm it up, time its pastes of each size, end it.
bool MeasureRound(const Target& target, const Subject& subject, std::vector<std::vector<double>>& times) {
    UniqueHandle process = StartProcess(subject.exe, L"");
    if (!process) return false;
    const HWND window = WaitForWindow(process.get(), subject.windowClass, kStartDeadlineMs);
    if (!window) std::fprintf(stderr, "%s did not start\n", subject.name);
    double ignored = 0;
    bool ok = window && PasteOnce(target, subject, window, MakePasteText(kSizes[0], 0), true, ignored);
    std::vector<std::vector<double>> round(std::size(kSizes));
    for (size_t size = 0; ok && size < std::size(kSizes); ++size)
        for (int paste = 1; ok && paste <= kPastesPerRound; ++paste) {
            double elapsed = 0;
            ok = PasteOnce(target, subject, window, MakePasteText(kSizes[size], paste), false, elapsed);
            round[size].push_back(elapsed);
        }
    if (window) PostMessageW(window, subject.putsTheCopyBack ? WM_DESTROY : WM_CLOSE, 0, 0);
    if (!WaitPumping(process.get(), kStartDeadlineMs)) {
        EndForcibly(process.get());
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: nuvela_paste_bench <Nuvela.exe> <nuvela_minimal_paster.exe> [rounds]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 4;
    const BenchFolder benchFolder(L"nuvela-paste-bench-");
    const std::filesystem::path& folder = benchFolder.path();
    const Subject nuvela = {"Nuvela.exe", folder / L"Nuvela_o.exe", L"NuvelaClipboardText", true};
    const Subject minimal = {"the minimal paster", folder / L"nuvela_minimal_paster.exe", L"NuvelaMinimalPaster", false};
    CopyProgram(argv[1], nuvela.exe);
    CopyProgram(argv[2], minimal.exe);
    // Monitoring off; hotkey 4 is Ctrl+Shift+F8, the minimal paster's.
    WriteQuietIni(folder / L"Nuvela.ini", L"CBWatchEnabled=0\r\nSK4_CTRL=1\r\nSK4_SHIFT=1\r\nSK4_VKEY=119\r\n"
                                          L"PASTE_RESTORE_MS=100\r\n");

    const Target target = MakeTarget();
    std::vector<std::vector<double>> nuvelaTimes(std::size(kSizes)), minimalTimes(std::size(kSizes));
    bool ok = true;
    // Alternating rounds, each starting with the other subject, so a drift of the load touches both.
    for (int round = 0; ok && round < rounds; ++round) {
        const bool nuvelaFirst = round % 2 == 0;
        ok = MeasureRound(target, nuvelaFirst ? nuvela : minimal, nuvelaFirst ? nuvelaTimes : minimalTimes) &&
             MeasureRound(target, nuvelaFirst ? minimal : nuvela, nuvelaFirst ? minimalTimes : nuvelaTimes);
    }
    EmptyClipboardAs(target.frame.get());
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
