// The line stage with every line option on, against `LC_ALL=C sort | uniq | expand -t4` over the
// same text in UTF-8, both in process and through nuvela-filter from file to file, and the whole
// engine over 100 MB to show that nothing grows faster than the text.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "options.h"
#include "pipeline.h"
#include "utf8.h"

namespace {

void SetEveryLineOption() {
    ProcessingOptions = {};
    ProcessingOptionsRecord& o = ProcessingOptions;
    o.FEL_TRIMLEFT = o.FEL_TRIMLEFT_FPSPACE = o.FEL_TRIMLEFT_TAB = o.FEL_TRIMLEFT_ZERO = o.FEL_TRIMLEFT_FPZERO = true;
    o.FEL_TRIMRIGHT = o.FEL_TRIMRIGHT_FPSPACE = o.FEL_TRIMRIGHT_TAB = true;
    o.FEL_SORTASC = o.FEL_UNIQ = o.FEL_DELBLANKLINE = o.TAB4SPACE = o.LC_LF = true;
}

struct Measure {
    double seconds;
    std::size_t peakBytes;
};

// Time and peak heap of ProcessText; the heap figure counts what the call holds at its worst,
// its input included, and nothing else of the program.
Measure MeasureProcessText(const std::wstring& text, int runs) {
    const double seconds = BestSeconds(runs, [&] {
        std::wstring output;
        ProcessText(L"", text.c_str(), output);
    });
    const std::size_t before = HeapInUse();
    ResetHeapPeak();
    {
        std::wstring output;
        ProcessText(L"", text.c_str(), output);
    }
    return {seconds, HeapPeak() - before + text.capacity() * sizeof(wchar_t)};
}

// The line stage may hold three times its text at most; the table stage adds its cells on top.
void PrintMemory(const char* name, const std::wstring& text, std::size_t peak, int target = 3) {
    const std::size_t held = text.size() * sizeof(wchar_t), utf16 = text.size() * 2;
    std::printf("%s peak heap: %.1f MB = %.2fx the text held (%.1f MB, %zu-byte units)", name, Megabytes(peak),
                static_cast<double>(peak) / static_cast<double>(held), Megabytes(held), sizeof(wchar_t));
    if (held != utf16) std::printf(", %.2fx its UTF-16 size", static_cast<double>(peak) / static_cast<double>(utf16));
    std::printf(" (target <= %dx)\n", target);
}

const char* const kReferenceCommand = "LC_ALL=C sort | uniq | expand -t4";

// nuvela-filter with every line option, from the file to /dev/null as the reference does.
std::string FilterCommand(const std::string& file) {
#ifdef NUVELA_FILTER_PROGRAM
    std::string command = "'" NUVELA_FILTER_PROGRAM "'";
    for (const char* key : {"FEL_TRIMLEFT", "FEL_TRIMLEFT_FPSPACE", "FEL_TRIMLEFT_TAB", "FEL_TRIMLEFT_ZERO",
                            "FEL_TRIMLEFT_FPZERO", "FEL_TRIMRIGHT", "FEL_TRIMRIGHT_FPSPACE", "FEL_TRIMRIGHT_TAB",
                            "FEL_SORTASC", "FEL_UNIQ", "FEL_DELBLANKLINE", "TAB4SPACE", "LC_LF"})
        command += std::string(" --set ") + key + "=1";
    return command + " < '" + file + "' > /dev/null";
#else
    (void)file;
    return {};
#endif
}

}  // namespace

// "--quick" measures the 25 MB case only. "--reference SECONDS" gives the reference's time measured
// just before by the host build of this program, for a build that cannot run the POSIX tools.
int main(int argc, char** argv) {
    bool quick = false;
    double givenReference = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--quick") quick = true;
        else if (argument == "--reference" && i + 1 < argc) givenReference = std::atof(argv[++i]);
    }
    std::size_t lines = 0;
    const std::wstring text = MakeLineStageText(25'000'000, lines, false);
    SetEveryLineOption();
    // Five runs each: on a shared machine the reference, three processes on two cores, varies most.
    constexpr int kRuns = 5;
    const Measure ours = MeasureProcessText(text, kRuns);
    std::printf("line-stage 25 MB, %zu lines, every line option: %.3f s\n", lines, ours.seconds);
    if (ShellAvailable()) {
        const auto file = ScratchFile("text-25MB.txt");
        WriteFile(file, EncodeUtf8(text));
        const std::string command = "LC_ALL=C sort '" + file.string() + "' | uniq | expand -t4 > /dev/null";
        bool ran = true;
        const double reference = BestSeconds(kRuns, [&] { ran = RunShellCommand(command) && ran; });
        if (ran) {
            std::printf("line-stage 25 MB ratio to %s (%.3f s): %.2f (target <= 1.0)\n", kReferenceCommand,
                        reference, ours.seconds / reference);
        } else {
            std::printf("line-stage 25 MB ratio: reference command failed\n");
        }
        const std::string filter = FilterCommand(file.string());
        if (ran && !filter.empty()) {
            bool filtered = true;
            const double through = BestSeconds(kRuns, [&] { filtered = RunShellCommand(filter) && filtered; });
            if (filtered) {
                std::printf("line-stage 25 MB through nuvela-filter, file to file: %.3f s, ratio to the reference: "
                            "%.2f (target <= 1.0)\n", through, through / reference);
            } else {
                std::printf("line-stage 25 MB through nuvela-filter: the filter failed\n");
            }
        }
    } else if (givenReference > 0) {
        std::printf("line-stage 25 MB ratio to %s measured by the host build just before (%.3f s): %.2f "
                    "(target <= 1.0)\n", kReferenceCommand, givenReference, ours.seconds / givenReference);
    }
    PrintMemory("line-stage 25 MB", text, ours.peakBytes);
    if (quick) return 0;

    std::size_t bigLines = 0;
    const std::wstring big = MakeLineStageText(100'000'000, bigLines, true);
    const double growth = static_cast<double>(big.size()) / static_cast<double>(text.size());
    const Measure large = MeasureProcessText(big, 2);  // best of two, as the 25 MB figure is a best run too
    std::printf("line-stage 100 MB, %zu lines, lone surrogates: %.3f s = %.2fx the 25 MB time for %.2fx the text "
                "(quadratic: %.0fx)\n", bigLines, large.seconds, large.seconds / ours.seconds, growth, growth * growth);
    PrintMemory("line-stage 100 MB", big, large.peakBytes);

    // Deletion, both sorts, the table stage and TAB expansion together.
    ProcessingOptionsRecord& o = ProcessingOptions;
    o.DelSpace = o.CSVTSV_CHANGEROWCOL = o.FEL_SORTDSC = true;
    o.MUL_BY_N = L"2.5";
    const Measure wholeSmall = MeasureProcessText(text, 2);
    const Measure whole = MeasureProcessText(big, 2);
    std::printf("every stage (deletion, line options, transpose, multiply) 100 MB: %.3f s = %.2fx its 25 MB time "
                "(%.3f s) for %.2fx the text\n", whole.seconds, whole.seconds / wholeSmall.seconds, wholeSmall.seconds,
                growth);
    PrintMemory("every stage 100 MB", big, whole.peakBytes, 4);

    SetEveryLineOption();
    const Measure tabsSmall = MeasureProcessText(std::wstring(25'000'000, L'\t'), 1);
    const Measure tabs = MeasureProcessText(std::wstring(100'000'000, L'\t'), 1);
    std::printf("one line of 100M TABs, every line option: %.3f s = %.2fx the time for 25M TABs\n", tabs.seconds,
                tabs.seconds / tabsSmall.seconds);
    return 0;
}
