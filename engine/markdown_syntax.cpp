#include "markdown_syntax.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>

namespace markdown {
namespace {

struct NamedCharacter {
    const char* name;
    char32_t first;
    char32_t second;
};
struct CodePointRange {
    char32_t first;
    char32_t last;
};
struct CaseFolding {
    char32_t from;
    char32_t to[3];
};

#include "markdown_tables.inc"

bool InRanges(std::span<const CodePointRange> ranges, char32_t c) {
    const auto after = std::upper_bound(ranges.begin(), ranges.end(), c,
                                        [](char32_t value, const CodePointRange& range) { return value < range.first; });
    return after != ranges.begin() && c <= std::prev(after)->last;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool IsHexDigit(wchar_t c) { return IsAsciiDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

int HexValue(wchar_t c) { return IsAsciiDigit(c) ? c - L'0' : (c | 0x20) - L'a' + 10; }

// The named reference whose name is text[begin, end), or null.
const NamedCharacter* FindNamedCharacter(std::wstring_view name) {
    const auto less = [](const NamedCharacter& entry, std::wstring_view key) {
        const std::size_t length = std::strlen(entry.name);
        for (std::size_t i = 0; i < length && i < key.size(); ++i)
            if (static_cast<wchar_t>(entry.name[i]) != key[i]) return static_cast<wchar_t>(entry.name[i]) < key[i];
        return length < key.size();
    };
    const auto found = std::lower_bound(std::begin(kNamedCharacters), std::end(kNamedCharacters), name, less);
    if (found == std::end(kNamedCharacters) || std::strlen(found->name) != name.size()) return nullptr;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (static_cast<wchar_t>(found->name[i]) != name[i]) return nullptr;
    return found;
}

void AppendCaseFolded(std::wstring& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<wchar_t>(c >= U'A' && c <= U'Z' ? c + 0x20 : c));
        return;
    }
    const auto found = std::lower_bound(std::begin(kCaseFoldings), std::end(kCaseFoldings), c,
                                        [](const CaseFolding& entry, char32_t value) { return entry.from < value; });
    if (found == std::end(kCaseFoldings) || found->from != c) {
        AppendCodePoint(out, c);
        return;
    }
    for (char32_t folded : found->to)
        if (folded != 0) AppendCodePoint(out, folded);
}

bool IsLinkSpace(wchar_t c) { return IsAsciiWhitespace(c); }  // the link syntax's "spacechar"

std::size_t SkipLinkSpacesFrom(std::wstring_view text, std::size_t at) {
    while (at < text.size() && IsLinkSpace(text[at])) ++at;
    return at;
}

std::size_t SkipSpacesAndTabs(std::wstring_view text, std::size_t at) {
    while (at < text.size() && IsSpaceOrTab(text[at])) ++at;
    return at;
}

// A line end (or the end of the text) at `at`: the position after it, or kNoMatch.
std::size_t SkipLineEnd(std::wstring_view text, std::size_t at) {
    if (at == text.size()) return at;
    return text[at] == L'\n' ? at + 1 : kNoMatch;
}

// Spaces, at most one line end, spaces.
std::size_t SkipSpacesAndOneLineEnd(std::wstring_view text, std::size_t at) {
    at = SkipSpacesAndTabs(text, at);
    if (at < text.size() && text[at] == L'\n') at = SkipSpacesAndTabs(text, at + 1);
    return at;
}

std::size_t ScanTagName(std::wstring_view text, std::size_t at) {
    if (at >= text.size() || !IsAsciiLetter(text[at])) return 0;
    std::size_t end = at + 1;
    while (end < text.size() && (IsAsciiAlphanumeric(text[end]) || text[end] == L'-')) ++end;
    return end - at;
}

bool IsAttributeNameStart(wchar_t c) { return IsAsciiLetter(c) || c == L'_' || c == L':'; }
bool IsAttributeNameChar(wchar_t c) { return IsAsciiAlphanumeric(c) || c == L'_' || c == L':' || c == L'.' || c == L'-'; }
bool IsUnquotedValueChar(wchar_t c) {
    return !IsLinkSpace(c) && c != L'"' && c != L'\'' && c != L'=' && c != L'<' && c != L'>' && c != L'`';
}

// An attribute value at `at`: the position after it, or kNoMatch.
std::size_t ScanAttributeValue(std::wstring_view text, std::size_t at, HtmlSearches& searches) {
    if (at >= text.size()) return kNoMatch;
    if (text[at] == L'"' || text[at] == L'\'') {
        NextOccurrence& quote = text[at] == L'"' ? searches.doubleQuote : searches.singleQuote;
        const std::size_t close = quote.Find(text, at + 1);
        return close == std::wstring_view::npos ? kNoMatch : close + 1;
    }
    std::size_t end = at;
    while (end < text.size() && IsUnquotedValueChar(text[end])) ++end;
    return end > at ? end : kNoMatch;
}

// "<tag attr=value ... />" from the tag name at `at`: the position after it, or kNoMatch.
std::size_t ScanOpenTagFrom(std::wstring_view text, std::size_t at, HtmlSearches& searches) {
    std::size_t p = at + ScanTagName(text, at);
    if (p == at) return kNoMatch;
    for (;;) {
        const std::size_t name = SkipLinkSpacesFrom(text, p);
        if (name == p || name >= text.size() || !IsAttributeNameStart(text[name])) {
            p = name;
            break;
        }
        std::size_t end = name + 1;
        while (end < text.size() && IsAttributeNameChar(text[end])) ++end;
        const std::size_t equals = SkipLinkSpacesFrom(text, end);
        if (equals < text.size() && text[equals] == L'=') {
            const std::size_t value = ScanAttributeValue(text, SkipLinkSpacesFrom(text, equals + 1), searches);
            if (value == kNoMatch) return kNoMatch;
            end = value;
        }
        p = end;
    }
    if (p < text.size() && text[p] == L'/') ++p;
    return p < text.size() && text[p] == L'>' ? p + 1 : kNoMatch;
}

// "</tag >" from the "/" at `at`.
std::size_t ScanClosingTagFrom(std::wstring_view text, std::size_t at) {
    const std::size_t name = ScanTagName(text, at + 1);
    if (name == 0) return kNoMatch;
    const std::size_t p = SkipLinkSpacesFrom(text, at + 1 + name);
    return p < text.size() && text[p] == L'>' ? p + 1 : kNoMatch;
}

std::size_t ScanCommentFrom(std::wstring_view text, std::size_t at, HtmlSearches& searches) {
    // at: after "<!--"; the text may not start with ">" or "->", nor hold "--" before "-->"
    if (text.substr(at, 1) == L">" || text.substr(at, 2) == L"->") return kNoMatch;
    const std::size_t dashes = searches.commentEnd.Find(text, at);
    if (dashes == std::wstring_view::npos || dashes + 2 >= text.size() || text[dashes + 2] != L'>') return kNoMatch;
    return dashes + 3;
}

std::size_t ScanDeclarationFrom(std::wstring_view text, std::size_t at, HtmlSearches& searches) {
    // at: after "<!"; an upper case name, white space, then anything up to ">"
    std::size_t p = at;
    while (p < text.size() && text[p] >= L'A' && text[p] <= L'Z') ++p;
    if (p == at || p >= text.size() || !IsLinkSpace(text[p])) return kNoMatch;
    const std::size_t close = searches.declarationEnd.Find(text, p);
    return close == std::wstring_view::npos ? kNoMatch : close + 1;
}

std::size_t LengthFrom(std::size_t start, std::size_t end) { return end == kNoMatch ? 0 : end - start; }

}  // namespace

bool IsUnicodeWhitespace(char32_t c) {
    if (c < 0x80) return c == U' ' || c == U'\t' || c == U'\n' || c == U'\f' || c == U'\r';
    return InRanges(kSpaceSeparatorRanges, c);
}

bool IsUnicodePunctuation(char32_t c) {
    if (c < 0x80) return IsAsciiPunctuation(static_cast<wchar_t>(c));
    return InRanges(kPunctuationRanges, c);
}

char32_t CodePointAt(std::wstring_view text, std::size_t at) {
    const wchar_t c = text[at];
    if (IsHighSurrogate(c) && at + 1 < text.size() && IsLowSurrogate(text[at + 1]))
        return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (static_cast<char32_t>(text[at + 1]) - 0xDC00);
    return static_cast<char32_t>(c);
}

char32_t CodePointBefore(std::wstring_view text, std::size_t end) {
    const wchar_t c = text[end - 1];
    if (IsLowSurrogate(c) && end >= 2 && IsHighSurrogate(text[end - 2])) return CodePointAt(text, end - 2);
    return static_cast<char32_t>(c);
}

void AppendCodePoint(std::wstring& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<wchar_t>(c));
        return;
    }
    c -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
}

