#include "text_cleanup.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

#include "language.h"
#include "markdown.h"
#include "options.h"
#include "pending_notification.h"
#include "unicode_normalization.h"

namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

#include "unicode_letters.inc"

bool InRanges(std::span<const CodePointRange> ranges, char32_t c) {
    const auto after = std::upper_bound(ranges.begin(), ranges.end(), c,
                                        [](char32_t value, const CodePointRange& range) { return value < range.first; });
    return after != ranges.begin() && c <= std::prev(after)->last;
}

bool IsLetter(char32_t c) { return InRanges(kLetterRanges, c); }
bool IsLowercaseLetter(char32_t c) { return InRanges(kLowercaseRanges, c); }

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

char32_t Combine(wchar_t high, wchar_t low) {
    return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
}

// The code point that starts at `at`; a lone surrogate stands for itself.
char32_t CodePointAt(std::wstring_view text, std::size_t at) {
    if (IsHighSurrogate(text[at]) && at + 1 < text.size() && IsLowSurrogate(text[at + 1]))
        return Combine(text[at], text[at + 1]);
    return static_cast<char32_t>(text[at]);
}

// The code point that ends just before `end` (> 0).
char32_t CodePointBefore(std::wstring_view text, std::size_t end) {
    if (IsLowSurrogate(text[end - 1]) && end >= 2 && IsHighSurrogate(text[end - 2]))
        return Combine(text[end - 2], text[end - 1]);
    return static_cast<char32_t>(text[end - 1]);
}

bool IsInvisible(wchar_t c) {
    if (c < 0x00AD) return false;  // settles almost every unit
    return c == 0x00AD || c == 0x180E || c == 0x200B || (c >= 0x2060 && c <= 0x2064) || c == 0xFEFF ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Characters in normal form with combining class 0 that nothing before them combines with (checked
// against ICU): a text of these alone is in normal form already and needs no call to the platform,
// whose own check costs a copy or more.
bool IsPlainlyNormal(wchar_t c, NormalizationChoice choice) {
    if (c < (choice == kNormalizeNfc ? 0x0300 : 0x00A0)) return true;
    return (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x0410 && c <= 0x044F) ||
           (c >= (choice == kNormalizeNfc ? 0x3000 : 0x3001) && c <= 0x3029);  // U+3000 is a space in NFKC
}

bool IsOddSpace(wchar_t c) {
    return c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F;
}

// The ASCII stand-in of a typographic quote or dash, or the character itself.
wchar_t PlainQuoteOrDash(wchar_t c) {
    if (c < 0x2010 || c > 0x2212) return c;  // the first test settles almost every unit
    if (c >= 0x2018 && c <= 0x201B) return L'\'';
    if (c >= 0x201C && c <= 0x201F) return L'"';
    if ((c >= 0x2010 && c <= 0x2014) || c == 0x2212) return L'-';
    return c;
}

constexpr wchar_t kEllipsis = 0x2026;
constexpr wchar_t kIdeographicSpace = 0x3000;
constexpr wchar_t kSoftHyphen = 0x00AD;

bool IsLineBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }
bool IsJoinBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == kIdeographicSpace; }

// Whether a line break starts at `at`: CR LF, LF or CR; the LF of a CR LF is part of the break before it.
bool BreakStartsAt(std::wstring_view text, std::size_t at) {
    return text[at] == L'\r' || (text[at] == L'\n' && (at == 0 || text[at - 1] != L'\r'));
}

// Marks each line break that a soft hyphen ends a line before, blanks and invisible characters
// aside: the unwrap joins the parts of such a word directly once the hyphen is deleted.
void MarkSoftHyphenBreaks(std::wstring_view text, std::vector<bool>& marks) {
    std::size_t breaks = 0;  // line breaks in text[0, counted)
    std::size_t counted = 0;
    for (std::size_t hyphen = text.find(kSoftHyphen); hyphen != std::wstring_view::npos;
         hyphen = text.find(kSoftHyphen, hyphen + 1)) {
        std::size_t end = hyphen + 1;
        while (end < text.size() && (IsJoinBlank(text[end]) || IsInvisible(text[end]))) ++end;
        if (end == text.size() || !IsLineBreak(text[end])) continue;
        for (; counted < end; ++counted)
            if (BreakStartsAt(text, counted)) ++breaks;
        if (marks.size() <= breaks) marks.resize(breaks + 1, false);
        marks[breaks] = true;
    }
}

bool IsCjk(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x20000 && c <= 0x2FA1F) || (c >= 0x30000 && c <= 0x3134F) || (c >= 0x3000 && c <= 0x30FF) ||
           (c >= 0x31F0 && c <= 0x31FF) || (c >= 0xFF00 && c <= 0xFFEF);
}

bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

std::size_t CountDigits(std::wstring_view text, std::size_t at) {
    std::size_t count = 0;
    while (at + count < text.size() && IsAsciiDigit(text[at + count])) ++count;
    return count;
}

