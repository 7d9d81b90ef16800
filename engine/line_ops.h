#pragma once
// Per-line operations of the line stage; each changes the list in place.
#include <string>
#include <string_view>
#include <vector>

#include "pipeline.h"

void TrimLeft(LineList& lines);   // the enabled FEL_TRIMLEFT* units, as one set
void TrimRight(LineList& lines);  // the enabled FEL_TRIMRIGHT* units, as one set
void SortAscending(LineList& lines);   // by unsigned 16-bit code units: no locale, no case folding
void SortDescending(LineList& lines);
// Removes a line equal to the line before it; a run collapses to its first line.
void RemoveConsecutiveDuplicates(LineList& lines);
void RemoveEmptyLines(LineList& lines);
// Tab stops every tabWidth display columns from the start of each line.
void ExpandTabs(LineList& lines, int tabWidth);

// The same trims and sorts over spans of a text the caller keeps, so the stage can read a text
// where it already is instead of copying it first.
void TrimLeft(std::wstring_view text, std::vector<LineSpan>& spans);
void TrimRight(std::wstring_view text, std::vector<LineSpan>& spans);
void SortLines(std::wstring_view text, std::vector<LineSpan>& spans, bool descending);

// What happens to the lines after the sort when no table stage comes between.
struct LineWriting {
    bool removeDuplicates;  // as RemoveConsecutiveDuplicates
    bool removeEmpty;       // as RemoveEmptyLines, after the duplicates
    int tabWidth;           // as ExpandTabs; 0 keeps TABs
    std::wstring_view separator;
};
// Uniq and blank-line removal over the spans, then TAB expansion and joining straight into
// `output`, with the same result as those steps one after the other. `text` may be `output` itself.
void WriteLines(std::wstring_view text, std::vector<LineSpan> spans, const LineWriting& how, std::wstring& output);

// Columns a unit takes on screen: 1 up to U+00FF and for half-width forms U+FF61-U+FF9F, else 2.
int DisplayWidth(wchar_t unit);
