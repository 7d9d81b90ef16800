#include "line_ops.h"

#include <algorithm>
#include <functional>

#include "options.h"

namespace {

constexpr wchar_t kFullWidthSpace = 0x3000;
constexpr wchar_t kFullWidthZero = 0xFF10;

bool InLeftTrimSet(wchar_t c) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    return (o.FEL_TRIMLEFT && c == L' ') || (o.FEL_TRIMLEFT_FPSPACE && c == kFullWidthSpace) ||
           (o.FEL_TRIMLEFT_TAB && c == L'\t') || (o.FEL_TRIMLEFT_ZERO && c == L'0') ||
           (o.FEL_TRIMLEFT_FPZERO && c == kFullWidthZero);
}

bool InRightTrimSet(wchar_t c) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    return (o.FEL_TRIMRIGHT && c == L' ') || (o.FEL_TRIMRIGHT_FPSPACE && c == kFullWidthSpace) ||
           (o.FEL_TRIMRIGHT_TAB && c == L'\t');
}

}  // namespace

void TrimLeft(LineList& lines) {
    for (std::wstring& line : lines) {
        const auto firstKept = std::find_if_not(line.begin(), line.end(), InLeftTrimSet);
        line.erase(line.begin(), firstKept);
    }
}

void TrimRight(LineList& lines) {
    for (std::wstring& line : lines) {
        const auto lastKept = std::find_if_not(line.rbegin(), line.rend(), InRightTrimSet);
        line.erase(lastKept.base(), line.end());
    }
}

// wchar_t holds values 0-0xFFFF in both builds, so the string order is the unsigned 16-bit order.
void SortAscending(LineList& lines) { std::sort(lines.begin(), lines.end()); }

void SortDescending(LineList& lines) { std::sort(lines.begin(), lines.end(), std::greater<>()); }

void RemoveConsecutiveDuplicates(LineList& lines) {
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
}

void RemoveEmptyLines(LineList& lines) {
    std::erase_if(lines, [](const std::wstring& line) { return line.empty(); });
}

int DisplayWidth(wchar_t unit) {
    if (unit <= 0xFF) return 1;
    if (unit >= 0xFF61 && unit <= 0xFF9F) return 1;
    return 2;
}

void ExpandTabs(LineList& lines, int tabWidth) {
    for (std::wstring& line : lines) {
        if (line.find(L'\t') == std::wstring::npos) continue;
        std::wstring expanded;
        expanded.reserve(line.size() + static_cast<std::size_t>(tabWidth) * 2);
        const std::size_t width = static_cast<std::size_t>(tabWidth);
        std::size_t column = 0;
        for (wchar_t c : line) {
            if (c == L'\t') {
                const std::size_t spaces = width - column % width;
                expanded.append(spaces, L' ');
                column += spaces;
            } else {
                expanded += c;
                column += static_cast<std::size_t>(DisplayWidth(c));
            }
        }
        line = std::move(expanded);
    }
}
