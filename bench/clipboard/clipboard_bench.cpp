// Times a copy of a text, with an HTML format beside it, by another program until the processed
// text is back on the clipboard, all measured in the same run under the same Wine, for a large
// text (where copying the data costs most) and a small one (what users copy most, where the fixed
// costs of every copy show):
// Nuvela (no processing options) against a minimal listener of ours that only rewrites the text;
// Nuvela keeping the original (the default) against Nuvela with KEEP_ORIGINAL=0; and Nuvela with a
// program rule set (which still processes the driver's copies, so finding whose copy it is costs
// what it costs) against Nuvela without one. Prints the medians and the ratios.
//   nuvela_clipboard_bench.exe <Nuvela.exe> <nuvela_minimal_listener.exe> [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "bench_driver.h"

namespace {

struct TextSize {
    const char* name;
    size_t units;
};
constexpr TextSize kTextSizes[] = {{"1 Mi characters", 1 << 20}, {"1 Ki characters", 1 << 10}};
constexpr size_t kSizeCount = std::size(kTextSizes);
constexpr int kCopiesPerRound = 10;  // of each size
// Waits scale with the subject's measured start-up, so a busy machine stretches them alike; the
// floor keeps a fast start from making them short, the first start has nothing to scale by yet.
constexpr DWORD kFirstStartDeadlineMs = 180000;
constexpr DWORD kMinimumDeadlineMs = 60000;
constexpr double kDeadlinePerStartUp = 40.0;

HWND subjectWindow = nullptr;
bool subjectWrote = false;

LRESULT CALLBACK DriverProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The subject's write is complete once its notification arrives with the clipboard closed.
    if (message == WM_CLIPBOARDUPDATE && subjectWindow && GetClipboardOwner() == subjectWindow) subjectWrote = true;
    return DefWindowProcW(window, message, wParam, lParam);
}

// Another program (Wine's own clipboard thread among them) may hold the clipboard for a moment.
bool OpenWithin(ClipboardSession& session, HWND owner, DWORD deadlineMs) {
    const ULONGLONG deadline = GetTickCount64() + deadlineMs;
    while (!session.Open(owner) && GetTickCount64() < deadline) Sleep(5);
    return session.IsOpen();
}

// The same text as "HTML Format" (its words are ASCII, so the UTF-8 is the text itself), with the
// header and offsets a browser writes.
std::string MakeHtml(const std::wstring& text) {
    static const char kHeader[] =
        "Version:0.9\r\nStartHTML:%010llu\r\nEndHTML:%010llu\r\nStartFragment:%010llu\r\nEndFragment:%010llu\r\n";
    const std::string start = "<html><body><!--StartFragment--><pre>";
    const std::string end = "</pre><!--EndFragment--></body></html>";
    const auto body = static_cast<unsigned long long>(std::snprintf(nullptr, 0, kHeader, 0ULL, 0ULL, 0ULL, 0ULL));
    const unsigned long long total = body + start.size() + text.size() + end.size();
    char header[160];
    std::snprintf(header, sizeof header, kHeader, body, total, body + start.size(), total - end.size());
    std::string html = header + start;
    html.reserve(total + 1);
    for (wchar_t unit : text) html += static_cast<char>(unit < 0x80 ? unit : '?');
    return html + end;
}

bool CopyText(HWND owner, const std::wstring& text, DWORD deadlineMs) {
    const std::string html = MakeHtml(text);
    ClipboardSession session;
    return OpenWithin(session, owner, deadlineMs) && OfferTextWithHtml(text, html);
}

size_t ClipboardTextLength(DWORD deadlineMs) {
    ClipboardSession session;
    if (!OpenWithin(session, nullptr, deadlineMs)) return 0;
    HANDLE handle = GetClipboardData(CF_UNICODETEXT);
    GlobalMemoryLock lock(handle);
    const auto* text = static_cast<const wchar_t*>(lock.data());
    return text ? wcsnlen(text, GlobalSize(handle) / sizeof(wchar_t)) : 0;
}

