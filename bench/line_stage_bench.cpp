// The line stage with every line option on, against `LC_ALL=C sort | uniq | expand -t4` over the
// same text in UTF-8, both in process and through nuvela-filter from file to file, and the whole
// engine over 100 MB to show that nothing grows faster than the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "options.h"
#include "pipeline.h"
#include "utf8.h"

namespace {

// The same numbers in every build, unlike the standard distributions.
class TextRandom {
public:
    explicit TextRandom(std::uint64_t seed) : state_(seed) {}
    std::uint32_t Next(std::uint32_t bound) {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>((state_ >> 11) % bound);
    }

private:
    std::uint64_t state_;
};

std::vector<std::wstring> MakeVocabulary(TextRandom& random) {
    std::vector<std::wstring> words;
    for (int i = 0; i < 4000; ++i) {
        std::wstring word;
        const std::uint32_t length = 2 + random.Next(8);
        for (std::uint32_t k = 0; k < length; ++k)
            word += static_cast<wchar_t>((random.Next(5) == 0 ? L'A' : L'a') + random.Next(26));
        words.push_back(word);
    }
    for (int i = 0; i < 600; ++i) {
        std::wstring word;
        const std::uint32_t length = 1 + random.Next(3);
        for (std::uint32_t k = 0; k < length; ++k)
            word += static_cast<wchar_t>(random.Next(2) ? 0x3041 + random.Next(83) : 0x4E00 + random.Next(2000));
        words.push_back(word);
    }
    return words;
}

// Lines of words with the indents, TABs, trailing blanks, blank lines and repeats the options act on.
std::wstring MakeText(std::size_t utf8Bytes, std::size_t& lineCount, bool withLoneSurrogates) {
    TextRandom random(0x9E3779B97F4A7C15ull);
    const std::vector<std::wstring> words = MakeVocabulary(random);
    std::vector<std::wstring> recent;
    std::wstring text;
    std::size_t bytes = 0;
    lineCount = 0;
    while (bytes < utf8Bytes) {
        std::wstring line;
        const std::uint32_t kind = random.Next(100);
        if (kind < 8) {
            // blank
        } else if (kind < 38 && !recent.empty()) {
            line = recent[random.Next(static_cast<std::uint32_t>(recent.size()))];
        } else {
            static const wchar_t* const indents[] = {L"", L"", L"", L"  ", L"\t", L"\x3000", L"007 ", L" \t "};
            line = indents[random.Next(8)];
            const std::uint32_t count = 2 + random.Next(6);
            for (std::uint32_t k = 0; k < count; ++k) {
                if (k > 0) line += random.Next(6) == 0 ? L'\t' : L' ';
                line += words[random.Next(static_cast<std::uint32_t>(words.size()))];
            }
            if (withLoneSurrogates && random.Next(20) == 0) line += static_cast<wchar_t>(0xD800 + random.Next(0x800));
            if (random.Next(6) == 0) line += L"  ";
            if (recent.size() < 50000) recent.push_back(line);
            else recent[random.Next(50000)] = line;
        }
        text += line;
        text += L'\n';
        bytes += EncodeUtf8(line).size() + 1;
        ++lineCount;
    }
    text.shrink_to_fit();
    return text;
}

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
    const std::wstring text = MakeText(25'000'000, lines, false);
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
    const std::wstring big = MakeText(100'000'000, bigLines, true);
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
