#include "pipeline.h"

#include <algorithm>
#include <cwchar>
#include <functional>

#include "command_filter.h"
#include "conversion.h"
#include "line_ops.h"
#include "options.h"
#include "regex_replace.h"
#include "table_stage.h"
#include "text_cleanup.h"

namespace {

bool AnyTrimLeft(const ProcessingOptionsRecord& o) {
    return o.FEL_TRIMLEFT || o.FEL_TRIMLEFT_FPSPACE || o.FEL_TRIMLEFT_TAB || o.FEL_TRIMLEFT_ZERO ||
           o.FEL_TRIMLEFT_FPZERO;
}

bool AnyTrimRight(const ProcessingOptionsRecord& o) {
    return o.FEL_TRIMRIGHT || o.FEL_TRIMRIGHT_FPSPACE || o.FEL_TRIMRIGHT_TAB;
}

bool TableStageWanted(const ProcessingOptionsRecord& o) {
    return o.CSVTSV_CHANGEROWCOL || o.MUL_BY_N != L"1";
}

bool LineStageWanted(const ProcessingOptionsRecord& o) {
    return AnyTrimLeft(o) || AnyTrimRight(o) || o.FEL_SORTASC || o.FEL_SORTDSC || o.FEL_UNIQ ||
           o.FEL_DELBLANKLINE || o.TAB4SPACE || o.TAB8SPACE || o.LC_LF || o.LC_CR || TableStageWanted(o);
}

// `text` is the caller's input or `output` itself.
void RunLineStage(std::wstring_view text, std::wstring& output) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    std::vector<LineSpan> spans = SplitSpans(text);
    if (AnyTrimLeft(o)) TrimLeft(text, spans);
    if (AnyTrimRight(o)) TrimRight(text, spans);
    if (o.FEL_SORTASC) SortLines(text, spans, /*descending=*/false);
    if (o.FEL_SORTDSC) SortLines(text, spans, /*descending=*/true);
    const int tabWidth = o.TAB4SPACE ? 4 : o.TAB8SPACE ? 8 : 0;
    if (!TableStageWanted(o)) {
        WriteLines(text, std::move(spans), {o.FEL_UNIQ, o.FEL_DELBLANKLINE, tabWidth, LineSeparator()}, output);
        return;
    }
    LineList lines;
    lines.text = text.data() == output.data() ? std::move(output) : std::wstring(text);
    lines.spans = std::move(spans);
    if (o.FEL_UNIQ) RemoveConsecutiveDuplicates(lines);
    if (o.FEL_DELBLANKLINE) RemoveEmptyLines(lines);
    ApplyTableStage(lines);
    if (tabWidth > 0) ExpandTabs(lines, tabWidth);
    JoinLines(lines, output);
}

bool Overlaps(const wchar_t* input, const std::wstring& output) {
    const std::less<const wchar_t*> before;
    return !before(input, output.data()) && before(input, output.data() + output.capacity() + 1);
}

// `copiedText`: the cleanup stages are for text as another program copied it, when they are on.
void RunStages(const wchar_t* conversionName, const wchar_t* input, std::wstring& output, bool copiedText) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    const bool cleanup = copiedText && CleanupWanted(o);
    const bool earlierStages =
        cleanup || (conversionName && *conversionName) || o.DelSpace || o.DelEnter || o.DelTab || o.REP_REP;
    if (!earlierStages && LineStageWanted(o) && !Overlaps(input, output)) {
        // The line stage comes first, so it reads the input where it is: a copy would cost a pass
        // over the text and as much memory again.
        RunLineStage(input, output);
    } else {
        output.assign(input);
        if (cleanup) ApplyTextCleanup(o, output);
        if (conversionName && *conversionName && !output.empty()) ApplyConversion(conversionName, output);
        if (o.DelSpace || o.DelEnter || o.DelTab) DeleteCharacters(output);
        if (o.REP_REP) ApplyRegexReplacement(output);
        if (LineStageWanted(o)) RunLineStage(output, output);
    }
    if (o.USE_CMDLINE) RunCommandFilter(output);
}

}  // namespace

void ProcessText(const wchar_t* conversionName, const wchar_t* input, std::wstring& output) {
    RunStages(conversionName, input, output, /*copiedText=*/true);
}

void ProcessFileList(const wchar_t* conversionName, const wchar_t* input, std::wstring& output) {
    RunStages(conversionName, input, output, /*copiedText=*/false);
}

void DeleteCharacters(std::wstring& text) {
    const bool space = ProcessingOptions.DelSpace, enter = ProcessingOptions.DelEnter, tab = ProcessingOptions.DelTab;
    std::erase_if(text, [=](wchar_t c) {
        return (space && c == L' ') || (enter && (c == L'\r' || c == L'\n')) || (tab && c == L'\t');
    });
}

std::vector<LineSpan> SplitSpans(std::wstring_view text) {
    std::vector<LineSpan> spans;
    spans.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), L'\n')) + 1);
    const wchar_t* const units = text.data();
    const std::size_t size = text.size();
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const wchar_t c = units[i];
        if (c > L'\r' || (c != L'\r' && c != L'\n')) continue;  // the first test settles almost every unit
        if (c == L'\n' && i > 0 && units[i - 1] == L'\r') {  // second half of CR LF
            lineStart = i + 1;
            continue;
        }
        spans.push_back({lineStart, i - lineStart});
        lineStart = i + 1;
    }
    spans.push_back({lineStart, size - lineStart});
    return spans;
}

LineList SplitLines(std::wstring text) {
    LineList lines;
    lines.spans = SplitSpans(text);
    lines.text = std::move(text);
    return lines;
}

LineList::LineList(std::initializer_list<std::wstring_view> lines) {
    for (std::wstring_view line : lines) Append(line);
}

void LineList::Append(std::wstring_view line) {
    spans.push_back({text.size(), line.size()});
    text += line;
}

bool LineList::operator==(const LineList& other) const {
    if (size() != other.size()) return false;
    for (std::size_t i = 0; i < size(); ++i)
        if ((*this)[i] != other[i]) return false;
    return true;
}

std::wstring_view LineSeparator() {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    if (o.LC_LF && !o.LC_CR) return L"\n";
    if (o.LC_CR && !o.LC_LF) return L"\r";
    return L"\r\n";
}

void JoinLines(const LineList& lines, std::wstring& text) {
    const std::wstring_view separator = LineSeparator();
    std::size_t total = 0;
    for (const LineSpan& span : lines.spans) total += span.length + separator.size();
    // Built aside: `text` may be the very buffer the lines point into.
    std::wstring joined;
    joined.reserve(total);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) joined += separator;
        joined += lines[i];
    }
    text = std::move(joined);
}