struct Subject {
    const char* name;
    std::filesystem::path exe;
    const wchar_t* windowClass;
    std::wstring endArguments;  // empty: ended by WM_CLOSE
    std::wstring startArguments = {};  // after the program's name, as in "/X"
    double startUpMs = 0;       // the longest start so far; 0 before the first
};

DWORD ScaledDeadline(const Subject& subject) {
    if (subject.startUpMs <= 0) return kFirstStartDeadlineMs;
    const double scaled = subject.startUpMs * kDeadlinePerStartUp;
    return scaled > kMinimumDeadlineMs ? static_cast<DWORD>(scaled) : kMinimumDeadlineMs;
}

// What went wrong in a round, said as "<subject> did not <step> ...".
struct Failure {
    const char* step = nullptr;  // nullptr: the round succeeded
    int copy = -1;
    const char* size = nullptr;  // of the copy that failed
    DWORD waitedMs = 0;
    bool exited = false;  // the subject ended by itself before the deadline
};

void PrintFailure(const char* prefix, const Subject& subject, const Failure& failure) {
    std::fprintf(stderr, "%s: %s did not %s", prefix, subject.name, failure.step);
    if (failure.copy == 0) std::fprintf(stderr, " the warm-up copy of %s", failure.size);
    if (failure.copy > 0) std::fprintf(stderr, " copy %d of %d of %s", failure.copy, kCopiesPerRound, failure.size);
    if (failure.exited) {
        std::fprintf(stderr, ": it ended by itself\n");
    } else {
        std::fprintf(stderr, " within %.1f s\n", failure.waitedMs / 1000.0);
    }
}

// A subject's copies of one size, and the median of each round's: a round is set against the other
// subjects' rounds of the same number, which ran within seconds of it, so a spell of load from
// other work on the machine touches both sides of a ratio alike.
struct Timings {
    std::vector<double> copies;
    std::vector<double> roundMedians;
};
using SizeTimings = Timings[kSizeCount];

// Copy 0 of each size warms the subject up; the timed copies are kept only when the whole round
// succeeds.
Failure CopyAndTime(HWND driver, HWND window, DWORD deadlineMs, const TextSize& size, std::vector<double>& times) {
    subjectWindow = window;
    Failure failure;
    for (int copy = 0; !failure.step && copy <= kCopiesPerRound; ++copy) {
        const std::wstring text = MakeText(copy, size.units);
        subjectWrote = false;
        const double start = Now();
        const bool wrote =
            CopyText(driver, text, deadlineMs) && PumpUntil([] { return subjectWrote; }, deadlineMs, 50);
        const double elapsed = Now() - start;
        if (wrote && ClipboardTextLength(deadlineMs) == text.size()) {
            if (copy > 0) times.push_back(elapsed);
        } else {
            failure = {"process", copy, size.name, deadlineMs};
        }
    }
    subjectWindow = nullptr;
    return failure;
}

bool EndSubject(const Subject& subject, HWND window, HANDLE process, DWORD deadlineMs) {
    if (subject.endArguments.empty()) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    } else {
        UniqueHandle second = StartProcess(subject.exe, subject.endArguments);
        if (second) WaitPumping(second.get(), deadlineMs);
    }
    return WaitPumping(process, deadlineMs);
}

