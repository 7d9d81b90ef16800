#pragma once
// What the Markdown stage's block pass and inline pass share: the character classes, character
// references, link labels, destinations and titles, and raw HTML tags as CommonMark defines them.
// Texts are UTF-16 units in wchar_t, whatever its width.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace markdown {

constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

// Link reference definitions: normalised label to destination; the first definition of a label wins.
using ReferenceMap = std::unordered_map<std::wstring, std::wstring>;

inline bool IsAsciiPunctuation(wchar_t c) {
    return (c >= L'!' && c <= L'/') || (c >= L':' && c <= L'@') || (c >= L'[' && c <= L'`') || (c >= L'{' && c <= L'~');
}
// Space, tab, line feed, vertical tab, form feed and carriage return.
inline bool IsAsciiWhitespace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
inline bool IsSpaceOrTab(wchar_t c) { return c == L' ' || c == L'\t'; }
inline bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
inline bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
inline bool IsAsciiAlphanumeric(wchar_t c) { return IsAsciiLetter(c) || IsAsciiDigit(c); }

bool IsUnicodeWhitespace(char32_t c);
bool IsUnicodePunctuation(char32_t c);
// The code point at or before a position; a lone surrogate stands for itself.
char32_t CodePointAt(std::wstring_view text, std::size_t at);
char32_t CodePointBefore(std::wstring_view text, std::size_t end);
void AppendCodePoint(std::wstring& out, char32_t c);

// A character reference at text[at] ("&amp;", "&#65;", "&#x41;"): its length, with the character(s)
// appended to `out`, or 0 when there is none.
std::size_t DecodeCharacterReference(std::wstring_view text, std::size_t at, std::wstring& out);
// Backslash escapes and character references resolved, as in link destinations and titles.
void AppendUnescaped(std::wstring_view text, std::wstring& out);
// A link destination as it is used: surrounding white space trimmed, escapes and references resolved.
std::wstring CleanUrl(std::wstring_view raw);

// A label as definitions and references are matched: case folded, inner whitespace one space,
// trimmed. Empty when the label has nothing but whitespace.
std::wstring NormalizeLabel(std::wstring_view label);
constexpr std::size_t kMaxLabelLength = 999;

// The positions in a text of the next occurrence of a pattern from a rising start, found once:
// the scanners that look for the end of a comment or a quoted value ask again and again from
// later positions, and the answer does not change until the start passes it.
class NextOccurrence {
public:
    explicit NextOccurrence(std::wstring_view pattern) : pattern_(pattern) {}
    std::size_t Find(std::wstring_view text, std::size_t from);
    void Reset() { known_ = false; }

private:
    std::wstring_view pattern_;
    bool known_ = false;
    std::size_t from_ = 0;
    std::size_t found_ = 0;
};

// The searches of the raw HTML scanner in one text.
struct HtmlSearches {
    NextOccurrence commentEnd{L"--"};
    NextOccurrence instructionEnd{L"?>"};
    NextOccurrence declarationEnd{L">"};
    NextOccurrence cdataEnd{L"]]>"};
    NextOccurrence doubleQuote{L"\""};
    NextOccurrence singleQuote{L"'"};
    void Reset();
};

// A raw HTML tag (open, closing, comment, processing instruction, declaration or CDATA) starting
// with the "<" at text[at]: its length, or 0.
std::size_t ScanHtmlTag(std::wstring_view text, std::size_t at, HtmlSearches& searches);
// An open or closing tag only, as an HTML block of the seventh kind starts with.
std::size_t ScanOpenOrClosingTag(std::wstring_view text, std::size_t at, HtmlSearches& searches);

// A link destination at text[at]: its length (0 for "<>"-less empty is a failure: kNoMatch), and
// its raw text without the angle brackets in `raw`.
std::size_t ScanLinkDestination(std::wstring_view text, std::size_t at, std::wstring_view& raw);
// A link title ("...", '...' or (...)) at text[at]: its length, or 0.
std::size_t ScanLinkTitle(std::wstring_view text, std::size_t at);
// Spaces, tabs and line ends from text[at] (the "spacechars" of the link syntax).
std::size_t SkipLinkSpaces(std::wstring_view text, std::size_t at);
// A link label "[...]" at text[at]: its length, with the inner text in `label`, or 0.
std::size_t ScanLinkLabel(std::wstring_view text, std::size_t at, std::wstring_view& label);

// Link reference definitions at the start of a paragraph's text, added to `references` (a label
// defined before keeps its first destination): how much of the text they take.
std::size_t ParseReferenceDefinitions(std::wstring_view text, ReferenceMap& references);

}  // namespace markdown
