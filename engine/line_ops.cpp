#include "line_ops.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "options.h"

namespace {

constexpr wchar_t kFullWidthSpace = 0x3000;
constexpr wchar_t kFullWidthZero = 0xFF10;

// The units one trim removes; the enabled fields form one set, in any mixture and order.
struct TrimSet {
    bool space, fullWidthSpace, tab, zero, fullWidthZero;

    bool Contains(wchar_t c) const {
        switch (c) {
        case L' ': return space;
        case kFullWidthSpace: return fullWidthSpace;
        case L'\t': return tab;
        case L'0': return zero;
        case kFullWidthZero: return fullWidthZero;
        default: return false;
        }
    }
};

TrimSet LeftTrimSet() {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    return {o.FEL_TRIMLEFT, o.FEL_TRIMLEFT_FPSPACE, o.FEL_TRIMLEFT_TAB, o.FEL_TRIMLEFT_ZERO, o.FEL_TRIMLEFT_FPZERO};
}

TrimSet RightTrimSet() {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    return {o.FEL_TRIMRIGHT, o.FEL_TRIMRIGHT_FPSPACE, o.FEL_TRIMRIGHT_TAB, false, false};
}

// Sorting moves spans whose first twelve units ride along as three numbers, so most comparisons
// never reach the text; lines that agree that far compare the rest.
constexpr std::size_t kKeyUnits = 12;

struct KeyedSpan {
    std::uint64_t key[3];
    LineSpan span;
};

KeyedSpan MakeKeyedSpan(const wchar_t* units, LineSpan span) {
    // Missing units count as 0, below every unit, as a shorter line sorts before a longer one.
    const wchar_t* line = units + span.start;
    const std::size_t length = std::min(span.length, kKeyUnits);
    KeyedSpan keyed{{0, 0, 0}, span};
    for (std::size_t i = 0; i < kKeyUnits; ++i) {
        const std::uint64_t unit = i < length ? static_cast<std::uint64_t>(line[i]) & 0xFFFFu : 0u;
        keyed.key[i / 4] = (keyed.key[i / 4] << 16) | unit;
    }
    return keyed;
}

bool SameKey(const KeyedSpan& a, const KeyedSpan& b) {
    return a.key[0] == b.key[0] && a.key[1] == b.key[1] && a.key[2] == b.key[2];
}

bool KeyLess(const KeyedSpan& a, const KeyedSpan& b) {
    for (int i = 0; i < 3; ++i)
        if (a.key[i] != b.key[i]) return a.key[i] < b.key[i];
    return false;
}

// Lines that share a long prefix (and duplicates, which share all of it) are common in real
// text, so equal stretches are skipped eight bytes at a time before units are compared one by one.
bool UnitsLess(const wchar_t* a, std::size_t aLength, const wchar_t* b, std::size_t bLength) {
    const std::size_t common = std::min(aLength, bLength);
    constexpr std::size_t kChunkUnits = sizeof(std::uint64_t) / sizeof(wchar_t);
    std::size_t i = 0;
    for (; i + kChunkUnits <= common; i += kChunkUnits) {
        std::uint64_t x, y;
        std::memcpy(&x, a + i, sizeof x);
        std::memcpy(&y, b + i, sizeof y);
        if (x != y) break;
    }
    for (; i < common; ++i) {
        // wchar_t holds 0-0xFFFF in both builds; the mask keeps the order unsigned on either.
        const unsigned x = static_cast<unsigned>(a[i]) & 0xFFFFu, y = static_cast<unsigned>(b[i]) & 0xFFFFu;
        if (x != y) return x < y;
    }
    return aLength < bLength;
}

// After a sort, consecutive lines lie anywhere in the text, and waiting for each one to arrive from
// memory costs more than copying it: the lines a few places ahead are asked for early.
constexpr std::size_t kPrefetchDistance = 16;

void PrefetchLine(const wchar_t* units, const std::vector<LineSpan>& spans, std::size_t i) {
    if (i < spans.size()) __builtin_prefetch(units + spans[i].start);
}

bool SameUnits(const wchar_t* units, LineSpan a, LineSpan b) {
    if (a.length != b.length) return false;
    // Eight bytes at a time, as UnitsLess does: cheaper than a library call for lines this short.
    const wchar_t* const x = units + a.start;
    const wchar_t* const y = units + b.start;
    constexpr std::size_t kChunkUnits = sizeof(std::uint64_t) / sizeof(wchar_t);
    std::size_t i = 0;
    for (; i + kChunkUnits <= a.length; i += kChunkUnits) {
        std::uint64_t p, q;
        std::memcpy(&p, x + i, sizeof p);
        std::memcpy(&q, y + i, sizeof q);
        if (p != q) return false;
    }
    for (; i < a.length; ++i)
        if (x[i] != y[i]) return false;
    return true;
}

// Appends one line, TABs expanded. The columns are only counted for the stretch before a TAB, so a
// line without one is a plain copy.
void AppendExpanded(std::wstring& out, const wchar_t* line, std::size_t length, std::size_t tabWidth) {
    const wchar_t* const end = line + length;
    const wchar_t* run = line;
    std::size_t column = 0;
    for (const wchar_t* p = line; p != end; ++p) {
        if (*p != L'\t') continue;
        for (const wchar_t* unit = run; unit != p; ++unit) column += static_cast<std::size_t>(DisplayWidth(*unit));
        out.append(run, static_cast<std::size_t>(p - run));
        const std::size_t spaces = tabWidth - column % tabWidth;
        out.append(spaces, L' ');
        column += spaces;
        run = p + 1;
    }
    out.append(run, static_cast<std::size_t>(end - run));
}

}  // namespace

