#include "unicode_normalization.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>
#include <vector>

namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

struct CombiningClassRange {
    char32_t first;
    char32_t last;
    unsigned char combiningClass;
};

// A character whose decomposition is two marks of different classes.
struct TwoClassMark {
    char32_t codePoint;
    char32_t first;
    char32_t second;
};

#include "unicode_normal_forms.inc"

// A form's two properties: code points that leave a text in normal form as they are, and code
// points before which a text may be cut.
struct FormTables {
    std::span<const CodePointRange> settled;
    std::span<const CodePointRange> boundary;
};

const FormTables& TablesOf(NormalForm form) {
    static const FormTables nfc{kNfcSettledRanges, kNfcBoundaryRanges};
    static const FormTables nfkc{kNfkcSettledRanges, kNfkcBoundaryRanges};
    return form == NormalForm::KC ? nfkc : nfc;
}

// Every table starts with a range from U+0000, which holds most of any Latin text.
bool InRanges(std::span<const CodePointRange> ranges, char32_t c) {
    if (c <= ranges.front().last) return true;
    const auto after = std::upper_bound(ranges.begin(), ranges.end(), c,
                                        [](char32_t value, const CodePointRange& range) { return value < range.first; });
    return c <= std::prev(after)->last;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsNoncharacter(char32_t c) { return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE; }

// The code point that starts at `at` and its length in units; a lone surrogate stands for itself.
char32_t CodePointAt(std::wstring_view text, std::size_t at, std::size_t& units) {
    const wchar_t c = text[at];
    if (IsHighSurrogate(c) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) {
        units = 2;
        return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (static_cast<char32_t>(text[at + 1]) - 0xDC00);
    }
    units = 1;
    return static_cast<char32_t>(c);
}

// The first unit from `from` on that starts a code point the text may not keep as it is; lone
// surrogates and noncharacters count among them, so that the platform sees them and refuses.
std::size_t FirstUnsettled(std::wstring_view text, std::size_t from, const FormTables& tables) {
    std::size_t units = 1;
    for (std::size_t at = from; at < text.size(); at += units) {
        const char32_t c = CodePointAt(text, at, units);
        if (c <= tables.settled.front().last) continue;
        if ((c >= 0xD800 && c <= 0xDFFF) || IsNoncharacter(c) || !InRanges(tables.settled, c)) return at;
    }
    return text.size();
}

// Whether normalisation cannot cross the point before unit `at`: nothing before it joins or swaps
// with what starts there. Never inside a surrogate pair.
bool IsCutPoint(std::wstring_view text, std::size_t at, const FormTables& tables) {
    if (at == 0 || at >= text.size()) return true;
    if (IsLowSurrogate(text[at]) && IsHighSurrogate(text[at - 1])) return false;
    std::size_t units = 1;
    return InRanges(tables.boundary, CodePointAt(text, at, units));
}

// The first cut point from `from` on; the end of the text when a stretch has none.
std::size_t NextCutPoint(std::wstring_view text, std::size_t from, const FormTables& tables) {
    while (!IsCutPoint(text, from, tables)) ++from;
    return std::min(from, text.size());
}

// A combining mark and its canonical combining class, never 0.
struct Mark {
    char32_t codePoint;
    unsigned char combiningClass;
};

// The class of the marks `c` decomposes to; 0 when its decomposition starts with no mark, or with
// marks of two classes.
unsigned char CombiningClassOf(char32_t c) {
    if (c < kCombiningClassRanges[0].first) return 0;
    const auto after = std::upper_bound(std::begin(kCombiningClassRanges), std::end(kCombiningClassRanges), c,
                                        [](char32_t value, const CombiningClassRange& range) { return value < range.first; });
    return c <= std::prev(after)->last ? std::prev(after)->combiningClass : 0;
}

// Appends the marks `c` stands for to `run`: itself, or the two of a two-class mark, which are
// ordered apart. False when `c` is no mark.
bool AppendMarks(char32_t c, std::vector<Mark>& run) {
    if (const unsigned char combiningClass = CombiningClassOf(c)) {
        run.push_back({c, combiningClass});
        return true;
    }
    if (c < std::begin(kTwoClassMarks)->codePoint || c > std::prev(std::end(kTwoClassMarks))->codePoint) return false;
    for (const TwoClassMark& mark : kTwoClassMarks) {
        if (mark.codePoint != c) continue;
        run.push_back({mark.first, CombiningClassOf(mark.first)});
        run.push_back({mark.second, CombiningClassOf(mark.second)});
        return true;
    }
    return false;
}

bool InCanonicalOrder(const std::vector<Mark>& run) {
    return std::is_sorted(run.begin(), run.end(),
                          [](const Mark& a, const Mark& b) { return a.combiningClass < b.combiningClass; });
}

// A stable sort by class, as canonical ordering wants: marks of one class keep their order. A
// counting sort, so that a run of any length takes time in proportion to it; a short run is
// sorted in place.
void SortByClass(std::vector<Mark>& run, std::vector<Mark>& scratch) {
    constexpr std::size_t kShortRun = 16;
    if (run.size() <= kShortRun) {
        for (std::size_t i = 1; i < run.size(); ++i) {
            const Mark mark = run[i];
            std::size_t at = i;
            for (; at > 0 && run[at - 1].combiningClass > mark.combiningClass; --at) run[at] = run[at - 1];
            run[at] = mark;
        }
        return;
    }
    std::array<std::size_t, 256> next{};
    for (const Mark& mark : run) ++next[mark.combiningClass];
    std::size_t start = 0;
    for (std::size_t& slot : next) slot = std::exchange(start, start + slot);
    scratch.resize(run.size());
    for (const Mark& mark : run) scratch[next[mark.combiningClass]++] = mark;
    run.swap(scratch);
}

void AppendUtf16(char32_t c, std::wstring& text) {
    if (c < 0x10000) {
        text += static_cast<wchar_t>(c);
        return;
    }
    text += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    text += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
}

// Kept from piece to piece, so that their memory is reused.
struct MarkOrdering {
    std::vector<Mark> run;
    std::vector<Mark> scratch;
    std::wstring ordered;  // the piece with its marks in order
};

// Writes `piece` with each run of marks in canonical order to `buffers.ordered`; false, with
// nothing written, when every run is in order already. The result is canonically equivalent to
// the piece, so it has the same normal forms, and the platform's own reordering, which takes time
// that grows with the square of a run, finds nothing to move.
bool OrderMarks(std::wstring_view piece, MarkOrdering& buffers) {
    bool reordered = false;
    std::size_t copied = 0;     // units of the piece that are in `ordered`
    std::size_t runStart = 0;   // where the current run of marks starts
    std::size_t units = 1;
    buffers.run.clear();
    for (std::size_t at = 0; at <= piece.size(); at += units) {
        if (at < piece.size() && AppendMarks(CodePointAt(piece, at, units), buffers.run)) continue;
        if (at == piece.size()) units = 1;
        if (buffers.run.size() > 1 && !InCanonicalOrder(buffers.run)) {
            if (!reordered) buffers.ordered.clear();
            reordered = true;
            buffers.ordered.append(piece.substr(copied, runStart - copied));
            SortByClass(buffers.run, buffers.scratch);
            for (const Mark& mark : buffers.run) AppendUtf16(mark.codePoint, buffers.ordered);
            copied = at;
        }
        buffers.run.clear();
        runStart = at + units;
    }
    if (reordered) buffers.ordered.append(piece.substr(copied));
    return reordered;
}

}  // namespace

