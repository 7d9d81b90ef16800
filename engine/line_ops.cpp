#include "line_ops.h"

#include <algorithm>
#include <cstdint>

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

// Sorting moves spans whose first eight units ride along as two numbers, so most comparisons never
// reach the text; lines that agree that far compare the rest.
constexpr std::size_t kKeyUnits = 8;

struct KeyedSpan {
    std::uint64_t high, low;
    LineSpan span;
};

KeyedSpan MakeKeyedSpan(const LineList& lines, LineSpan span) {
    // Missing units count as 0, below every unit, as a shorter line sorts before a longer one.
    const std::wstring_view line = lines.View(span);
    std::uint64_t key[2] = {0, 0};
    for (std::size_t i = 0; i < kKeyUnits; ++i)
        key[i / 4] = (key[i / 4] << 16) | (i < line.size() ? (line[i] & 0xFFFFu) : 0u);
    return {key[0], key[1], span};
}

// Negative, zero or positive as a sorts before, with or after b.
int CompareKeyed(const LineList& lines, const KeyedSpan& a, const KeyedSpan& b) {
    if (a.high != b.high) return a.high < b.high ? -1 : 1;
    if (a.low != b.low) return a.low < b.low ? -1 : 1;
    // Equal keys and a line shorter than the key: the shorter is a prefix of the longer one.
    if (a.span.length < kKeyUnits || b.span.length < kKeyUnits)
        return a.span.length < b.span.length ? -1 : a.span.length > b.span.length ? 1 : 0;
    // wchar_t holds 0-0xFFFF in both builds, so wstring_view order is the unsigned 16-bit order.
    return lines.View(a.span).substr(kKeyUnits).compare(lines.View(b.span).substr(kKeyUnits));
}

template <typename Order>
void SortLines(LineList& lines, Order inOrder) {
    std::vector<KeyedSpan> keyed;
    keyed.reserve(lines.spans.size());
    for (const LineSpan& span : lines.spans) keyed.push_back(MakeKeyedSpan(lines, span));
    std::sort(keyed.begin(), keyed.end(),
              [&lines, inOrder](const KeyedSpan& a, const KeyedSpan& b) { return inOrder(CompareKeyed(lines, a, b)); });
    for (std::size_t i = 0; i < keyed.size(); ++i) lines.spans[i] = keyed[i].span;
}

void AppendExpanded(std::wstring& out, std::wstring_view line, std::size_t tabWidth) {
    std::size_t column = 0;
    for (wchar_t c : line) {
        if (c == L'\t') {
            const std::size_t spaces = tabWidth - column % tabWidth;
            out.append(spaces, L' ');
            column += spaces;
        } else {
            out += c;
            column += static_cast<std::size_t>(DisplayWidth(c));
        }
    }
}

}  // namespace

void TrimLeft(LineList& lines) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    const TrimSet set{o.FEL_TRIMLEFT, o.FEL_TRIMLEFT_FPSPACE, o.FEL_TRIMLEFT_TAB, o.FEL_TRIMLEFT_ZERO,
                      o.FEL_TRIMLEFT_FPZERO};
    for (LineSpan& span : lines.spans) {
        while (span.length > 0 && set.Contains(lines.text[span.start])) {
            ++span.start;
            --span.length;
        }
    }
}

void TrimRight(LineList& lines) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    const TrimSet set{o.FEL_TRIMRIGHT, o.FEL_TRIMRIGHT_FPSPACE, o.FEL_TRIMRIGHT_TAB, false, false};
    for (LineSpan& span : lines.spans)
        while (span.length > 0 && set.Contains(lines.text[span.start + span.length - 1])) --span.length;
}

void SortAscending(LineList& lines) {
    SortLines(lines, [](int comparison) { return comparison < 0; });
}

void SortDescending(LineList& lines) {
    SortLines(lines, [](int comparison) { return comparison > 0; });
}

void RemoveConsecutiveDuplicates(LineList& lines) {
    const auto same = [&lines](const LineSpan& a, const LineSpan& b) { return lines.View(a) == lines.View(b); };
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
    // Room for the longest result, so the new buffer is never copied while it grows.
    std::size_t tabs = 0, room = 0;
    for (const LineSpan& span : lines.spans) {
        const std::wstring_view line = lines.View(span);
        tabs += static_cast<std::size_t>(std::count(line.begin(), line.end(), L'\t'));
        room += line.size();
    }
    if (tabs == 0) return;
    std::wstring expanded;
    expanded.reserve(room + tabs * (width - 1));
    for (LineSpan& span : lines.spans) {
        const std::wstring_view line = lines.View(span);
        const std::size_t start = expanded.size();
        if (line.find(L'\t') == std::wstring_view::npos) expanded += line;
        else AppendExpanded(expanded, line, width);
        span = {start, expanded.size() - start};
    }
    lines.text = std::move(expanded);
}
