#pragma once
// The Markdown stage's block pass: the text's lines read into CommonMark's block structure
// (block quotes, lists, code, HTML, headings, paragraphs) and GitHub's tables and task items,
// line by line, each line looked at a fixed number of times however deep its containers nest.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "markdown_syntax.h"

namespace markdown {

enum class BlockKind : std::uint8_t {
    Document, BlockQuote, List, Item, Paragraph, Heading, ThematicBreak, FencedCode, IndentedCode, HtmlBlock, Table,
    Removed,  // a paragraph that held only link reference definitions
};

enum class Task : std::uint8_t { None, Open, Done };

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// A line of a leaf block: `spaces` columns of a tab that a container marker used in part come
// before text[begin, end).
struct ContentLine {
    std::size_t begin;
    std::size_t end;
    std::size_t spaces;
};

struct Block {
    BlockKind kind;
    bool open = true;
    std::size_t parent = kNone;
    std::size_t firstChild = kNone;
    std::size_t lastChild = kNone;
    std::size_t next = kNone;
    std::size_t startLine = 0;  // source lines, from 0
    std::size_t endLine = 0;    // of a leaf: its last line with content
    std::size_t firstLine = 0;  // its content lines in Document::lines, one after another
    std::size_t lineCount = 0;
    // Lists and items
    bool ordered = false;
    wchar_t marker = 0;  // the bullet, or "." or ")" after the number
    std::uint64_t start = 0;
    std::size_t markerOffset = 0;
    std::size_t padding = 0;
    Task task = Task::None;
    // Fenced code
    wchar_t fenceChar = 0;
    std::size_t fenceLength = 0;
    std::size_t fenceOffset = 0;
    int htmlType = 0;
    int level = 0;  // of a heading
    // Paragraphs, setext headings and tables
    bool referencesResolved = false;
    std::size_t resolvedLines = 0;  // lines read for definitions; a failed setext underline adds more
    bool unescapePipes = false;  // the lines before a table, as GitHub reads them
    std::size_t columns = 0;
    std::size_t inlineBegin = 0;  // the inline content in Document::inlineText
    std::size_t inlineLength = 0;
};

struct Document {
    std::wstring_view text;
    std::vector<Block> blocks;  // blocks[0] is the document
    std::vector<ContentLine> lines;
    std::wstring inlineText;  // the joined lines of paragraphs and setext headings
    ReferenceMap references;
};

Document ParseBlocks(std::wstring_view text);

// The cells of one table row as GitHub splits it at unescaped pipes, each trimmed.
std::vector<std::wstring_view> SplitTableRow(std::wstring_view row);

}  // namespace markdown
