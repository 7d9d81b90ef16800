#pragma once
// The engine's single entry and the line model every line-based stage shares.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

struct LineSpan {
    std::size_t start;
    std::size_t length;
};

// Lines without CR or LF; n line breaks give n + 1 lines. Each line is a span of `text`, so
// splitting copies nothing and trims, sorts and removals move spans only; 800,000 separate
// strings would cost an allocation each and more memory than the text itself.
struct LineList {
    std::wstring text;            // the units the spans point into, possibly more
    std::vector<LineSpan> spans;  // the lines, in order

    LineList() = default;
    LineList(std::initializer_list<std::wstring_view> lines);

    std::size_t size() const { return spans.size(); }
    std::wstring_view operator[](std::size_t i) const { return View(spans[i]); }
    std::wstring_view View(LineSpan span) const { return std::wstring_view(text).substr(span.start, span.length); }
    void Append(std::wstring_view line);
    bool operator==(const LineList& other) const;  // same lines, wherever they are kept
};

// Runs the text cleanup, then the six stages, in their fixed order over `input` (up to its first NUL) into `output`.
// Exceptions of the conversion, deletion, line and command stages reach the caller.
void ProcessText(const wchar_t* conversionName, const wchar_t* input, std::wstring& output);
// The same for the names or paths of copied files, one a line, that the clipboard service made:
// Nuvela's own text, which the cleanup stages would spoil (two names joined into one line, a path
// that no longer exists), so they are skipped; every other stage runs as for a copied text.
void ProcessFileList(const wchar_t* conversionName, const wchar_t* input, std::wstring& output);

void DeleteCharacters(std::wstring& text);

// CR, LF and CR LF are each one break; LF CR is two. The list keeps `text` as its buffer.
LineList SplitLines(std::wstring text);
// The same lines as spans of a text that stays where it is.
std::vector<LineSpan> SplitSpans(std::wstring_view text);
// CR LF unless exactly one of LC_LF / LC_CR is on.
std::wstring_view LineSeparator();
void JoinLines(const LineList& lines, std::wstring& text);