void TrimLeft(std::wstring_view text, std::vector<LineSpan>& spans) {
    const TrimSet set = LeftTrimSet();
    for (LineSpan& span : spans) {
        while (span.length > 0 && set.Contains(text[span.start])) {
            ++span.start;
            --span.length;
        }
    }
}

void TrimRight(std::wstring_view text, std::vector<LineSpan>& spans) {
    const TrimSet set = RightTrimSet();
    for (LineSpan& span : spans)
        while (span.length > 0 && set.Contains(text[span.start + span.length - 1])) --span.length;
}

// The keys alone order almost every line without reading the text. Only runs of equal keys,
// mostly duplicates, are then ordered by the rest of their lines; their lines are fetched together
// first, instead of one memory wait for each comparison of the whole sort.
void SortLines(std::wstring_view text, std::vector<LineSpan>& spans, bool descending) {
    const wchar_t* const units = text.data();
    std::vector<KeyedSpan> keyed;
    keyed.reserve(spans.size());
    for (const LineSpan& span : spans) keyed.push_back(MakeKeyedSpan(units, span));
    if (descending) std::sort(keyed.begin(), keyed.end(), [](const KeyedSpan& a, const KeyedSpan& b) { return KeyLess(b, a); });
    else std::sort(keyed.begin(), keyed.end(), KeyLess);
    // Within a run of equal keys, a line shorter than the key is a prefix of the others.
    const auto tailLess = [units](const KeyedSpan& a, const KeyedSpan& b) {
        if (a.span.length < kKeyUnits || b.span.length < kKeyUnits) return a.span.length < b.span.length;
        return UnitsLess(units + a.span.start + kKeyUnits, a.span.length - kKeyUnits,
                         units + b.span.start + kKeyUnits, b.span.length - kKeyUnits);
    };
    for (auto run = keyed.begin(); run != keyed.end();) {
        auto end = run + 1;
        while (end != keyed.end() && SameKey(*end, *run)) ++end;
        if (end - run > 1) {
            for (auto line = run; line != end; ++line) __builtin_prefetch(units + line->span.start + kKeyUnits);
            if (descending) std::sort(run, end, [&tailLess](const KeyedSpan& a, const KeyedSpan& b) { return tailLess(b, a); });
            else std::sort(run, end, tailLess);
        }
        run = end;
    }
    for (std::size_t i = 0; i < keyed.size(); ++i) spans[i] = keyed[i].span;
}

