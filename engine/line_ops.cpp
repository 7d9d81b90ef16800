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

// Sorting moves spans whose first twelve units ride along as three numbers, so most comparisons
// never reach the text; lines that agree that far compare the rest.
constexpr std::size_t kKeyUnits = 12;

struct KeyedSpan {
    std::uint64_t key[3];
    LineSpan span;
};

KeyedSpan MakeKeyedSpan(const LineList& lines, LineSpan span) {
    // Missing units count as 0, below every unit, as a shorter line sorts before a longer one.
    const std::wstring_view line = lines.View(span);
    KeyedSpan keyed{{0, 0, 0}, span};
    for (std::size_t i = 0; i < kKeyUnits; ++i)
        keyed.key[i / 4] = (keyed.key[i / 4] << 16) | (i < line.size() ? (line[i] & 0xFFFFu) : 0u);
    return keyed;
}

// For lines with equal keys: true when a sorts before b.
bool TailLess(const LineList& lines, const LineSpan& a, const LineSpan& b) {
    // A line shorter than the key is then a prefix of the other line.
    if (a.length < kKeyUnits || b.length < kKeyUnits) return a.length < b.length;
    // wchar_t holds 0-0xFFFF in both builds, so wstring_view order is the unsigned 16-bit order.
    return lines.View(a).substr(kKeyUnits) < lines.View(b).substr(kKeyUnits);
}

void SortLines(LineList& lines, bool descending) {
    std::vector<KeyedSpan> keyed;
    keyed.reserve(lines.spans.size());
    for (const LineSpan& span : lines.spans) keyed.push_back(MakeKeyedSpan(lines, span));
    const auto less = [&lines](const KeyedSpan& a, const KeyedSpan& b) {
        for (int i = 0; i < 3; ++i)
            if (a.key[i] != b.key[i]) return a.key[i] < b.key[i];
        return TailLess(lines, a.span, b.span);
    };
    if (descending) std::sort(keyed.begin(), keyed.end(), [&less](const KeyedSpan& a, const KeyedSpan& b) { return less(b, a); });
    else std::sort(keyed.begin(), keyed.end(), less);
    for (std::size_t i = 0; i < keyed.size(); ++i) lines.spans[i] = keyed[i].span;
}

void AppendExpanded(std::wstring& out, std::wstring_view line, std::size_t tabWidth) {
    std::size_t column = 0;
    while (!line.empty()) {
        const std::size_t run = std::min(line.find(L'\t'), line.size());
        for (std::size_t k = 0; k < run; ++k) column += static_cast<std::size_t>(DisplayWidth(line[k]));
        out += line.substr(0, run);
        if (run == line.size()) break;
        const std::size_t spaces = tabWidth - column % tabWidth;
        out.append(spaces, L' ');
        column += spaces;
        line.remove_prefix(run + 1);
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
    SortLines(lines, /*descending=*/false);
}

void SortDescending(LineList& lines) {
    SortLines(lines, /*descending=*/true);
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
        if (line.find(L'\t') == std::wstring_view::npos) expanded += line;
        else AppendExpanded(expanded, line, width);
        span = {start, expanded.size() - start};
    }
    lines.text = std::move(expanded);
}
