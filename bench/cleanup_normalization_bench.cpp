// The cleanup's Unicode normalisation on the two texts that make a platform's normalisation grow
// with the square of the text: decomposed kana and accents to NFC, and half-width voiced katakana
// with NFKC. Each size is set against half of it in the same run; work that grows with the text
// takes about 2x the time for 2x the text, work that grows with its square 4x. Target: at most 2.5x
// up to 1,000,000 units.
#include <algorithm>
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "options.h"
#include "pipeline.h"
#include "text_cleanup.h"

namespace {

struct GrowthText {
    const char* name;
    const wchar_t* pattern;
    NormalizationChoice choice;
};

constexpr GrowthText kTexts[] = {
    {"decomposed kana and accents to NFC", L"\x304B\x3099" L"e\x0301", kNormalizeNfc},
    {"half-width voiced katakana with NFKC", L"\xFF83\xFF9E", kNormalizeNfkc},
};

// Pairs of sizes, the second twice the first.
constexpr std::size_t kSizes[][2] = {{50'000, 100'000}, {100'000, 200'000}, {200'000, 400'000}, {500'000, 1'000'000}};

std::wstring Repeated(const wchar_t* pattern, std::size_t units) {
    const std::wstring unit = pattern;
    std::wstring text;
    text.reserve(units + unit.size());
    while (text.size() < units) text += unit;
    text.resize(units);
    return text;
}

// Seconds per pass over `text`. Every measurement covers some 2,000,000 units, so that the small texts
// are not timed within one time slice of the shared machine while the large ones share theirs.
double TimeNormalization(const std::wstring& text) {
    const std::size_t passes = std::max<std::size_t>(1, 2'000'000 / text.size());
    return BestSeconds(1, [&] {
        for (std::size_t pass = 0; pass < passes; ++pass) {
            std::wstring output;
            ProcessText(L"", text.c_str(), output);
        }
    }) / static_cast<double>(passes);
}

}  // namespace

// Takes no options; "--quick" from scripts/bench.sh changes nothing, as the largest text is 1,000,000 units.
int main() {
    constexpr int kRounds = 5;
    for (const GrowthText& growth : kTexts) {
        ProcessingOptions = {};
        ProcessingOptions.CLN_NORMALIZE = growth.choice;
        for (const auto& sizes : kSizes) {
            const std::wstring small = Repeated(growth.pattern, sizes[0]);
            const std::wstring large = Repeated(growth.pattern, sizes[1]);
            // Alternating runs, so a busy spell of the shared machine falls on both sides alike.
            double smallSeconds = 1e300, largeSeconds = 1e300;
            for (int round = 0; round < kRounds; ++round) {
                smallSeconds = std::min(smallSeconds, TimeNormalization(small));
                largeSeconds = std::min(largeSeconds, TimeNormalization(large));
            }
            std::printf("normalisation, %s, %zu units: %.4f s = %.2fx the %zu units time for 2x the text "
                        "(target <= 2.5)\n", growth.name, sizes[1], largeSeconds, largeSeconds / smallSeconds, sizes[0]);
        }
    }
    return 0;
}
