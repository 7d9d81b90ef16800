#include "table_stage.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <string>

#include "decimal_number.h"
#include "options.h"

namespace {

// Cells point into the old lines, which stay alive until the joined lines replace them.
using CellRow = std::vector<std::wstring_view>;
using CellTable = std::vector<CellRow>;

struct TableShape {
    std::size_t rows = 0;
    std::size_t columns = 0;  // the most cells of any row
    std::size_t cellUnits = 0;
};

TableShape MeasureTable(const CellTable& table) {
    TableShape shape{.rows = table.size()};
    for (const CellRow& row : table) {
        shape.columns = std::max(shape.columns, row.size());
        for (std::wstring_view cell : row) shape.cellUnits += cell.size();
    }
    return shape;
}

void RefuseOversizedTranspose(const TableShape& shape) {
    const std::size_t separators = shape.rows == 0 ? 0 : shape.columns * (shape.rows - 1);
    if (shape.columns != 0 && separators / shape.columns != shape.rows - 1) throw std::bad_alloc();
    if (separators > kMaxTableUnits || shape.cellUnits > kMaxTableUnits - separators) throw std::bad_alloc();
}

// The factor is absent when the numbers are left as they are.
void AppendCell(std::wstring& line, std::wstring_view cell, const std::optional<double>& factor) {
    if (factor) line += MultiplyCell(cell, *factor);
    else line += cell;
}

LineList JoinRows(const CellTable& table, wchar_t separator, const std::optional<double>& factor) {
    LineList joined;
    joined.spans.reserve(table.size());
    for (const CellRow& row : table) {
        const std::size_t start = joined.text.size();
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) joined.text += separator;
            AppendCell(joined.text, row[i], factor);
        }
        joined.spans.push_back({start, joined.text.size() - start});
    }
    return joined;
}

// Column j of the old table becomes row j; a row too short for column j gives an empty cell.
LineList JoinColumns(const CellTable& table, const TableShape& shape, wchar_t separator,
                     const std::optional<double>& factor) {
    LineList joined;
    joined.spans.reserve(shape.columns);
    joined.text.reserve(shape.cellUnits + shape.columns * table.size());
    for (std::size_t j = 0; j < shape.columns; ++j) {
        const std::size_t start = joined.text.size();
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (i > 0) joined.text += separator;
            if (j < table[i].size()) AppendCell(joined.text, table[i][j], factor);
        }
        joined.spans.push_back({start, joined.text.size() - start});
    }
    return joined;
}

}  // namespace

std::vector<std::wstring_view> SplitCells(std::wstring_view line, SeparatorCounts& counts) {
    std::vector<std::wstring_view> cells;
    std::size_t cellStart = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != L',' && line[i] != L'\t') continue;
        ++(line[i] == L',' ? counts.commas : counts.tabs);
        cells.push_back(line.substr(cellStart, i - cellStart));
        cellStart = i + 1;
    }
    cells.push_back(line.substr(cellStart));
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
    table.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) table.push_back(SplitCells(lines[i], counts));
    const wchar_t separator = counts.tabs > counts.commas ? L'\t' : L',';
    std::optional<double> factor;
    if (o.MUL_BY_N != L"1") factor = ReadDecimalNumber(o.MUL_BY_N);
    if (o.CSVTSV_CHANGEROWCOL) {
        const TableShape shape = MeasureTable(table);
        RefuseOversizedTranspose(shape);
        lines = JoinColumns(table, shape, separator, factor);
    } else {
        lines = JoinRows(table, separator, factor);
    }
}
