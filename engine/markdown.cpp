#include "markdown.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "markdown_blocks.h"
#include "markdown_inlines.h"

namespace {

using markdown::Block;
using markdown::BlockKind;
using markdown::ContentLine;
using markdown::kNone;

// The line end the text uses (the first one in it), so the lines we write match the lines we keep.
std::wstring_view LineEndOf(std::wstring_view text) {
    const auto end = std::find_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    if (end == text.end()) return L"\r\n";  // the clipboard's own
    const auto at = static_cast<std::size_t>(end - text.begin());
    if (text[at] == L'\n') return L"\n";
    return at + 1 < text.size() && text[at + 1] == L'\n' ? L"\r\n" : L"\r";
}

// Writes the blocks as plain text. A block is parted from the one written before it by a line end,
// and by an empty line where the source had any line between them; lines that continue a list
// item are indented two spaces past its marker's line. No line ends in a space.
class PlainTextWriter {
public:
    // `joinable`, when given, gets a flag for each line end written: whether it is a soft break of
    // the source, inside a paragraph, rather than one between blocks, rows or code lines.
    PlainTextWriter(const markdown::Document& document, std::wstring_view lineEnd, std::vector<bool>* joinable)
        : document_(document), lineEnd_(lineEnd), inlines_(document.references), joinable_(joinable) {}

    std::wstring Write() {
        out_.reserve(document_.text.size());
        WriteBlocks();
        TrimLineEnd();
        return std::move(out_);
    }

private:
    std::wstring_view LineText(const ContentLine& line) const {
        return document_.text.substr(line.begin, line.end - line.begin);
    }

    // Text for the current line; "\n" ends a line. Indentation comes with a line's first character,
    // so an empty line stays empty. `softBreaks`: where in `text` the soft breaks are, in order.
    void Put(std::wstring_view text, std::span<const std::size_t> softBreaks = {}) {
        std::size_t offset = 0;
        for (;;) {
            const std::size_t end = text.find(L'\n');
            const std::wstring_view piece = text.substr(0, end);
            if (!piece.empty()) {
                if (atLineStart_) {
                    out_.append(indent_, L' ');
                    lineIndent_ = indent_;
                    atLineStart_ = false;
                }
                out_ += piece;
            }
            if (end == std::wstring_view::npos) return;
            while (!softBreaks.empty() && softBreaks.front() < offset + end) softBreaks = softBreaks.subspan(1);
            EndLine(!softBreaks.empty() && softBreaks.front() == offset + end);
            text.remove_prefix(end + 1);
            offset += end + 1;
        }
    }

    void TrimLineEnd() {
        while (out_.size() > lineBegin_ && out_.back() == L' ') out_.pop_back();
    }

    void EndLine(bool soft = false) {
        TrimLineEnd();
        out_ += lineEnd_;
        if (joinable_) joinable_->push_back(soft);
        lineBegin_ = out_.size();
        atLineStart_ = true;
        lineIndent_ = indent_;
    }

    // Before the first text of a block: the line end and empty line that part it from the last.
    void Separate() {
        if (continueLine_) {
            continueLine_ = false;
            pendingStart_ = kNone;
            return;
        }
        if (pendingStart_ == kNone) return;
        if (written_) {
            EndLine();
            if (pendingStart_ > lastEnd_ + 1) EndLine();
        }
        pendingStart_ = kNone;
    }

    // A leaf without its empty lines at either end (a code block's, say); one that shows no text is
    // left out, as if it were not there.
    void WriteLeaf(const Block& block, std::wstring_view text, std::span<const std::size_t> softBreaks = {}) {
        const std::size_t last = text.find_last_not_of(L" \n");
        if (last == std::wstring_view::npos) return;
        text = text.substr(0, last + 1);
        const std::size_t first = text.find_first_not_of(L" \n");
        const std::size_t lineStart = text.rfind(L'\n', first);
        std::vector<std::size_t> shifted;
        if (lineStart != std::wstring_view::npos) {
            text.remove_prefix(lineStart + 1);
            for (const std::size_t at : softBreaks)
                if (at > lineStart) shifted.push_back(at - lineStart - 1);
            softBreaks = shifted;
        }
        Separate();
        Put(text, softBreaks);
        written_ = true;
        lastEnd_ = block.endLine;
    }

    // The blocks in order, with a stack of the open containers rather than recursion: a text can
    // nest block quotes and lists far deeper than a thread's stack would allow.
    void WriteBlocks() {
        struct Open {
            std::size_t block;
            std::size_t next;             // the child to write next
            std::uint64_t number;         // a list's next item number
            std::size_t savedStart;       // pendingStart_ before the block began
            std::size_t savedIndent;      // indent_ before an item began
        };
        std::vector<Open> open{{0, document_.blocks[0].firstChild, 0, kNone, 0}};
        while (!open.empty()) {
            Open& top = open.back();
            if (top.next == kNone) {
                LeaveContainer(top.block, top.savedStart, top.savedIndent);
                open.pop_back();
                continue;
            }
            const std::size_t index = top.next;
            const Block& block = document_.blocks[index];
            top.next = block.next;
            const std::uint64_t number = top.number++;
            // The part before a block is settled by its first text; a block that writes nothing
            // leaves it as it was.
            const std::size_t savedStart = pendingStart_;
            if (pendingStart_ == kNone) pendingStart_ = block.startLine;
            switch (block.kind) {
            case BlockKind::BlockQuote: open.push_back({index, block.firstChild, 0, savedStart, indent_}); continue;
            case BlockKind::List: open.push_back({index, block.firstChild, block.start, savedStart, indent_}); continue;
            case BlockKind::Item: {
                const std::size_t savedIndent = indent_;
                BeginItem(index, number);
                open.push_back({index, block.firstChild, 0, savedStart, savedIndent});
                continue;
            }
            case BlockKind::Paragraph: {
                const std::wstring& text = Inline(block.inlineBegin, block.inlineLength, false);
                WriteLeaf(block, text, inlines_.SoftBreaks());
                break;
            }
            case BlockKind::Heading: WriteLeaf(block, HeadingText(block)); break;
            case BlockKind::FencedCode: case BlockKind::IndentedCode: case BlockKind::HtmlBlock: WriteLeaf(block, Lines(block)); break;
            case BlockKind::Table: WriteLeaf(block, TableText(block)); break;
            default: break;
            }
            if (pendingStart_ != kNone) pendingStart_ = savedStart;
        }
    }