void WriteLines(std::wstring_view text, std::vector<LineSpan> spans, const LineWriting& how, std::wstring& output) {
    const wchar_t* const units = text.data();
    const std::size_t tabWidth = static_cast<std::size_t>(how.tabWidth);
    // A line equal to the one before it goes before blank lines do, so it is compared with its
    // neighbour in the sorted list, kept or not, exactly as the two steps one after the other.
    if (how.removeDuplicates || how.removeEmpty) {
        std::size_t kept = 0;
        LineSpan previous{0, 0};
        for (std::size_t i = 0; i < spans.size(); ++i) {
            PrefetchLine(units, spans, i + kPrefetchDistance);
            const LineSpan span = spans[i];
            const bool duplicate = how.removeDuplicates && i > 0 && SameUnits(units, span, previous);
            previous = span;
            if (duplicate || (how.removeEmpty && span.length == 0)) continue;
            spans[kept++] = span;
        }
        spans.resize(kept);
    }
    std::size_t total = 0;
    for (const LineSpan& span : spans) total += span.length;
    if (!spans.empty()) total += (spans.size() - 1) * how.separator.size();
    // Every TAB of the text, dropped or not, counted in one pass: room for the longest result, so
    // nothing is copied while the result grows, at the price of a little room unused.
    if (tabWidth > 0) total += static_cast<std::size_t>(std::count(text.begin(), text.end(), L'\t')) * (tabWidth - 1);
    // Built aside: `text` may be the very buffer of `output`. Reserved, not filled: room that a
    // TAB dropped by a trim leaves unused is never touched.
    std::wstring joined;
    joined.reserve(total);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        PrefetchLine(units, spans, i + kPrefetchDistance);
        if (i > 0) joined += how.separator;
        const LineSpan span = spans[i];
        if (tabWidth > 0) AppendExpanded(joined, units + span.start, span.length, tabWidth);
        else joined.append(units + span.start, span.length);
    }
    output = std::move(joined);
}

void TrimLeft(LineList& lines) {
    TrimLeft(lines.text, lines.spans);
}

void TrimRight(LineList& lines) {
    TrimRight(lines.text, lines.spans);
}

void SortAscending(LineList& lines) {
    SortLines(lines.text, lines.spans, /*descending=*/false);
}

void SortDescending(LineList& lines) {
    SortLines(lines.text, lines.spans, /*descending=*/true);
}

void RemoveConsecutiveDuplicates(LineList& lines) {
    const wchar_t* const units = lines.text.data();
    const auto same = [units](const LineSpan& a, const LineSpan& b) { return SameUnits(units, a, b); };
    lines.spans.erase(std::unique(lines.spans.begin(), lines.spans.end(), same), lines.spans.end());
}

void RemoveEmptyLines(LineList& lines) {
    std::erase_if(lines.spans, [](const LineSpan& span) { return span.length == 0; });
}

int DisplayWidth(wchar_t unit) {
    if (unit <= 0xFF) return 1;
    if (unit >= 0xFF61 && unit <= 0xFF9F) return 1;
    return 2;
}

// The lines are copied into a fresh buffer in their current order, expanded where they hold a TAB:
// growing the old buffer would copy it whole on reallocation and keep what trims and removals dropped.
void ExpandTabs(LineList& lines, int tabWidth) {
    const std::size_t width = static_cast<std::size_t>(tabWidth);
    // Counted over the whole buffer, front to back, rather than line by line in sorted order: a
    // TAB that a trim or removal dropped only makes the room a little larger than needed.
    const std::size_t tabs = static_cast<std::size_t>(std::count(lines.text.begin(), lines.text.end(), L'\t'));
    if (tabs == 0) return;
    std::size_t kept = 0;
    for (const LineSpan& span : lines.spans) kept += span.length;
    std::wstring expanded;
    expanded.reserve(kept + tabs * (width - 1));  // room for the longest result: never copied while it grows
    for (LineSpan& span : lines.spans) {
        const std::wstring_view line = lines.View(span);
        const std::size_t start = expanded.size();
        AppendExpanded(expanded, line.data(), line.size(), width);
        span = {start, expanded.size() - start};
    }
    lines.text = std::move(expanded);
}