// Whether the line (without its break) begins a list item: a bullet, a numbered or lettered label.
bool StartsListItem(std::wstring_view line) {
    std::size_t i = 0;
    while (i < line.size() && IsJoinBlank(line[i])) ++i;
    if (i == line.size()) return false;
    const wchar_t first = line[i];
    const auto blankAt = [&](std::size_t at) { return at < line.size() && IsJoinBlank(line[at]); };
    if (std::wstring_view(L"\u2022\u2023\u25AA-*+\u2013").find(first) != std::wstring_view::npos) return blankAt(i + 1);
    if (std::wstring_view(L"\u30FB\u25CF\u25CB\u25A0\u25A1\u25C6\u25C7\u203B").find(first) != std::wstring_view::npos ||
        (first >= 0x2460 && first <= 0x2473))
        return true;
    if (first == L'(') {
        const std::size_t digits = CountDigits(line, i + 1);
        const std::size_t close = i + 1 + digits;
        return digits >= 1 && digits <= 3 && close < line.size() && line[close] == L')' &&
               close + 1 < line.size() && line[close + 1] == L' ';
    }
    const std::size_t digits = CountDigits(line, i);
    const std::size_t label = digits >= 1 && digits <= 3 ? digits : IsAsciiLetter(first) ? 1 : 0;
    const std::size_t mark = i + label;
    return label > 0 && mark < line.size() && (line[mark] == L'.' || line[mark] == L')') && blankAt(mark + 1);
}

bool IsBlankLine(std::wstring_view line) { return std::all_of(line.begin(), line.end(), IsJoinBlank); }

// The joined text is kept in place, in text[0, written): a join never makes the text longer, so
// what is written never reaches what is still to be read, and a 10 MB paragraph needs no copy.
void MoveDown(std::wstring& text, std::size_t& written, std::wstring_view piece) {
    wchar_t* const to = text.data() + written;
    if (piece.data() != to) std::copy(piece.begin(), piece.end(), to);  // `to` lies before the piece
    written += piece.size();
}

// Whether a removed break becomes a space, between the last character of line A and the first of
// line B: between CJK characters it is nothing, beside Latin text a space, and between the two a
// blank the text had at the break stays one space.
bool SpaceAtJoin(char32_t last, char32_t first, bool blankAtBreak) {
    const bool cjkLast = IsCjk(last), cjkFirst = IsCjk(first);
    return cjkLast == cjkFirst ? !cjkLast : blankAtBreak;
}

// Appends line B across a removed break to the joined text, which ends with line A.
// `softHyphenDeleted`: a soft hyphen ended line A before the invisible characters went.
void JoinAcrossBreak(std::wstring& text, std::size_t& written, std::wstring_view next, bool softHyphenDeleted) {
    const std::size_t lineEnd = written;
    while (written > 0 && IsJoinBlank(text[written - 1])) --written;
    std::size_t start = 0;
    while (start < next.size() && IsJoinBlank(next[start])) ++start;
    const bool blankAtBreak = start > 0 || written < lineEnd;
    next.remove_prefix(start);
    // Both lines hold more than blanks, so neither side is empty here.
    const std::wstring_view joined(text.data(), written);
    const char32_t last = CodePointBefore(joined, written);
    const char32_t first = CodePointAt(next, 0);
    // "exam\u00AD" + "ple" and "exam-" + "ple": words the line end split, joined with nothing between
    const bool softHyphen = softHyphenDeleted || last == kSoftHyphen;
    const bool hyphen = last == L'-' && written >= 2 && IsLetter(CodePointBefore(joined, written - 1)) &&
                        IsLowercaseLetter(first);
    if (hyphen && !softHyphen)
        --written;
    else if (!softHyphen && SpaceAtJoin(last, first, blankAtBreak))
        text[written++] = L' ';  // where the break was
    MoveDown(text, written, next);
}

struct Line {
    std::wstring_view text;    // without its break
    std::wstring_view ending;  // CR LF, LF, CR or nothing at the end of the text
};

Line LineAt(std::wstring_view text, std::size_t start) {
    std::size_t end = start;
    while (end < text.size() && !IsLineBreak(text[end])) ++end;
    std::size_t after = end;
    if (after < text.size()) after += text[after] == L'\r' && after + 1 < text.size() && text[after + 1] == L'\n' ? 2 : 1;
    return {text.substr(start, end - start), text.substr(end, after - end)};
}

}  // namespace

bool CleanupWanted(const ProcessingOptionsRecord& o) {
    return o.CLN_MARKDOWN || o.CLN_INVISIBLE || o.CLN_SPACES || o.CLN_QUOTES || o.CLN_NORMALIZE != kNormalizeNone ||
           o.CLN_UNWRAP;
}