    void LeaveContainer(std::size_t index, std::size_t savedStart, std::size_t savedIndent) {
        if (index == 0) return;
        if (document_.blocks[index].kind == BlockKind::Item) {
            continueLine_ = false;
            indent_ = savedIndent;
        }
        if (pendingStart_ != kNone) pendingStart_ = savedStart;
    }

    // An item's marker: its number counted from the list's first (whatever numbers the source gave
    // the items), a bullet or a box. Its first text follows on the same line; the lines after it are
    // indented two spaces past the marker's line.
    void BeginItem(std::size_t index, std::uint64_t number) {
        const Block& item = document_.blocks[index];
        const Block& list = document_.blocks[item.parent];
        Separate();
        std::wstring marker;
        if (list.ordered) marker = std::to_wstring(number) + list.marker + L' ';
        if (item.task != markdown::Task::None)
            marker += item.task == markdown::Task::Done ? L"\u2611 " : L"\u2610 ";
        else if (!list.ordered)
            marker = L"\u2022 ";
        Put(marker);
        written_ = true;
        lastEnd_ = std::max(lastEnd_, item.startLine);
        indent_ = lineIndent_ + 2;
        continueLine_ = true;
    }

    const std::wstring& Inline(std::size_t begin, std::size_t length, bool oneLine) {
        scratch_.clear();
        inlines_.Convert(std::wstring_view(document_.inlineText).substr(begin, length), oneLine, scratch_);
        return scratch_;
    }

    const std::wstring& HeadingText(const Block& block) {
        if (block.referencesResolved) return Inline(block.inlineBegin, block.inlineLength, true);  // setext
        scratch_.clear();
        inlines_.Convert(LineText(document_.lines[block.firstLine]), true, scratch_);
        return scratch_;
    }

    const std::wstring& Lines(const Block& block) {
        scratch_.clear();
        for (std::size_t i = 0; i < block.lineCount; ++i) {
            const ContentLine& line = document_.lines[block.firstLine + i];
            if (i > 0) scratch_ += L'\n';
            scratch_.append(line.spaces, L' ');
            scratch_ += LineText(line);
        }
        return scratch_;
    }

    // A row a line, its cells parted by TABs, as a spreadsheet takes them; the delimiter row is gone.
    const std::wstring& TableText(const Block& block) {
        scratch_.clear();
        for (std::size_t row = 0; row < block.lineCount; ++row) {
            if (row > 0) scratch_ += L'\n';
            const std::vector<std::wstring_view> cells = markdown::SplitTableRow(LineText(document_.lines[block.firstLine + row]));
            for (std::size_t column = 0; column < block.columns; ++column) {
                if (column > 0) scratch_ += L'\t';
                if (column >= cells.size()) continue;
                cell_.clear();
                for (std::size_t i = 0; i < cells[column].size(); ++i)
                    if (!(cells[column][i] == L'\\' && i + 1 < cells[column].size() && cells[column][i + 1] == L'|'))
                        cell_ += cells[column][i];
                inlines_.Convert(cell_, true, scratch_);
            }
        }
        return scratch_;
    }

    const markdown::Document& document_;
    std::wstring_view lineEnd_;
    markdown::InlineConverter inlines_;
    std::vector<bool>* joinable_;
    std::wstring out_;
    std::wstring scratch_;
    std::wstring cell_;
    std::size_t lineBegin_ = 0;
    bool atLineStart_ = true;
    std::size_t indent_ = 0;      // of the lines that continue the innermost list item
    std::size_t lineIndent_ = 0;  // of the current line
    bool written_ = false;
    bool continueLine_ = false;  // the next text goes on the line of an item's marker
    std::size_t pendingStart_ = kNone;  // the first source line of the blocks begun since the last text
    std::size_t lastEnd_ = 0;           // the last source line of the text written last
};

}  // namespace

std::wstring MarkdownToPlainText(std::wstring_view markdown, std::vector<bool>* joinableBreaks) {
    if (joinableBreaks) joinableBreaks->clear();
    // The parser counts in 32 bits; a text of 2^31 units (4 GB) cannot come from a clipboard anyway.
    if (markdown.size() >= 0x7FFFFFFF) return std::wstring(markdown);
    const markdown::Document document = markdown::ParseBlocks(markdown);
    std::wstring text = PlainTextWriter(document, LineEndOf(markdown), joinableBreaks).Write();
    const bool endsWithLineEnd = !markdown.empty() && (markdown.back() == L'\n' || markdown.back() == L'\r');
    if (endsWithLineEnd && !text.empty()) {
        text += LineEndOf(markdown);
        if (joinableBreaks) joinableBreaks->push_back(false);
    }
    return text;
}
