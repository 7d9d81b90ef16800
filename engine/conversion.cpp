#include "conversion.h"

std::vector<ConversionTable> ConversionSet;

// Not built yet: the "Convert.def" loader and matcher. Until then no table exists, so every
// conversion name names no table and the text passes through unchanged.
bool LoadConversionFile(const std::filesystem::path&) { return false; }
std::wstring UnescapeConversionText(std::wstring_view text) { return std::wstring(text); }
bool ApplyConversionAt(std::wstring_view, std::wstring&, std::size_t, bool) { return false; }
