#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

#include "pipeline.h"

// Splits the lines into CSV/TSV cells, transposes and multiplies as the options say, and joins
// the table back into lines with the separator that occurred more often (comma on a tie).
// Throws std::bad_alloc, before building anything, when a transpose would exceed kMaxTableUnits.
void ApplyTableStage(LineList& lines);

// A ragged transpose of n rows and m columns writes m * (n - 1) separators even when almost every
// cell is empty, so a small text can ask for gigabytes; beyond this the stage refuses.
inline constexpr std::size_t kMaxTableUnits = std::size_t{1} << 28;

// Cells of one line: every comma and TAB ends a cell; quotes have no meaning.
struct SeparatorCounts {
    std::size_t commas = 0;
    std::size_t tabs = 0;
};
std::vector<std::wstring_view> SplitCells(std::wstring_view line, SeparatorCounts& counts);

// The product text of one cell, or the cell itself when its value is 0 or the product is not a number.
std::wstring MultiplyCell(std::wstring_view cell, double factor);
