#pragma once
// Character conversions defined in "Convert.def": named tables of pairs and references.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct ConversionPair {
    std::wstring source;
    std::wstring replacement;
};
struct ConversionReference {
    std::wstring target;  // a leading "!" applies the named table in the opposite direction
};
using ConversionEntry = std::variant<ConversionPair, ConversionReference>;

struct ConversionTable {
    std::wstring name;   // menu text in English, stored in StrConvID
    std::wstring label;  // menu text in Japanese
    std::vector<ConversionEntry> entries;
};

// Every table of the loaded file, in file order; not changed after loading.
extern std::vector<ConversionTable> ConversionSet;

// Loads `file` (UTF-16LE with the FF FE mark) into ConversionSet. False when it cannot be opened,
// lacks the mark or reading failed; the tables read so far then stay.
[[nodiscard]] bool LoadConversionFile(const std::filesystem::path& file);

// Decodes the escapes of one string of an escaped block; never longer than its input.
std::wstring UnescapeConversionText(std::wstring_view text);

// Applies the table `name` at position k of `text`, in place. False, text unchanged, when the name
// is empty, the text is empty or no table has that name.
bool ApplyConversionAt(std::wstring_view name, std::wstring& text, std::size_t k, bool forward);

// The pipeline's conversion stage: ApplyConversionAt forwards at k = 0, 1, 2, ... while k is below
// the current length, in time linear in the text. When a reference cycle or runaway growth stops
// it, the text stays as converted so far and a warning goes to the pending notification.
void ApplyConversion(std::wstring_view name, std::wstring& text);
