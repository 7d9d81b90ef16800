#include "table_stage.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <string>

#include "decimal_number.h"
#include "options.h"

namespace {

// The cells of all rows in one array, row r being cells[rowStarts[r]] up to cells[rowStarts[r + 1]].
// Cells point into the old lines, which stay alive until the joined lines replace them.
struct CellTable {
    std::vector<std::wstring_view> cells;
    std::vector<std::size_t> rowStarts{0};

    std::size_t Rows() const { return rowStarts.size() - 1; }
    std::size_t RowSize(std::size_t row) const { return rowStarts[row + 1] - rowStarts[row]; }
    std::wstring_view Cell(std::size_t row, std::size_t column) const { return cells[rowStarts[row] + column]; }
};

// Splits one line onto the end of `cells`; every comma and TAB ends a cell.
void AppendCells(std::wstring_view line, SeparatorCounts& counts, std::vector<std::wstring_view>& cells) {
    std::size_t cellStart = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != L',' && line[i] != L'\t') continue;
        ++(line[i] == L',' ? counts.commas : counts.tabs);
        cells.push_back(line.substr(cellStart, i - cellStart));
        cellStart = i + 1;
    }
    cells.push_back(line.substr(cellStart));
}

std::size_t WidestRow(const CellTable& table) {
    std::size_t columns = 0;
    for (std::size_t row = 0; row < table.Rows(); ++row) columns = std::max(columns, table.RowSize(row));
    return columns;
}

std::size_t CellUnits(const CellTable& table) {
    std::size_t units = 0;
    for (std::wstring_view cell : table.cells) units += cell.size();
    return units;
}

// A transpose writes columns * (rows - 1) separators however few cells there are.
void RefuseOversizedTranspose(std::size_t rows, std::size_t columns, std::size_t cellUnits) {
    if (rows == 0 || columns == 0) return;
    if (rows - 1 > kMaxTableUnits / columns) throw std::bad_alloc();
    const std::size_t separators = columns * (rows - 1);
    if (cellUnits > kMaxTableUnits - separators) throw std::bad_alloc();
}

// The factor is absent when the numbers are left as they are.
void AppendCell(std::wstring& line, std::wstring_view cell, const std::optional<double>& factor) {
    if (factor) line += MultiplyCell(cell, *factor);
    else line += cell;
}

LineList JoinRows(const CellTable& table, wchar_t separator, const std::optional<double>& factor) {
    LineList joined;
    joined.spans.reserve(table.Rows());
    joined.text.reserve(CellUnits(table) + table.cells.size());
    for (std::size_t row = 0; row < table.Rows(); ++row) {
        const std::size_t start = joined.text.size();
        for (std::size_t column = 0; column < table.RowSize(row); ++column) {
            if (column > 0) joined.text += separator;
            AppendCell(joined.text, table.Cell(row, column), factor);
        }
        joined.spans.push_back({start, joined.text.size() - start});
    }
    return joined;
}

// Column j of the old table becomes row j; a row too short for column j gives an empty cell.
LineList JoinColumns(const CellTable& table, wchar_t separator, const std::optional<double>& factor) {
    const std::size_t columns = WidestRow(table);
    const std::size_t cellUnits = CellUnits(table);
    RefuseOversizedTranspose(table.Rows(), columns, cellUnits);
    LineList joined;
    joined.spans.reserve(columns);
    joined.text.reserve(cellUnits + columns * table.Rows());
    for (std::size_t column = 0; column < columns; ++column) {
        const std::size_t start = joined.text.size();
        for (std::size_t row = 0; row < table.Rows(); ++row) {
            if (row > 0) joined.text += separator;
            if (column < table.RowSize(row)) AppendCell(joined.text, table.Cell(row, column), factor);
        }
        joined.spans.push_back({start, joined.text.size() - start});
    }
    return joined;
}

}  // namespace

std::vector<std::wstring_view> SplitCells(std::wstring_view line, SeparatorCounts& counts) {
    std::vector<std::wstring_view> cells;
    AppendCells(line, counts, cells);
    return cells;
}

std::wstring MultiplyCell(std::wstring_view cell, double factor) {
    const double value = ReadDecimalNumber(cell);
    if (value == 0) return std::wstring(cell);
    const double product = value * factor;
    // Only an overflowing cell times 0 gets here; no number is better than a made-up one.
    if (std::isnan(product)) return std::wstring(cell);
    return FormatGeneral(product);
}

void ApplyTableStage(LineList& lines) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    SeparatorCounts counts;
    CellTable table;
    table.rowStarts.reserve(lines.size() + 1);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        AppendCells(lines[i], counts, table.cells);
        table.rowStarts.push_back(table.cells.size());
    }
    const wchar_t separator = counts.tabs > counts.commas ? L'\t' : L',';
    std::optional<double> factor;
    if (o.MUL_BY_N != L"1") factor = ReadDecimalNumber(o.MUL_BY_N);
    lines = o.CSVTSV_CHANGEROWCOL ? JoinColumns(table, separator, factor) : JoinRows(table, separator, factor);
}
