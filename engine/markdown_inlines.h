#pragma once
// The Markdown stage's inline pass: the content of one paragraph, heading or table cell written
// as plain text. Emphasis follows CommonMark's delimiter stack, links and images its bracket
// rules, so the work grows with the text alone however its brackets and delimiters fall.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "markdown_syntax.h"

namespace markdown {

class InlineConverter {
public:
    explicit InlineConverter(const ReferenceMap& references) : references_(references) {}

    // Appends the plain text of `text` to `out`: line breaks become "\n", or spaces where
    // `breaksAsSpaces` (a heading or a table cell is one line).
    void Convert(std::wstring_view text, bool breaksAsSpaces, std::wstring& out);
    // Where the last Convert wrote a soft line break (the source's own line end inside a paragraph,
    // which the unwrap may join), counted from where it began to write.
    const std::vector<std::size_t>& SoftBreaks() const { return softBreaks_; }

private:
    // Small, as a long paragraph has about one piece and one delimiter for every few characters
    // (texts are shorter than 2^31 units; see MarkdownToPlainText).
    struct Piece {
        std::size_t begin;
        std::uint32_t length;
        bool extra;  // in extra_, else in the text
    };
    struct Delimiter {
        std::uint32_t piece;
        std::uint32_t runLength;  // the whole run's, for the rule of three
        std::int32_t previous;
        std::int32_t next;
        wchar_t character;
        bool canOpen;
        bool canClose;
    };
    struct Bracket {
        std::size_t piece;
        std::size_t textStart;         // after "[" or "!["
        std::int32_t lastDelimiter;  // the top of the delimiter stack when it was pushed
        bool image;
        bool bracketAfter;  // another bracket was pushed after it
    };

    void Reset(std::wstring_view text, bool breaksAsSpaces);
    std::size_t AddText(std::size_t at);
    void AddSource(std::size_t begin, std::size_t length);
    void AddExtra(std::wstring_view text);
    void AddBreak(bool soft = false);
    std::size_t AddAutolinkOrText(std::size_t at, std::size_t end);
    std::size_t HandleBackslash(std::size_t at);
    std::size_t HandleBackticks(std::size_t at);
    std::size_t HandleEntity(std::size_t at);
    std::size_t HandleDelimiterRun(std::size_t at);
    std::size_t HandleAngleBracket(std::size_t at);
    std::size_t HandleCloseBracket(std::size_t at);
    void PushBracket(std::size_t at, bool image);
    void PopBracket();
    void MakeLink(const std::wstring& url);
    struct Flanks {
        char32_t before;
        char32_t after;
        bool left;
        bool right;
    };
    void Flanking(std::size_t start, std::size_t end, bool skipTildes, Flanks& flanks) const;
    void PushDelimiter(wchar_t character, std::size_t runLength, bool canOpen, bool canClose);
    void RemoveDelimiter(std::int32_t index);
    void ProcessEmphasis(std::int32_t bottom);
    std::int32_t InsertEmphasis(std::int32_t opener, std::int32_t closer);
    std::int32_t InsertStrikethrough(std::int32_t opener, std::int32_t closer);
    std::size_t ClosingBackticks(std::size_t after, std::size_t length);
    bool AutolinksAllowed() const { return brackets_.empty(); }
    bool StartsWwwAutolink(std::size_t at) const;
    std::size_t WwwAutolinkEnd(std::size_t at) const;
    std::size_t UrlAutolinkEnd(std::size_t colon) const;
    std::size_t CheckDomain(std::size_t start, std::size_t size, bool allowShort) const;
    std::size_t TrimAutolinkEnd(std::size_t start, std::size_t length) const;
    std::wstring_view PieceText(const Piece& piece) const;

    const ReferenceMap& references_;
    std::wstring_view text_;
    bool breaksAsSpaces_ = false;
    std::vector<std::size_t> softBreakPieces_;  // in order
    std::vector<std::size_t> softBreaks_;
    std::vector<Piece> pieces_;
    std::wstring extra_;  // characters the text does not hold as they are written out
    std::vector<Delimiter> delimiters_;
    std::int32_t lastDelimiter_ = -1;
    std::vector<Bracket> brackets_;
    std::size_t inactiveBelow_ = 0;  // link brackets below this depth can no longer open a link
    std::vector<std::pair<std::size_t, std::size_t>> backtickRuns_;  // (length, start), sorted
    bool backtickRunsFound_ = false;
    HtmlSearches htmlSearches_;
    std::wstring linkText_;
};

}  // namespace markdown