// One round: start the subject, time its copies, end it. The subject never outlives the round.
Failure MeasureRound(HWND driver, Subject& subject, SizeTimings& timings) {
    const DWORD startDeadlineMs = ScaledDeadline(subject);
    const double started = Now();
    UniqueHandle process = StartProcess(subject.exe, subject.startArguments);
    if (!process) return {"start"};
    const HWND window = WaitForWindow(process.get(), subject.windowClass, startDeadlineMs);
    if (!window) {
        const bool exited = WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
        EndForcibly(process.get());
        return {"start", -1, nullptr, startDeadlineMs, exited};
    }
    subject.startUpMs = std::max(subject.startUpMs, Now() - started);
    const DWORD deadlineMs = ScaledDeadline(subject);
    std::vector<double> roundTimes[kSizeCount];
    Failure failure;
    for (size_t size = 0; !failure.step && size < kSizeCount; ++size)
        failure = CopyAndTime(driver, window, deadlineMs, kTextSizes[size], roundTimes[size]);
    if (!EndSubject(subject, window, process.get(), deadlineMs)) {
        EndForcibly(process.get());
        if (!failure.step) failure = {"end", -1, nullptr, deadlineMs};
    }
    if (failure.step) return failure;
    for (size_t size = 0; size < kSizeCount; ++size) {
        timings[size].copies.insert(timings[size].copies.end(), roundTimes[size].begin(), roundTimes[size].end());
        timings[size].roundMedians.push_back(Median(roundTimes[size]));
    }
    return failure;
}

// A round that fails is tried once more, so one stall of a busy machine does not lose the figure.
bool MeasureRoundRetried(HWND driver, Subject& subject, int round, SizeTimings& timings) {
    char prefix[64];
    for (int attempt = 1; attempt <= 2; ++attempt) {
        const Failure failure = MeasureRound(driver, subject, timings);
        if (!failure.step) return true;
        std::snprintf(prefix, sizeof prefix, "round %d, attempt %d of 2", round + 1, attempt);
        PrintFailure(prefix, subject, failure);
    }
    return false;
}

// The median of the rounds' ratios, and their quartiles as its spread.
struct Ratio {
    double median, low, high;
};

Ratio RoundRatio(const Timings& subject, const Timings& reference) {
    std::vector<double> ratios;
    for (size_t round = 0; round < std::min(subject.roundMedians.size(), reference.roundMedians.size()); ++round)
        ratios.push_back(subject.roundMedians[round] / reference.roundMedians[round]);
    std::sort(ratios.begin(), ratios.end());
    if (ratios.empty()) return {0, 0, 0};
    return {ratios[ratios.size() / 2], ratios[ratios.size() / 4], ratios[ratios.size() * 3 / 4]};
}

void PrintRatio(const char* label, const Timings& subject, const Timings& reference, const char* target) {
    const Ratio ratio = RoundRatio(subject, reference);
    std::printf("  %s: %.2f (rounds' quartiles %.2f-%.2f)%s\n", label, ratio.median, ratio.low, ratio.high, target);
}

