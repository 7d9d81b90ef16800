#pragma once
// Per-line operations of the line stage; each changes the list in place.
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

// Columns a unit takes on screen: 1 up to U+00FF and for half-width forms U+FF61-U+FF9F, else 2.
int DisplayWidth(wchar_t unit);