std::size_t DecodeCharacterReference(std::wstring_view text, std::size_t at, std::wstring& out) {
    std::size_t p = at + 1;
    if (p < text.size() && text[p] == L'#') {
        ++p;
        const bool hex = p < text.size() && (text[p] == L'x' || text[p] == L'X');
        if (hex) ++p;
        const std::size_t digitsStart = p;
        char32_t value = 0;
        while (p < text.size() && (hex ? IsHexDigit(text[p]) : IsAsciiDigit(text[p])) && p - digitsStart < 8) {
            value = value * (hex ? 16 : 10) + static_cast<char32_t>(hex ? HexValue(text[p]) : text[p] - L'0');
            ++p;
        }
        const std::size_t digits = p - digitsStart;
        if (digits == 0 || digits > (hex ? 6u : 7u) || p >= text.size() || text[p] != L';') return 0;
        if (value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) value = 0xFFFD;
        AppendCodePoint(out, value);
        return p + 1 - at;
    }
    const std::size_t nameStart = p;
    while (p < text.size() && IsAsciiAlphanumeric(text[p]) && p - nameStart <= 32) ++p;
    if (p >= text.size() || text[p] != L';' || p == nameStart) return 0;
    const NamedCharacter* named = FindNamedCharacter(text.substr(nameStart, p - nameStart));
    if (!named) return 0;
    AppendCodePoint(out, named->first);
    if (named->second != 0) AppendCodePoint(out, named->second);
    return p + 1 - at;
}

