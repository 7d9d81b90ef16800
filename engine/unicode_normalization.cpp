#include "unicode_normalization.h"

#include <algorithm>
#include <span>

namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
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

}  // namespace

bool NormalizeWithPlatform(std::wstring& text, NormalForm form) {
    const FormTables& tables = TablesOf(form);
    const std::wstring_view source = text;
    std::size_t unsettled = FirstUnsettled(source, 0, tables);
    if (unsettled == source.size()) return true;
    std::wstring normalized;
    normalized.reserve(source.size() + source.size() / 8);
    std::size_t done = 0;  // everything before is in `normalized`, and a cut point
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
        if (!AppendPlatformNormalForm(source.substr(start, end - start), form, normalized)) return false;
        done = end;
    }
    normalized.append(source.substr(done));
    text = std::move(normalized);
    return true;
}
