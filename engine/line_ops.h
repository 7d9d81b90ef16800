#pragma once
// Per-line operations of the line stage; each changes the list in place.
#include "pipeline.h"

void TrimLeft(LineList& lines);   // the enabled FEL_TRIMLEFT* units, as one set
void TrimRight(LineList& lines);  // the enabled FEL_TRIMRIGHT* units, as one set
void SortAscending(LineList& lines);
void SortDescending(LineList& lines);
void RemoveConsecutiveDuplicates(LineList& lines);
void RemoveEmptyLines(LineList& lines);
void ExpandTabs(LineList& lines, int tabWidth);

// Columns a unit takes on screen: 1 up to U+00FF and for half-width forms U+FF61-U+FF9F, else 2.
int DisplayWidth(wchar_t unit);