void AppendUnescaped(std::wstring_view text, std::wstring& out) {
    for (std::size_t i = 0; i < text.size();) {
        const wchar_t c = text[i];
        if (c == L'\\' && i + 1 < text.size() && IsAsciiPunctuation(text[i + 1])) {
            out.push_back(text[i + 1]);
            i += 2;
        } else if (c == L'&') {
            const std::size_t length = DecodeCharacterReference(text, i, out);
            if (length == 0) out.push_back(c);
            i += std::max<std::size_t>(length, 1);
        } else {
            out.push_back(c);
            ++i;
        }
    }
}

std::wstring CleanUrl(std::wstring_view raw) {
    while (!raw.empty() && IsAsciiWhitespace(raw.front())) raw.remove_prefix(1);
    while (!raw.empty() && IsAsciiWhitespace(raw.back())) raw.remove_suffix(1);
    std::wstring url;
    AppendUnescaped(raw, url);
    return url;
}

std::wstring NormalizeLabel(std::wstring_view label) {
    std::wstring folded;
    folded.reserve(label.size());
    bool pendingSpace = false;
    for (std::size_t i = 0; i < label.size();) {
        const char32_t c = CodePointAt(label, i);
        i += c >= 0x10000 ? 2 : 1;
        if (c < 0x80 && IsAsciiWhitespace(static_cast<wchar_t>(c))) {
            pendingSpace = !folded.empty();
            continue;
        }
        if (pendingSpace) folded.push_back(L' ');
        pendingSpace = false;
        AppendCaseFolded(folded, c);
    }
    return folded;
}

std::size_t NextOccurrence::Find(std::wstring_view text, std::size_t from) {
    if (known_ && from >= from_ && (found_ == std::wstring_view::npos || from <= found_)) return found_;
    known_ = true;
    from_ = from;
    found_ = text.find(pattern_, from);
    return found_;
}

void HtmlSearches::Reset() {
    for (NextOccurrence* search : {&commentEnd, &instructionEnd, &declarationEnd, &cdataEnd, &doubleQuote, &singleQuote})
        search->Reset();
}

std::size_t ScanOpenOrClosingTag(std::wstring_view text, std::size_t at, HtmlSearches& searches) {
    if (at + 1 >= text.size()) return 0;
    if (text[at + 1] == L'/') return LengthFrom(at, ScanClosingTagFrom(text, at + 1));
    return LengthFrom(at, ScanOpenTagFrom(text, at + 1, searches));
}

std::size_t ScanHtmlTag(std::wstring_view text, std::size_t at, HtmlSearches& searches) {
    const std::wstring_view rest = text.substr(at);
    if (rest.starts_with(L"<!--")) return LengthFrom(at, ScanCommentFrom(text, at + 4, searches));
    if (rest.starts_with(L"<![CDATA[")) {
        const std::size_t close = searches.cdataEnd.Find(text, at + 9);
        return close == std::wstring_view::npos ? 0 : close + 3 - at;
    }
    if (rest.starts_with(L"<!")) return LengthFrom(at, ScanDeclarationFrom(text, at + 2, searches));
    if (rest.starts_with(L"<?")) {
        const std::size_t close = searches.instructionEnd.Find(text, at + 2);
        return close == std::wstring_view::npos ? 0 : close + 2 - at;
    }
    return ScanOpenOrClosingTag(text, at, searches);
}