bool NormalizeWithPlatform(std::wstring& text, NormalForm form) {
    const FormTables& tables = TablesOf(form);
    const std::wstring_view source = text;
    std::size_t unsettled = FirstUnsettled(source, 0, tables);
    if (unsettled == source.size()) return true;
    std::wstring normalized;
    normalized.reserve(source.size() + source.size() / 8);
    std::size_t done = 0;  // everything before is in `normalized`, and a cut point
    MarkOrdering marks;
    while (unsettled < source.size()) {
        // The piece starts at the last cut point before the first unit to change; what lies
        // before that is settled and is copied as it is.
        std::size_t start = unsettled;
        while (start > done && !IsCutPoint(source, start, tables)) --start;
        normalized.append(source.substr(done, start - done));
        // It ends at the next cut point, taking in the units to change that follow within the
        // piece size: few calls for dense text, and little text through the platform for sparse.
        std::size_t end = NextCutPoint(source, unsettled + 1, tables);
        unsettled = FirstUnsettled(source, end, tables);
        while (unsettled < source.size() && unsettled - start < kNormalizationPieceUnits) {
            end = NextCutPoint(source, unsettled + 1, tables);
            unsettled = FirstUnsettled(source, end, tables);
        }
        const std::wstring_view piece = source.substr(start, end - start);
        if (!AppendPlatformNormalForm(OrderMarks(piece, marks) ? std::wstring_view(marks.ordered) : piece, form, normalized))
            return false;
        done = end;
    }
    normalized.append(source.substr(done));
    text = std::move(normalized);
    return true;
}
