#include "pipeline.h"

#include <algorithm>
#include <cwchar>

#include "command_filter.h"
#include "conversion.h"
#include "line_ops.h"
#include "options.h"
#include "regex_replace.h"
#include "table_stage.h"

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

void RunLineStage(std::wstring& text) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    LineList lines = SplitLines(text);
    if (AnyTrimLeft(o)) TrimLeft(lines);
    if (AnyTrimRight(o)) TrimRight(lines);
    if (o.FEL_SORTASC) SortAscending(lines);
    if (o.FEL_SORTDSC) SortDescending(lines);
    if (o.FEL_UNIQ) RemoveConsecutiveDuplicates(lines);
    if (o.FEL_DELBLANKLINE) RemoveEmptyLines(lines);
    if (TableStageWanted(o)) ApplyTableStage(lines);
    if (o.TAB4SPACE || o.TAB8SPACE) ExpandTabs(lines, o.TAB4SPACE ? 4 : 8);
    JoinLines(lines, text);
}

}  // namespace

void ProcessText(const wchar_t* conversionName, const wchar_t* input, std::wstring& output) {
    output.assign(input);
    const ProcessingOptionsRecord& o = ProcessingOptions;
    if (conversionName && *conversionName && !output.empty()) ApplyConversion(conversionName, output);
    if (o.DelSpace || o.DelEnter || o.DelTab) DeleteCharacters(output);
    if (o.REP_REP) ApplyRegexReplacement(output);
    if (LineStageWanted(o)) RunLineStage(output);
    if (o.USE_CMDLINE) RunCommandFilter(output);
}

void DeleteCharacters(std::wstring& text) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    std::erase_if(text, [&o](wchar_t c) {
        return (o.DelSpace && c == L' ') || (o.DelEnter && (c == L'\r' || c == L'\n')) || (o.DelTab && c == L'\t');
    });
}

LineList SplitLines(std::wstring_view text) {
    LineList lines;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r') {
            lines.emplace_back(text.substr(lineStart, i - lineStart));
            lineStart = i + 1;
        } else if (c == L'\n') {
            const bool secondHalfOfCrLf = i > 0 && text[i - 1] == L'\r';
            if (!secondHalfOfCrLf) lines.emplace_back(text.substr(lineStart, i - lineStart));
            lineStart = i + 1;
        }
    }
    lines.emplace_back(text.substr(lineStart));
    return lines;
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
    for (const std::wstring& line : lines) total += line.size() + separator.size();
    text.clear();
    text.reserve(total);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += separator;
        text += lines[i];
    }
}