std::size_t ScanLinkDestination(std::wstring_view text, std::size_t at, std::wstring_view& raw) {
    if (at < text.size() && text[at] == L'<') {
        for (std::size_t i = at + 1; i < text.size();) {
            const wchar_t c = text[i];
            if (c == L'>') {
                raw = text.substr(at + 1, i - at - 1);
                return i + 1 - at;
            }
            if (c == L'\n' || c == L'<') return kNoMatch;
            i += c == L'\\' ? 2 : 1;
        }
        return kNoMatch;
    }
    // The end of the text counts as a line end here; parentheses nest 32 deep at most.
    std::size_t i = at;
    int depth = 0;
    while (i < text.size()) {
        const wchar_t c = text[i];
        if (c == L'\\' && i + 1 < text.size() && IsAsciiPunctuation(text[i + 1])) {
            i += 2;
        } else if (c == L'(') {
            if (++depth > 32) return kNoMatch;
            ++i;
        } else if (c == L')') {
            if (depth == 0) break;
            --depth;
            ++i;
        } else if (IsLinkSpace(c)) {
            break;
        } else {
            ++i;
        }
    }
    if (i == at && (i == text.size() || IsLinkSpace(text[i]))) return kNoMatch;
    raw = text.substr(at, i - at);
    return i - at;
}

std::size_t ScanLinkTitle(std::wstring_view text, std::size_t at) {
    if (at >= text.size()) return 0;
    const wchar_t open = text[at];
    const wchar_t close = open == L'(' ? L')' : open;
    if (open != L'"' && open != L'\'' && open != L'(') return 0;
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\\' && i + 1 < text.size() && IsAsciiPunctuation(text[i + 1])) {
            ++i;
        } else if (c == close) {
            return i + 1 - at;
        } else if (open == L'(' && c == L'(') {
            return 0;
        }
    }
    return 0;
}

std::size_t SkipLinkSpaces(std::wstring_view text, std::size_t at) { return SkipLinkSpacesFrom(text, at) - at; }

std::size_t ScanLinkLabel(std::wstring_view text, std::size_t at, std::wstring_view& label) {
    if (at >= text.size() || text[at] != L'[') return 0;
    std::size_t i = at + 1;
    std::size_t length = 0;
    while (i < text.size() && text[i] != L'[' && text[i] != L']') {
        if (text[i] == L'\\' && i + 1 < text.size() && IsAsciiPunctuation(text[i + 1])) {
            i += 2;
            length += 2;
        } else {
            ++i;
            ++length;
        }
        if (length > kMaxLabelLength) return 0;
    }
    if (i >= text.size() || text[i] != L']') return 0;
    label = text.substr(at + 1, i - at - 1);
    return i + 1 - at;
}

namespace {

// One definition at `at`: the position after it (its line end included), or kNoMatch.
std::size_t ParseReferenceDefinition(std::wstring_view text, std::size_t at, ReferenceMap& references) {
    std::wstring_view label;
    const std::size_t labelLength = ScanLinkLabel(text, at, label);
    if (labelLength == 0) return kNoMatch;
    std::size_t p = at + labelLength;
    if (p >= text.size() || text[p] != L':') return kNoMatch;
    p = SkipSpacesAndOneLineEnd(text, p + 1);
    std::wstring_view destination;
    const std::size_t destinationLength = ScanLinkDestination(text, p, destination);
    if (destinationLength == kNoMatch) return kNoMatch;
    p += destinationLength;
    const std::size_t beforeTitle = p;
    const std::size_t titleStart = SkipSpacesAndOneLineEnd(text, p);
    const std::size_t titleLength = titleStart == beforeTitle ? 0 : ScanLinkTitle(text, titleStart);
    std::size_t end = titleLength > 0 ? SkipLineEnd(text, SkipSpacesAndTabs(text, titleStart + titleLength)) : kNoMatch;
    if (end == kNoMatch) end = SkipLineEnd(text, SkipSpacesAndTabs(text, beforeTitle));
    if (end == kNoMatch) return kNoMatch;
    std::wstring key = NormalizeLabel(label);
    if (key.empty()) return kNoMatch;
    if (!references.contains(key)) {
        references.emplace(std::move(key), CleanUrl(destination));
    }
    return end;
}

}  // namespace

std::size_t ParseReferenceDefinitions(std::wstring_view text, ReferenceMap& references) {
    std::size_t at = 0;
    while (at < text.size() && text[at] == L'[') {
        const std::size_t end = ParseReferenceDefinition(text, at, references);
        if (end == kNoMatch) break;
        at = end;
    }
    return at;
}

}  // namespace markdown
