#include "markdown_blocks.h"

#include <algorithm>
#include <array>

namespace markdown {
namespace {

constexpr std::size_t kTabStop = 4;
constexpr std::size_t kCodeIndent = 4;

bool IsRowSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f'; }

std::wstring_view TrimWhitespace(std::wstring_view text) {
    while (!text.empty() && IsAsciiWhitespace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsAsciiWhitespace(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::wstring_view text, std::wstring_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((IsAsciiLetter(text[i]) ? text[i] | 0x20 : text[i]) != lower[i]) return false;
    return true;
}

bool ContainsIgnoringCase(std::wstring_view text, std::wstring_view lower) {
    if (lower.size() > text.size()) return false;
    for (std::size_t i = 0; i + lower.size() <= text.size(); ++i)
        if (EqualsIgnoringCase(text.substr(i, lower.size()), lower)) return true;
    return false;
}

// The HTML elements whose tag starts a block that runs to the next blank line.
constexpr std::array<std::wstring_view, 62> kBlockTagNames = {
    L"address", L"article", L"aside", L"base", L"basefont", L"blockquote", L"body", L"caption", L"center",
    L"col", L"colgroup", L"dd", L"details", L"dialog", L"dir", L"div", L"dl", L"dt", L"fieldset", L"figcaption",
    L"figure", L"footer", L"form", L"frame", L"frameset", L"h1", L"h2", L"h3", L"h4", L"h5", L"h6", L"head",
    L"header", L"hr", L"html", L"iframe", L"legend", L"li", L"link", L"main", L"menu", L"menuitem", L"nav",
    L"noframes", L"ol", L"optgroup", L"option", L"p", L"param", L"section", L"source", L"summary", L"table",
    L"tbody", L"td", L"tfoot", L"th", L"thead", L"title", L"tr", L"track", L"ul",
};

// The kind (1 to 7) of HTML block that `line` (from its first non-space) starts, or 0.
int HtmlBlockStart(std::wstring_view line, bool interruptsParagraph) {
    if (line.empty() || line[0] != L'<') return 0;
    const auto endsName = [&](std::size_t at) {
        return at >= line.size() || IsAsciiWhitespace(line[at]) || line[at] == L'>';
    };
    for (std::wstring_view name : {L"script", L"pre", L"style"})
        if (line.size() > name.size() && EqualsIgnoringCase(line.substr(1, name.size()), name) && endsName(name.size() + 1))
            return 1;
    if (line.starts_with(L"<!--")) return 2;
    if (line.starts_with(L"<?")) return 3;
    if (line.size() > 2 && line[1] == L'!' && line[2] >= L'A' && line[2] <= L'Z') return 4;
    if (line.starts_with(L"<![CDATA[")) return 5;
    std::size_t name = line.size() > 1 && line[1] == L'/' ? 2 : 1;
    std::size_t end = name;
    while (end < line.size() && IsAsciiAlphanumeric(line[end])) ++end;
    const std::wstring_view tag = line.substr(name, end - name);
    if (!tag.empty() && std::any_of(kBlockTagNames.begin(), kBlockTagNames.end(),
                                    [&](std::wstring_view known) { return EqualsIgnoringCase(tag, known); })) {
        if (endsName(end) || line.substr(end, 2) == L"/>") return 6;
    }
    if (interruptsParagraph) return 0;
    HtmlSearches searches;
    const std::size_t length = ScanOpenOrClosingTag(line, 0, searches);
    if (length == 0) return 0;
    for (std::size_t i = length; i < line.size(); ++i)
        if (line[i] != L' ' && line[i] != L'\t' && line[i] != L'\f') return 0;
    return 7;
}

bool HtmlBlockEnds(int type, std::wstring_view line) {
    switch (type) {
    case 1: return ContainsIgnoringCase(line, L"</script>") || ContainsIgnoringCase(line, L"</pre>") ||
                   ContainsIgnoringCase(line, L"</style>");
    case 2: return line.find(L"-->") != std::wstring_view::npos;
    case 3: return line.find(L"?>") != std::wstring_view::npos;
    case 4: return line.find(L'>') != std::wstring_view::npos;
    case 5: return line.find(L"]]>") != std::wstring_view::npos;
    default: return false;
    }
}

std::size_t CountRun(std::wstring_view line, std::size_t at, wchar_t c) {
    std::size_t end = at;
    while (end < line.size() && line[end] == c) ++end;
    return end - at;
}

bool OnlySpacesOrTabsFrom(std::wstring_view line, std::size_t at) {
    for (; at < line.size(); ++at)
        if (!IsSpaceOrTab(line[at])) return false;
    return true;
}

// The length of an opening code fence at `at`, or 0.
std::size_t OpeningFence(std::wstring_view line, std::size_t at) {
    if (at >= line.size() || (line[at] != L'`' && line[at] != L'~')) return 0;
    const std::size_t length = CountRun(line, at, line[at]);
    if (length < 3) return 0;
    if (line[at] == L'`' && line.find(L'`', at + length) != std::wstring_view::npos) return 0;
    return length;
}

int SetextLevel(std::wstring_view line, std::size_t at) {
    if (at >= line.size() || (line[at] != L'=' && line[at] != L'-')) return 0;
    const std::size_t run = CountRun(line, at, line[at]);
    return OnlySpacesOrTabsFrom(line, at + run) ? (line[at] == L'=' ? 1 : 2) : 0;
}

// A delimiter row ("| --- | :-: |") from the line's first non-space.
bool IsDelimiterRow(std::wstring_view row) {
    std::size_t i = 0;
    const auto skipSpaces = [&] {
        while (i < row.size() && IsRowSpace(row[i])) ++i;
    };
    const auto cell = [&] {
        skipSpaces();
        if (i < row.size() && row[i] == L':') ++i;
        const std::size_t dashes = CountRun(row, i, L'-');
        if (dashes == 0) return false;
        i += dashes;
        if (i < row.size() && row[i] == L':') ++i;
        skipSpaces();
        return true;
    };
    if (i < row.size() && row[i] == L'|') ++i;
    if (!cell()) return false;
    while (i < row.size() && row[i] == L'|') {
        ++i;
        skipSpaces();
        if (i == row.size()) return true;
        if (!cell()) return false;
    }
    return i == row.size();
}

}  // namespace

std::vector<std::wstring_view> SplitTableRow(std::wstring_view row) {
    std::vector<std::wstring_view> cells;
    std::size_t at = 0;
    const auto skipPipe = [&] {
        if (at >= row.size() || row[at] != L'|') return false;
        ++at;
        while (at < row.size() && IsRowSpace(row[at])) ++at;
        return true;
    };
    skipPipe();
    while (at < row.size()) {
        const std::size_t start = at;
        while (at < row.size() && row[at] != L'|')
            at += row[at] == L'\\' && at + 1 < row.size() && IsAsciiPunctuation(row[at + 1]) ? 2 : 1;
        cells.push_back(TrimWhitespace(row.substr(start, at - start)));
        if (!skipPipe()) break;
    }
    return cells;
}

namespace {

class BlockParser {
public:
    explicit BlockParser(std::wstring_view text) {
        document_.text = text;
        document_.blocks.push_back({BlockKind::Document});
        document_.inlineText.reserve(text.size());  // most of a text is paragraphs
    }

    Document Parse() {
        const std::wstring_view text = document_.text;
        std::size_t start = 0;
        for (lineNumber_ = 0; start < text.size() || lineNumber_ == 0; ++lineNumber_) {
            std::size_t end = start;
            while (end < text.size() && text[end] != L'\r' && text[end] != L'\n') ++end;
            lineStart_ = start;
            line_ = text.substr(start, end - start);
            ProcessLine();
            start = end;
            if (start < text.size()) start += text[start] == L'\r' && start + 1 < text.size() && text[start + 1] == L'\n' ? 2 : 1;
        }
        while (tip_ != 0) tip_ = Finalize(tip_);
        Finalize(0);
        return std::move(document_);
    }

private:
    Block& At(std::size_t index) { return document_.blocks[index]; }
    BlockKind KindOf(std::size_t index) const { return document_.blocks[index].kind; }
    wchar_t Peek(std::size_t at) const { return at < line_.size() ? line_[at] : L'\n'; }

    // The line's next non-space character from the offset. Found once per stretch of white space:
    // each container of a deeply nested line asks again from a little further on.
    void FindFirstNonspace() {
        if (firstNonspace_ > offset_) {
            indent_ = firstNonspaceColumn_ - column_;
            blank_ = firstNonspace_ >= line_.size();
            return;
        }
        std::size_t at = offset_, column = column_;
        std::size_t toTab = kTabStop - column_ % kTabStop;
        while (at < line_.size()) {
            if (line_[at] == L' ') {
                ++at;
                ++column;
                if (--toTab == 0) toTab = kTabStop;
            } else if (line_[at] == L'\t') {
                ++at;
                column += toTab;
                toTab = kTabStop;
            } else {
                break;
            }
        }
        firstNonspace_ = at;
        firstNonspaceColumn_ = column;
        indent_ = column - column_;
        blank_ = at >= line_.size();
    }

    // Moves `count` characters on, or `count` columns where a tab may be used in part.
    void Advance(std::size_t count, bool columns) {
        while (count > 0 && offset_ < line_.size()) {
            if (line_[offset_] == L'\t') {
                const std::size_t toTab = kTabStop - column_ % kTabStop;
                if (columns) {
                    partialTab_ = toTab > count;
                    const std::size_t step = std::min(count, toTab);
                    column_ += step;
                    if (!partialTab_) ++offset_;
                    count -= step;
                } else {
                    partialTab_ = false;
                    column_ += toTab;
                    ++offset_;
                    --count;
                }
            } else {
                partialTab_ = false;
                ++offset_;
                ++column_;
                --count;
            }
        }
    }

    void AdvanceToEnd() { Advance(line_.size() - offset_, false); }

    bool CanContain(BlockKind parent, BlockKind child) const {
        switch (parent) {
        case BlockKind::Document: case BlockKind::BlockQuote: case BlockKind::Item: return child != BlockKind::Item;
        case BlockKind::List: return child == BlockKind::Item;
        default: return false;
        }
    }

    std::size_t AddChild(std::size_t parent, BlockKind kind) {
        while (!CanContain(KindOf(parent), kind)) parent = Finalize(parent);
        const std::size_t index = document_.blocks.size();
        Block child{kind};
        child.parent = parent;
        child.startLine = child.endLine = lineNumber_;
        child.firstLine = document_.lines.size();
        document_.blocks.push_back(child);
        Block& p = At(parent);
        if (p.lastChild == kNone)
            p.firstChild = index;
        else
            At(p.lastChild).next = index;
        p.lastChild = index;
        return index;
    }

    void AddLine(std::size_t block, std::size_t from) {
        std::size_t spaces = 0;
        if (partialTab_ && from == offset_) {
            spaces = kTabStop - column_ % kTabStop;
            ++from;  // the rest of the tab becomes spaces
        }
        from = std::min(from, line_.size());
        document_.lines.push_back({lineStart_ + from, lineStart_ + line_.size(), spaces});
        Block& b = At(block);
        ++b.lineCount;
        b.endLine = lineNumber_;
    }

    void ProcessLine() {
        offset_ = column_ = firstNonspace_ = firstNonspaceColumn_ = 0;
        partialTab_ = false;
        blank_ = line_.empty();
        std::size_t container = 0;
        bool allMatched = true;
        // Which of the open blocks this line continues.
        while (At(container).lastChild != kNone && At(At(container).lastChild).open) {
            container = At(container).lastChild;
            FindFirstNonspace();
            bool matched = false;
            switch (KindOf(container)) {
            case BlockKind::BlockQuote: matched = ContinueBlockQuote(); break;
            case BlockKind::Item: matched = ContinueItem(container); break;
            case BlockKind::FencedCode:
                if (ClosesFence(container)) return;
                matched = true;
                break;
            case BlockKind::IndentedCode: matched = ContinueIndentedCode(); break;
            case BlockKind::HtmlBlock: matched = At(container).htmlType <= 5 || !blank_; break;
            case BlockKind::Paragraph: matched = !blank_; break;
            case BlockKind::Table: matched = !blank_ && !SplitTableRow(line_.substr(firstNonspace_)).empty(); break;
            case BlockKind::List: matched = true; break;
            default: break;
            }
            if (!matched) {
                container = At(container).parent;
                allMatched = false;
                break;
            }
        }
        const std::size_t lastMatched = container;
        bool maybeLazy = KindOf(tip_) == BlockKind::Paragraph;
        bool lineDone = false;
        // New blocks this line opens.
        while (KindOf(container) != BlockKind::FencedCode && KindOf(container) != BlockKind::IndentedCode &&
               KindOf(container) != BlockKind::HtmlBlock) {
            FindFirstNonspace();
            const bool indented = indent_ >= kCodeIndent;
            const wchar_t c = Peek(firstNonspace_);
            const BlockKind kind = KindOf(container);
            int level = 0;
            std::size_t fence = 0;
            ListMarker marker;
            if (!indented && c == L'>') {
                Advance(firstNonspace_ + 1 - offset_, false);
                if (IsSpaceOrTab(Peek(offset_))) Advance(1, true);
                container = AddChild(container, BlockKind::BlockQuote);
            } else if (!indented && (level = AtxLevel()) > 0) {
                container = AddChild(container, BlockKind::Heading);
                At(container).level = level;
                AddAtxContent(container);
                lineDone = true;
            } else if (!indented && (fence = OpeningFence(line_, firstNonspace_)) > 0) {
                container = AddChild(container, BlockKind::FencedCode);
                Block& code = At(container);
                code.fenceChar = c;
                code.fenceLength = fence;
                code.fenceOffset = firstNonspace_ - offset_;
                AdvanceToEnd();
                lineDone = true;
            } else if (!indented && (level = HtmlBlockStart(line_.substr(firstNonspace_), kind == BlockKind::Paragraph)) > 0) {
                container = AddChild(container, BlockKind::HtmlBlock);
                At(container).htmlType = level;
            } else if (!indented && kind == BlockKind::Paragraph && (level = SetextLevel(line_, firstNonspace_)) > 0) {
                if (ResolveReferences(container)) {
                    Block& heading = At(container);
                    heading.kind = BlockKind::Heading;
                    heading.level = level;
                    heading.endLine = lineNumber_;
                    AdvanceToEnd();
                    lineDone = true;
                }
            } else if (!indented && !(kind == BlockKind::Paragraph && !allMatched) && IsThematicBreak(firstNonspace_)) {
                container = AddChild(container, BlockKind::ThematicBreak);
                AdvanceToEnd();
            } else if ((!indented || kind == BlockKind::List) && indent_ < kCodeIndent &&
                       ParseListMarker(kind == BlockKind::Paragraph, marker)) {
                container = AddListItem(container, marker);
            } else if (indented && !maybeLazy && !blank_) {
                Advance(kCodeIndent, true);
                container = AddChild(container, BlockKind::IndentedCode);
            } else if (!indented && kind == BlockKind::Paragraph && StartsTable(container)) {
                container = tip_;
                AdvanceToEnd();
                lineDone = true;
            } else if (!indented && kind == BlockKind::Table && !blank_) {
                AddLine(container, firstNonspace_);
                lineDone = true;
            } else if (kind == BlockKind::Item && At(container).firstChild == kNone && At(container).task == Task::None &&
                       StartsTaskMarker()) {
                At(container).task = line_[firstNonspace_ + 1] == L' ' ? Task::Open : Task::Done;
                Advance(firstNonspace_ + 3 - offset_, false);
                break;
            } else {
                break;
            }
            if (lineDone) break;
            const BlockKind now = KindOf(container);
            if (now == BlockKind::Paragraph || now == BlockKind::Heading || now == BlockKind::FencedCode ||
                now == BlockKind::IndentedCode || now == BlockKind::HtmlBlock)
                break;
            maybeLazy = false;
        }
        if (lineDone) {
            CloseUnmatched(lastMatched, container);
            return;
        }
        FindFirstNonspace();
        if (tip_ != lastMatched && container == lastMatched && !blank_ && KindOf(tip_) == BlockKind::Paragraph) {
            AddLine(tip_, offset_);  // a lazy continuation line, with its indentation as GitHub keeps it
            return;
        }
        CloseUnmatched(lastMatched, container);
        switch (KindOf(container)) {
        case BlockKind::FencedCode: case BlockKind::IndentedCode: AddLine(container, offset_); break;
        case BlockKind::HtmlBlock:
            AddLine(container, offset_);
            if (HtmlBlockEnds(At(container).htmlType, line_.substr(firstNonspace_))) tip_ = Finalize(container);
            break;
        case BlockKind::Paragraph:
            if (!blank_) AddLine(container, firstNonspace_);
            break;
        default:
            if (!blank_) {
                tip_ = AddChild(container, BlockKind::Paragraph);
                AddLine(tip_, firstNonspace_);
            }
            break;
        }
    }

    // Closes the open blocks this line did not continue; `container` becomes the deepest open block.
    void CloseUnmatched(std::size_t lastMatched, std::size_t container) {
        while (tip_ != lastMatched && At(tip_).open) {
            if (tip_ == container) break;
            tip_ = Finalize(tip_);
        }
        tip_ = At(container).open ? container : At(container).parent;
    }

    bool ContinueBlockQuote() {
        if (indent_ > 3 || Peek(firstNonspace_) != L'>') return false;
        Advance(indent_ + 1, true);
        if (IsSpaceOrTab(Peek(offset_))) Advance(1, true);
        return true;
    }

    bool ContinueItem(std::size_t item) {
        const Block& b = At(item);
        if (indent_ >= b.markerOffset + b.padding) {
            Advance(b.markerOffset + b.padding, true);
            return true;
        }
        if (blank_ && b.firstChild != kNone) {
            Advance(firstNonspace_ - offset_, false);
            return true;
        }
        return false;
    }

    bool ContinueIndentedCode() {
        if (indent_ >= kCodeIndent) {
            Advance(kCodeIndent, true);
            return true;
        }
        if (blank_) {
            Advance(firstNonspace_ - offset_, false);
            return true;
        }
        return false;
    }

    // A closing fence ends the block with this line; otherwise the fence's own indentation is skipped.
    bool ClosesFence(std::size_t code) {
        Block& b = At(code);
        if (indent_ <= 3 && Peek(firstNonspace_) == b.fenceChar) {
            const std::size_t run = CountRun(line_, firstNonspace_, b.fenceChar);
            if (run >= b.fenceLength && OnlySpacesOrTabsFrom(line_, firstNonspace_ + run)) {
                b.endLine = lineNumber_;
                tip_ = Finalize(code);
                return true;
            }
        }
        for (std::size_t i = b.fenceOffset; i > 0 && IsSpaceOrTab(Peek(offset_)); --i) Advance(1, true);
        return false;
    }

    // Whether the line from `at` is "* * *", "---" or "___": three or more of one of them and
    // nothing but spaces and tabs besides. What each character allows is found once per line, as
    // "- - - - x" asks again at every list marker.
    bool IsThematicBreak(std::size_t at) {
        const std::size_t which = std::wstring_view(L"*-_").find(Peek(at));
        if (which == std::wstring_view::npos) return false;
        BreakCharacter& known = breakCharacters_[which];
        if (known.line != lineNumber_) {
            known.line = lineNumber_;
            known.lastOther = kNone;
            known.thirdLast = kNone;
            std::size_t seen = 0;
            for (std::size_t i = line_.size(); i-- > 0;) {
                if (line_[i] == line_[at]) {
                    if (++seen == 3) known.thirdLast = i;
                } else if (!IsSpaceOrTab(line_[i])) {
                    known.lastOther = i;
                    break;
                }
            }
        }
        return (known.lastOther == kNone || known.lastOther < at) && known.thirdLast != kNone && known.thirdLast >= at;
    }

    int AtxLevel() const {
        const std::size_t hashes = CountRun(line_, firstNonspace_, L'#');
        if (hashes == 0 || hashes > 6) return 0;
        const wchar_t after = Peek(firstNonspace_ + hashes);
        return after == L' ' || after == L'\t' || after == L'\n' ? static_cast<int>(hashes) : 0;
    }

    // The heading's text: without the opening "#"s, a closing sequence of "#"s and the spaces around.
    void AddAtxContent(std::size_t heading) {
        std::size_t begin = firstNonspace_ + static_cast<std::size_t>(At(heading).level);
        while (begin < line_.size() && IsSpaceOrTab(line_[begin])) ++begin;
        std::size_t end = line_.size();
        while (end > 0 && IsAsciiWhitespace(line_[end - 1])) --end;
        std::size_t hashes = end;
        while (hashes > 0 && line_[hashes - 1] == L'#') --hashes;
        if (hashes != end && hashes > 0 && IsSpaceOrTab(line_[hashes - 1])) {
            end = hashes;
            while (end > 0 && IsAsciiWhitespace(line_[end - 1])) --end;
        }
        end = std::max(end, begin);
        document_.lines.push_back({lineStart_ + begin, lineStart_ + end, 0});
        At(heading).lineCount = 1;
    }

    struct ListMarker {
        bool ordered = false;
        wchar_t marker = 0;
        std::uint64_t start = 0;
        std::size_t length = 0;
    };

    bool ParseListMarker(bool interruptsParagraph, ListMarker& result) {
        std::size_t at = firstNonspace_;
        const wchar_t c = Peek(at);
        ListMarker marker;
        if (c == L'*' || c == L'-' || c == L'+') {
            ++at;
            marker.marker = c;
        } else if (IsAsciiDigit(c)) {
            std::size_t digits = 0;
            while (digits < 9 && IsAsciiDigit(Peek(at))) {
                marker.start = marker.start * 10 + static_cast<std::uint64_t>(Peek(at) - L'0');
                ++at;
                ++digits;
            }
            if (interruptsParagraph && marker.start != 1) return false;
            if (Peek(at) != L'.' && Peek(at) != L')') return false;
            marker.ordered = true;
            marker.marker = Peek(at);
            ++at;
        } else {
            return false;
        }
        if (!IsAsciiWhitespace(Peek(at))) return false;
        if (interruptsParagraph && OnlySpacesOrTabsFrom(line_, at)) return false;
        marker.length = at - firstNonspace_;
        result = marker;
        return true;
    }

    std::size_t AddListItem(std::size_t container, const ListMarker& marker) {
        const std::size_t markerOffset = indent_;
        Advance(firstNonspace_ + marker.length - offset_, false);
        const bool savedPartialTab = partialTab_;
        const std::size_t savedOffset = offset_, savedColumn = column_;
        while (column_ - savedColumn <= 5 && IsSpaceOrTab(Peek(offset_))) Advance(1, true);
        const std::size_t spaces = column_ - savedColumn;
        std::size_t padding = marker.length + spaces;
        if (spaces >= 5 || spaces < 1 || offset_ >= line_.size()) {
            padding = marker.length + 1;
            offset_ = savedOffset;
            column_ = savedColumn;
            partialTab_ = savedPartialTab;
            if (spaces > 0) Advance(1, true);
        }
        const bool continues = KindOf(container) == BlockKind::List && At(container).ordered == marker.ordered &&
                               At(container).marker == marker.marker;
        if (!continues) {
            container = AddChild(container, BlockKind::List);
            Block& list = At(container);
            list.ordered = marker.ordered;
            list.marker = marker.marker;
            list.start = marker.start;
        }
        container = AddChild(container, BlockKind::Item);
        Block& item = At(container);
        item.markerOffset = markerOffset;
        item.padding = padding;
        return container;
    }

    bool StartsTaskMarker() const {
        const std::wstring_view rest = line_.substr(firstNonspace_);
        return rest.size() >= 4 && rest[0] == L'[' && (rest[1] == L' ' || rest[1] == L'x' || rest[1] == L'X') &&
               rest[2] == L']' && IsRowSpace(rest[3]);
    }

    // A delimiter row under a paragraph whose last line has as many cells makes that line a
    // table's header; the paragraph's other lines stay a paragraph before it. Only the last line is
    // read, so a paragraph of many lines that look like delimiter rows costs no more than its lines.
    bool StartsTable(std::size_t paragraph) {
        Block& p = At(paragraph);
        if (!IsDelimiterRow(line_.substr(firstNonspace_))) return false;
        const std::size_t columns = SplitTableRow(line_.substr(firstNonspace_)).size();
        const ContentLine& last = document_.lines[p.firstLine + p.lineCount - 1];
        const std::size_t header = SplitTableRow(document_.text.substr(last.begin, last.end - last.begin)).size();
        if (header == 0 || header != columns) return false;
        std::size_t table = paragraph;
        if (p.lineCount > 1) {
            p.lineCount -= 1;
            p.endLine = lineNumber_ - 2;
            p.unescapePipes = true;
            tip_ = Finalize(paragraph);
            table = AddChild(At(paragraph).parent, BlockKind::Table);
            Block& t = At(table);
            t.firstLine = document_.lines.size() - 1;
            t.lineCount = 1;
        }
        Block& t = At(table);
        t.kind = BlockKind::Table;
        t.startLine = lineNumber_ - 1;
        t.endLine = lineNumber_;
        t.columns = columns;
        tip_ = table;
        return true;
    }

    // Joins a paragraph's lines and takes the link reference definitions off its start: whether
    // anything is left. Lines added after that (under an underline that was no heading) join the rest.
    bool ResolveReferences(std::size_t paragraph) {
        Block& p = At(paragraph);
        if (p.referencesResolved && p.resolvedLines == p.lineCount) return p.inlineLength > 0;
        std::wstring& joined = document_.inlineText;
        const std::wstring previous = p.referencesResolved ? joined.substr(p.inlineBegin, p.inlineLength) : std::wstring();
        const std::size_t begin = joined.size();
        joined += previous;
        for (std::size_t i = p.resolvedLines; i < p.lineCount; ++i) {
            const ContentLine& line = document_.lines[p.firstLine + i];
            if (joined.size() > begin || i > 0) joined.push_back(L'\n');
            const std::wstring_view text = document_.text.substr(line.begin, line.end - line.begin);
            if (!p.unescapePipes) {
                joined += text;
                continue;
            }
            for (std::size_t j = 0; j < text.size(); ++j)
                if (!(text[j] == L'\\' && j + 1 < text.size() && text[j + 1] == L'|')) joined.push_back(text[j]);
        }
        p.referencesResolved = true;
        p.resolvedLines = p.lineCount;
        const std::wstring_view content = std::wstring_view(joined).substr(begin);
        const std::size_t definitions = ParseReferenceDefinitions(content, document_.references);
        const std::wstring_view rest = TrimWhitespace(content.substr(definitions));
        p.inlineBegin = begin + static_cast<std::size_t>(rest.data() - content.data());
        p.inlineLength = rest.size();
        return !rest.empty();
    }

    // Closes a block and returns its parent.
    std::size_t Finalize(std::size_t index) {
        Block& b = At(index);
        b.open = false;
        if (b.kind == BlockKind::Paragraph && !ResolveReferences(index)) {
            At(index).kind = BlockKind::Removed;
        } else if (b.kind == BlockKind::IndentedCode) {
            while (b.lineCount > 0) {
                const ContentLine& line = document_.lines[b.firstLine + b.lineCount - 1];
                const std::wstring_view text = document_.text.substr(line.begin, line.end - line.begin);
                if (text.find_first_not_of(L" \t") != std::wstring_view::npos) break;
                --b.lineCount;
                --b.endLine;
            }
        }
        return At(index).parent;
    }

    struct BreakCharacter {
        std::size_t line = kNone;       // the line these are for
        std::size_t lastOther = kNone;  // the last character that is neither this one, a space nor a tab
        std::size_t thirdLast = kNone;  // the third of this character from the end, before lastOther
    };

    Document document_;
    BreakCharacter breakCharacters_[3];
    std::wstring_view line_;
    std::size_t lineStart_ = 0;
    std::size_t lineNumber_ = 0;
    std::size_t offset_ = 0;
    std::size_t column_ = 0;
    std::size_t firstNonspace_ = 0;
    std::size_t firstNonspaceColumn_ = 0;
    std::size_t indent_ = 0;
    bool blank_ = false;
    bool partialTab_ = false;
    std::size_t tip_ = 0;  // the deepest open block
};

}  // namespace

Document ParseBlocks(std::wstring_view text) { return BlockParser(text).Parse(); }

}  // namespace markdown
