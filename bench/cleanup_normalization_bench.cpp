// The cleanup's Unicode normalisation on the texts that make a platform's normalisation grow with the
// square of the text: decomposed kana and accents to NFC, half-width voiced katakana with NFKC, and
// one letter followed by nothing but marks of two classes in turn, which the platform has to put in
// order. Each size is set against half of it in the same run; work that grows with the text takes
// about 2x the time for 2x the text, work that grows with its square 4x. Targets: at most 2.5x up to
// 1,000,000 units for the first two, and 2.2x up to 400,000 units for the marks.
#include <algorithm>
#include <cstdio>
#include <span>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

#include "options.h"
#include "pipeline.h"
#include "text_cleanup.h"

namespace {

// Pairs of sizes, the second twice the first.
using SizePair = std::size_t[2];
constexpr SizePair kSizesToOneMillion[] = {{50'000, 100'000}, {100'000, 200'000}, {200'000, 400'000}, {500'000, 1'000'000}};
constexpr SizePair kSizesToFourHundredThousand[] = {{100'000, 200'000}, {200'000, 400'000}};

struct GrowthText {
    const char* name;
    const wchar_t* lead;  // once, at the start
    const wchar_t* pattern;  // repeated up to the size
    NormalizationChoice choice;
    std::span<const SizePair> sizes;
    double target;  // the most time for 2x the text
};

// The marks: above (class 230) and below (220) in turn, so the platform's reordering moves each mark
// below past every mark above before it; the first mark below composes with the letter.
const GrowthText kTexts[] = {
    {"decomposed kana and accents to NFC", L"", L"\x304B\x3099" L"e\x0301", kNormalizeNfc, kSizesToOneMillion, 2.5},
    {"half-width voiced katakana with NFKC", L"", L"\xFF83\xFF9E", kNormalizeNfkc, kSizesToOneMillion, 2.5},
    {"one letter and marks of two classes in turn to NFC", L"e", L"\x0301\x0323", kNormalizeNfc,
     kSizesToFourHundredThousand, 2.2},
};

std::wstring Repeated(const GrowthText& growth, std::size_t units) {
    const std::wstring unit = growth.pattern;
    std::wstring text = growth.lead;
    text.reserve(units + unit.size());
    while (text.size() < units) text += unit;
    text.resize(units);
    return text;
}

// Processor seconds this process has used. The machine is shared: the wall clock would also count
// the time other programs had the processor, and more of it the longer a measurement lasts.
double ProcessorSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto seconds = [](const FILETIME& time) {
        return (static_cast<double>(time.dwHighDateTime) * 4294967296.0 + time.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
#else
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

// Processor seconds per pass over `text`. Every measurement covers some 4,000,000 units, so that the
// clock's steps (10 ms under Wine) weigh little on the small texts.
double TimeNormalization(const std::wstring& text) {
    const std::size_t passes = std::max<std::size_t>(1, 4'000'000 / text.size());
    const double start = ProcessorSeconds();
    for (std::size_t pass = 0; pass < passes; ++pass) {
        std::wstring output;
        ProcessText(L"", text.c_str(), output);
    }
    return (ProcessorSeconds() - start) / static_cast<double>(passes);
}

}  // namespace

// Takes no options; "--quick" from scripts/bench.sh changes nothing, as the largest text is 1,000,000 units.
int main() {
    constexpr int kRounds = 5;
    for (const GrowthText& growth : kTexts) {
        ProcessingOptions = {};
        ProcessingOptions.CLN_NORMALIZE = growth.choice;
        for (const SizePair& sizes : growth.sizes) {
            const std::wstring small = Repeated(growth, sizes[0]);
            const std::wstring large = Repeated(growth, sizes[1]);
            // Alternating runs, so a busy spell of the shared machine falls on both sides alike.
            double smallSeconds = 1e300, largeSeconds = 1e300;
            for (int round = 0; round < kRounds; ++round) {
                smallSeconds = std::min(smallSeconds, TimeNormalization(small));
                largeSeconds = std::min(largeSeconds, TimeNormalization(large));
            }
            std::printf("normalisation, %s, %zu units: %.4f s of processor time = %.2fx the %zu units time for 2x the text "
                        "(target <= %.1f)\n", growth.name, sizes[1], largeSeconds, largeSeconds / smallSeconds, sizes[0],
                        growth.target);
        }
    }
    return 0;
}