void ApplyTextCleanup(const ProcessingOptionsRecord& o, std::wstring& text) {
    LineBreakMarks marks;
    // Markdown goes first, on the text as written: a later stage must not make syntax of plain text
    // (a dash turned into "-" at a line start would read as a list item).
    if (o.CLN_MARKDOWN) {
        // Its headings, table rows, code lines and list items are lines of their own: the unwrap
        // joins only the soft breaks of its paragraphs.
        std::vector<bool> joinable;
        text = MarkdownToPlainText(text, o.CLN_UNWRAP ? &joinable : nullptr);
        marks.keptByMarkdown = std::move(joinable);
        marks.keptByMarkdown.flip();
    }
    if (o.CLN_INVISIBLE) DeleteInvisibleCharacters(text, o.CLN_UNWRAP ? &marks : nullptr);
    if (o.CLN_SPACES) ReplaceOddSpaces(text);
    if (o.CLN_QUOTES) PlainQuotesAndDashes(text);
    if (o.CLN_UNWRAP) MarkListItems(text, marks);
    if (o.CLN_NORMALIZE != kNormalizeNone) NormalizeUnicode(text, static_cast<NormalizationChoice>(o.CLN_NORMALIZE));
    if (o.CLN_UNWRAP) JoinParagraphLines(text, marks);
}

void DeleteInvisibleCharacters(std::wstring& text, LineBreakMarks* marks) {
    // Reading alone is cheaper than moving every unit, and most texts hold none of them.
    const auto first = std::find_if(text.begin(), text.end(), IsInvisible);
    if (first == text.end()) return;
    if (marks) MarkSoftHyphenBreaks(text, marks->softHyphenBefore);
    text.erase(std::remove_if(first, text.end(), IsInvisible), text.end());
}

void ReplaceOddSpaces(std::wstring& text) {
    std::replace_if(text.begin(), text.end(), IsOddSpace, L' ');
}

void PlainQuotesAndDashes(std::wstring& text) {
    std::size_t ellipses = 0;
    for (wchar_t& c : text) {
        c = PlainQuoteOrDash(c);
        if (c == kEllipsis) ++ellipses;
    }
    if (ellipses == 0) return;
    // Each ellipsis grows by two units: spread the text from its end, so it moves once.
    std::size_t from = text.size();
    text.resize(text.size() + 2 * ellipses);
    std::size_t to = text.size();
    while (from > 0) {
        const wchar_t c = text[--from];
        if (c == kEllipsis) {
            text[--to] = L'.';
            text[--to] = L'.';
            text[--to] = L'.';
        } else {
            text[--to] = c;
        }
    }
}

void NormalizeUnicode(std::wstring& text, NormalizationChoice choice) {
    if (text.empty() || choice == kNormalizeNone) return;
    if (std::all_of(text.begin(), text.end(), [choice](wchar_t c) { return IsPlainlyNormal(c, choice); })) return;
    const NormalForm form = choice == kNormalizeNfkc ? NormalForm::KC : NormalForm::C;
    if (NormalizeWithPlatform(text, form)) return;
    PendingNotification::Append(
        Tr(L"システムが受け付けなかったため、Unicode 正規化をせずにテキストをそのまま残しました"
           L"（不正なサロゲートや U+FFFF などの非文字が含まれている可能性があります）。",
           L"Unicode normalization was skipped and the text left as it is: the system refused it (it may hold a "
           L"lone surrogate or a noncharacter such as U+FFFF)."),
        SeverityWarning);
}

void MarkListItems(std::wstring_view text, LineBreakMarks& marks) {
    marks.listItemAfter.clear();
    Line line = LineAt(text, 0);
    std::size_t next = line.text.size() + line.ending.size();
    while (!line.ending.empty()) {
        line = LineAt(text, next);
        next += line.text.size() + line.ending.size();
        marks.listItemAfter.push_back(StartsListItem(line.text));
    }
}

void JoinParagraphLines(std::wstring& text, const LineBreakMarks& marks) {
    const auto marked = [](const std::vector<bool>& flags, std::size_t at) { return at < flags.size() && flags[at]; };
    const std::wstring_view source = text;  // never reallocated below, so the view stays valid
    Line line = LineAt(source, 0);
    std::size_t written = line.text.size();  // the first line stays where it is
    bool lineBlank = IsBlankLine(line.text);
    std::size_t next = line.text.size() + line.ending.size();
    for (std::size_t lineBreak = 0; !line.ending.empty(); ++lineBreak) {
        const Line following = LineAt(source, next);
        // The normalisation can have made a line blank (NFKC turns a no-break space into a space).
        const bool followingBlank = IsBlankLine(following.text);
        // A list item counts whether its label was there before the normalisation (①) or only
        // after it (NFKC makes "１． " a "1. ").
        const bool listItem = marked(marks.listItemAfter, lineBreak) || StartsListItem(following.text);
        if (!lineBlank && !followingBlank && !listItem && !marked(marks.keptByMarkdown, lineBreak)) {
            JoinAcrossBreak(text, written, following.text, marked(marks.softHyphenBefore, lineBreak));
        } else {
            MoveDown(text, written, line.ending);
            MoveDown(text, written, following.text);
        }
        next += following.text.size() + following.ending.size();
        line = following;
        lineBlank = followingBlank;
    }
    text.resize(written);
}
