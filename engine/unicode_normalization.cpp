#include "unicode_normalization.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>

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

// The marks a code point stands for: itself, or the two of a two-class mark, which are ordered
// apart; none when it is no mark.
struct MarksOfCodePoint {
    std::array<Mark, 2> marks;
    std::size_t count;
};

MarksOfCodePoint MarksOf(char32_t c) {
    if (const unsigned char combiningClass = CombiningClassOf(c)) return {{Mark{c, combiningClass}}, 1};
    const auto two = std::find_if(std::begin(kTwoClassMarks), std::end(kTwoClassMarks),
                                  [c](const TwoClassMark& mark) { return mark.codePoint == c; });
    if (two == std::end(kTwoClassMarks)) return {{}, 0};
    return {{Mark{two->first, CombiningClassOf(two->first)}, Mark{two->second, CombiningClassOf(two->second)}}, 2};
}

// Calls `use` with each mark of the run of marks that starts at `from`; returns where the run ends,
// `from` itself when no mark starts there.
template <typename UseMark>
std::size_t ForEachMark(std::wstring_view text, std::size_t from, UseMark use) {
    std::size_t units = 1;
    for (std::size_t at = from; at < text.size(); at += units) {
        const MarksOfCodePoint marks = MarksOf(CodePointAt(text, at, units));
        if (marks.count == 0) return at;
        for (std::size_t i = 0; i < marks.count; ++i) use(marks.marks[i]);
    }
    return text.size();
}

std::size_t Utf16Units(const Mark& mark) { return mark.codePoint < 0x10000 ? 1 : 2; }

// Writes `c` in UTF-16 at `at` and moves `at` past it.
void WriteUtf16(char32_t c, std::wstring& text, std::size_t& at) {
    if (c < 0x10000) {
        text[at++] = static_cast<wchar_t>(c);
        return;
    }
    text[at++] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    text[at++] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
}

// Appends the marks of `run` to `text` in a stable sort by class, as canonical ordering wants:
// marks of one class keep their order. A counting sort straight into the text, so that a run of
// any length takes time in proportion to it and no memory beside the text.
void AppendInCanonicalOrder(std::wstring_view run, std::wstring& text) {
    std::array<std::size_t, 256> next{};  // where the next mark of each class goes
    ForEachMark(run, 0, [&](const Mark& mark) { next[mark.combiningClass] += Utf16Units(mark); });
    std::size_t at = text.size();
    for (std::size_t& slot : next) slot = std::exchange(at, at + slot);
    text.resize(at);
    ForEachMark(run, 0, [&](const Mark& mark) { WriteUtf16(mark.codePoint, text, next[mark.combiningClass]); });
}

// Writes `piece` with each run of marks in canonical order to `ordered`; false, with nothing
// written, when every run is in order already. The result is canonically equivalent to the
// piece, so it has the same normal forms, and the platform's own reordering, which takes time that
// grows with the square of a run, finds nothing to move.
bool OrderMarks(std::wstring_view piece, std::wstring& ordered) {
    bool reordered = false;
    std::size_t copied = 0;  // units of the piece that are in `ordered`
    std::size_t at = 0;
    while (at < piece.size()) {
        const std::size_t runStart = at;
        unsigned lastClass = 0;
        bool inOrder = true;
        at = ForEachMark(piece, runStart, [&](const Mark& mark) {
            inOrder = inOrder && mark.combiningClass >= lastClass;
            lastClass = mark.combiningClass;
        });
        if (at == runStart) {
            std::size_t units = 1;
            CodePointAt(piece, at, units);
            at += units;
        }
        if (inOrder) continue;
        if (!reordered) {
            ordered.clear();
            ordered.reserve(piece.size());
            reordered = true;
        }
        ordered.append(piece.substr(copied, runStart - copied));
        AppendInCanonicalOrder(piece.substr(runStart, at - runStart), ordered);
        copied = at;
    }
    if (reordered) ordered.append(piece.substr(copied));
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
    std::wstring ordered;  // a piece with its marks in order, kept so that its memory is reused
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
        if (!AppendPlatformNormalForm(OrderMarks(piece, ordered) ? std::wstring_view(ordered) : piece, form, normalized))
            return false;
        done = end;
    }
    normalized.append(source.substr(done));
    text = std::move(normalized);
    return true;
}