// Settings of the measured Nuvela: quiet, no processing option; the original kept or not, and
// whatever else is asked for.
void WriteIni(const std::filesystem::path& path, bool keepOriginal, const std::wstring& more = L"") {
    WriteQuietIni(path, L"KEEP_ORIGINAL=" + std::wstring(keepOriginal ? L"1" : L"0") + L"\r\n" + more);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: nuvela_clipboard_bench <Nuvela.exe> <nuvela_minimal_listener.exe> [rounds]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 16;
    const BenchFolder benchFolder(L"nuvela-bench-");
    const std::filesystem::path& folder = benchFolder.path();
    Subject nuvela = {"Nuvela.exe", folder / L"Nuvela_o.exe", L"NuvelaClipboardText", L" /X"};
    Subject keepOff = {"Nuvela.exe without keeping", folder / L"keep-off" / L"Nuvela_o.exe", L"NuvelaClipboardText",
                       L" /X"};
    Subject minimal = {"the minimal listener", folder / L"nuvela_minimal_listener.exe", L"NuvelaMinimalListener", L""};
    Subject asking = {"the minimal listener asking the owner first", minimal.exe, L"NuvelaMinimalListener", L"",
                      L" /ask-owner"};
    CopyProgram(argv[1], nuvela.exe);
    CopyProgram(argv[1], keepOff.exe);
    CopyProgram(argv[2], minimal.exe);
    WriteIni(folder / L"Nuvela.ini", true);
    WriteIni(keepOff.exe.parent_path() / L"Nuvela.ini", false);
    // A rule that lists other programs: every copy is looked up and then processed as without one.
    Subject ruled = {"Nuvela.exe with a program rule", folder / L"rule" / L"Nuvela_o.exe", L"NuvelaClipboardText", L" /X"};
    CopyProgram(argv[1], ruled.exe);
    WriteIni(folder / L"rule" / L"Nuvela.ini", true, L"APP_RULE=1\r\nAPP_LIST=EXCEL.EXE;soffice.bin;POWERPNT.EXE\r\n");

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DriverProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"NuvelaBenchDriver";
    RegisterClassW(&windowClass);
    UniqueWindow driver(CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                        windowClass.hInstance, nullptr));
    AddClipboardFormatListener(driver.get());

    // Alternating rounds, so a drift of the machine's load touches all alike, each round starting
    // with the next subject, so none is always the one that follows another's start and end.
    SizeTimings nuvelaTimes, keepOffTimes, minimalTimes, ruledTimes, askingTimes;
    const std::pair<Subject*, SizeTimings*> subjects[] = {{&nuvela, &nuvelaTimes},
                                                          {&keepOff, &keepOffTimes},
                                                          {&minimal, &minimalTimes},
                                                          {&ruled, &ruledTimes},
                                                          {&asking, &askingTimes}};
    constexpr int kSubjects = static_cast<int>(std::size(subjects));
    bool ok = true;
    for (int round = 0; ok && round < rounds; ++round) {
        for (int turn = 0; ok && turn < kSubjects; ++turn) {
            const auto& [subject, times] = subjects[(round + turn) % kSubjects];
            ok = MeasureRoundRetried(driver.get(), *subject, round, *times);
        }
    }
    RemoveClipboardFormatListener(driver.get());
    EmptyClipboardAs(driver.get());
    if (!ok) {
        std::fprintf(stderr, "no figure: a round failed twice (see above)\n");
        return 1;
    }
    std::printf("start-up: Nuvela %.0f ms, without keeping %.0f ms, minimal listener %.0f ms (longest)\n",
                nuvela.startUpMs, keepOff.startUpMs, minimal.startUpMs);
    constexpr const char* kTarget = " (target at most 1.10)";
    for (size_t size = 0; size < kSizeCount; ++size) {
        const Timings &nuvelaSize = nuvelaTimes[size], &keepOffSize = keepOffTimes[size];
        const Timings &minimalSize = minimalTimes[size], &ruledSize = ruledTimes[size];
        const Timings& askingSize = askingTimes[size];
        std::printf("\n%s with an HTML format beside it, %zu copies each; medians of all copies:\n",
                    kTextSizes[size].name, nuvelaSize.copies.size());
        std::printf("  Nuvela %.2f ms, without keeping %.2f ms, with a program rule %.2f ms, "
                    "minimal listener %.2f ms, asking the owner first %.2f ms\n",
                    Median(nuvelaSize.copies), Median(keepOffSize.copies), Median(ruledSize.copies),
                    Median(minimalSize.copies), Median(askingSize.copies));
        std::printf("  ratios, each the median of the rounds' ratios:\n");
        PrintRatio("Nuvela against the minimal listener", nuvelaSize, minimalSize, kTarget);
        PrintRatio("without keeping against the minimal listener, which keeps nothing either", keepOffSize,
                   minimalSize, "");
        // Nuvela asks another program's owner whether it answers before it reads anything; this
        // shows the rest of its work against a listener that asks the same.
        PrintRatio("Nuvela against the minimal listener asking the owner first", nuvelaSize, askingSize, "");
        PrintRatio("asking the owner first, the minimal listener with/without", askingSize, minimalSize, "");
        PrintRatio("keeping the original, on/off", nuvelaSize, keepOffSize, kTarget);
        PrintRatio("program rule against none", ruledSize, nuvelaSize, kTarget);
    }
    return 0;
}
