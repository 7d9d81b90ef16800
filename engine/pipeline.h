#pragma once
// The engine's single entry and the line model every line-based stage shares.
#include <string>
#include <string_view>
#include <vector>

// Lines without CR or LF; n line breaks give n + 1 lines.
using LineList = std::vector<std::wstring>;

// Runs the six stages in their fixed order over `input` (up to its first NUL) into `output`.
// Exceptions of the conversion, deletion, line and command stages reach the caller.
void ProcessText(const wchar_t* conversionName, const wchar_t* input, std::wstring& output);

void DeleteCharacters(std::wstring& text);

// CR, LF and CR LF are each one break; LF CR is two.
LineList SplitLines(std::wstring_view text);
// CR LF unless exactly one of LC_LF / LC_CR is on.
std::wstring_view LineSeparator();
void JoinLines(const LineList& lines, std::wstring& text);
