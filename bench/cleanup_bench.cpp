// The text cleanup: the line stage's pipeline over the 25 MB text with all five cleanup settings on,
// against the same pipeline with them off, measured in the same run (in process, and on the host
// through nuvela-filter from file to file); then a 10 MB single line and a 10 MB single paragraph
// against smaller ones, to show that no stage grows faster than the text.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "bench_support.h"
#include "options.h"
#include "pipeline.h"
#include "text_cleanup.h"
#include "utf8.h"

namespace {

constexpr const char* kLineOptions[] = {"FEL_TRIMLEFT", "FEL_TRIMLEFT_FPSPACE", "FEL_TRIMLEFT_TAB",
                                        "FEL_TRIMLEFT_ZERO", "FEL_TRIMLEFT_FPZERO", "FEL_TRIMRIGHT",
                                        "FEL_TRIMRIGHT_FPSPACE", "FEL_TRIMRIGHT_TAB", "FEL_SORTASC", "FEL_UNIQ",
                                        "FEL_DELBLANKLINE", "TAB4SPACE", "LC_LF"};
constexpr const char* kCleanupOptions[] = {"CLN_INVISIBLE", "CLN_SPACES", "CLN_QUOTES", "CLN_UNWRAP"};

void SetOptions(bool cleanup) {
    ProcessingOptions = {};
    ProcessingOptionsRecord& o = ProcessingOptions;
    o.FEL_TRIMLEFT = o.FEL_TRIMLEFT_FPSPACE = o.FEL_TRIMLEFT_TAB = o.FEL_TRIMLEFT_ZERO = o.FEL_TRIMLEFT_FPZERO = true;
    o.FEL_TRIMRIGHT = o.FEL_TRIMRIGHT_FPSPACE = o.FEL_TRIMRIGHT_TAB = true;
    o.FEL_SORTASC = o.FEL_UNIQ = o.FEL_DELBLANKLINE = o.TAB4SPACE = o.LC_LF = true;
    o.CLN_INVISIBLE = o.CLN_SPACES = o.CLN_QUOTES = o.CLN_UNWRAP = cleanup;
    o.CLN_NORMALIZE = cleanup ? kNormalizeNfc : kNormalizeNone;
}

double TimeProcessText(const std::wstring& text, int runs) {
    return BestSeconds(runs, [&] {
        std::wstring output;
        ProcessText(L"", text.c_str(), output);
    });
}

// Prose as it comes out of a PDF or a web page: every unit the cleanup acts on, and hyphenated words.
std::wstring MakeWebText(std::size_t units, bool lineBreaks) {
    static const wchar_t* const pieces[] = {
        L"The exam-", L"ple\u00A0shows ", L"\u201Cquoted\u201D ", L"it\u2019s ", L"a\u200B", L"\u2014dash ",
        L"more\u2026 ", L"\u65E5\u672C\u8A9E\u306E", L"\u6587\u7AE0", L"Cafe\u0301 ", L"\uFF83\uFF9E\uFF70\uFF80 ",
        L"\u202Abidi\u202C ", L"word ", L"\u3000",
    };
    std::wstring text;
    text.reserve(units + 64);
    for (std::size_t i = 0; text.size() < units; ++i) {
        text += pieces[i % std::size(pieces)];
        if (lineBreaks && i % 7 == 6) text += i % 3 == 0 ? L"\r\n" : L"\n";  // never a blank line
    }
    text.resize(units);
    return text;
}

// Time per unit at 2.5, 5 and 10 MB: it stays level when the work grows with the text and doubles
// with each doubling when it grows with its square. The step from 2.5 MB is the one where the
// buffers outgrow the processor's cache, so the 10 MB figure is set against the 5 MB one.
void PrintGrowth(const char* name, bool lineBreaks) {
    SetOptions(true);
    ProcessingOptions.CLN_NORMALIZE = kNormalizeNfkc;  // the stage that rewrites the most
    double nanoseconds[3] = {};
    const std::size_t sizes[3] = {2'500'000, 5'000'000, 10'000'000};
    for (int i = 0; i < 3; ++i)
        nanoseconds[i] = TimeProcessText(MakeWebText(sizes[i], lineBreaks), 5) * 1e9 / static_cast<double>(sizes[i]);
    std::printf("cleanup, %s, 10 MB: %.3f s = %.2fx the 5 MB time for 2x the text (quadratic: 4x); ns per unit at "
                "2.5 / 5 / 10 MB: %.1f / %.1f / %.1f\n", name, nanoseconds[2] * 10e6 / 1e9,
                2 * nanoseconds[2] / nanoseconds[1], nanoseconds[0], nanoseconds[1], nanoseconds[2]);
}

std::string FilterCommand(const std::string& file, bool cleanup) {
#ifdef NUVELA_FILTER_PROGRAM
    std::string command = "'" NUVELA_FILTER_PROGRAM "'";
    for (const char* key : kLineOptions) command += std::string(" --set ") + key + "=1";
    if (cleanup) {
        for (const char* key : kCleanupOptions) command += std::string(" --set ") + key + "=1";
        command += " --set CLN_NORMALIZE=1";
    }
    return command + " < '" + file + "' > /dev/null";
#else
    (void)file;
    (void)cleanup;
    return {};
#endif
}

void PrintFilterRatio(const std::wstring& text, int runs) {
    const std::string off = FilterCommand("", false);
    if (off.empty() || !ShellAvailable()) return;
    const auto file = ScratchFile("text-25MB.txt");
    WriteFile(file, EncodeUtf8(text));
    bool ran = true;
    double without = 1e300, with = 1e300;
    for (int round = 0; round < runs; ++round) {
        without = std::min(without, BestSeconds(1, [&] { ran = RunShellCommand(FilterCommand(file.string(), false)) && ran; }));
        with = std::min(with, BestSeconds(1, [&] { ran = RunShellCommand(FilterCommand(file.string(), true)) && ran; }));
    }
    if (!ran) {
        std::printf("cleanup 25 MB through nuvela-filter: the filter failed\n");
        return;
    }
    std::printf("cleanup 25 MB through nuvela-filter, file to file: all five on %.3f s, off %.3f s, ratio %.2f "
                "(target <= 1.5)\n", with, without, with / without);
}

}  // namespace

// Takes no options; "--quick" from scripts/bench.sh changes nothing, as no case here is of 100 MB.
int main() {
    std::size_t lines = 0;
    const std::wstring text = MakeLineStageText(25'000'000, lines, false);
    constexpr int kRuns = 5;
    // Alternating runs, so a busy spell of the shared machine falls on both sides alike.
    double without = 1e300, with = 1e300;
    for (int round = 0; round < kRuns; ++round) {
        SetOptions(false);
        without = std::min(without, TimeProcessText(text, 1));
        SetOptions(true);
        with = std::min(with, TimeProcessText(text, 1));
    }
    std::printf("cleanup 25 MB, %zu lines, every line option: all five on %.3f s, off %.3f s, ratio %.2f "
                "(target <= 1.5)\n", lines, with, without, with / without);
    PrintFilterRatio(text, kRuns);
    PrintGrowth("one line", false);
    PrintGrowth("one paragraph", true);
    return 0;
}
