#pragma once
// Character conversions defined in "Convert.def".
#include <cstddef>
#include <string>
#include <string_view>

// Applies the table `name` at position k of `text`, in place. False, text unchanged, when the name
// is empty, the text is empty or no table has that name.
bool ApplyConversionAt(std::wstring_view name, std::wstring& text, std::size_t k, bool forward);
