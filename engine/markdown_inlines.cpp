#include "markdown_inlines.h"

#include <algorithm>

namespace markdown {
namespace {

// The characters that may start something other than plain text; "w" and ":" only where an
// extended autolink could begin, "!" only before "[".
bool MayBeSpecial(wchar_t c) {
    switch (c) {
    case L'\n': case L'\\': case L'`': case L'&': case L'*': case L'_': case L'~': case L'[': case L']':
    case L'!': case L'<': case L'w': case L':':
        return true;
    default:
        return false;
    }
}

bool IsBreakTag(std::wstring_view tag) {
    if (tag.size() < 4 || (tag[1] | 0x20) != L'b' || (tag[2] | 0x20) != L'r') return false;
    const wchar_t after = tag[3];
    return after == L'>' || after == L'/' || IsAsciiWhitespace(after);
}

bool IsEmailLocalChar(wchar_t c) {
    return IsAsciiAlphanumeric(c) || std::wstring_view(L".!#$%&'*+/=?^_`{|}~-").find(c) != std::wstring_view::npos;
}

// "<scheme:...>" at `at`: its length, or 0.
std::size_t ScanUriAutolink(std::wstring_view text, std::size_t at) {
    std::size_t p = at + 1;
    if (p >= text.size() || !IsAsciiLetter(text[p])) return 0;
    ++p;
    while (p < text.size() && (IsAsciiAlphanumeric(text[p]) || text[p] == L'.' || text[p] == L'+' || text[p] == L'-')) ++p;
    const std::size_t scheme = p - at - 1;
    if (scheme < 2 || scheme > 32 || p >= text.size() || text[p] != L':') return 0;
    for (++p; p < text.size(); ++p) {
        const wchar_t c = text[p];
        if (c == L'>') return p + 1 - at;
        if (c <= L' ' || c == L'<') return 0;
    }
    return 0;
}

// "<local@domain>" at `at`: its length, or 0.
std::size_t ScanEmailAutolink(std::wstring_view text, std::size_t at) {
    std::size_t p = at + 1;
    while (p < text.size() && IsEmailLocalChar(text[p])) ++p;
    if (p == at + 1 || p >= text.size() || text[p] != L'@') return 0;
    for (;;) {
        const std::size_t label = ++p;
        while (p < text.size() && (IsAsciiAlphanumeric(text[p]) || text[p] == L'-')) ++p;
        if (p == label || p - label > 63 || !IsAsciiAlphanumeric(text[label]) || !IsAsciiAlphanumeric(text[p - 1]))
            return 0;
        if (p >= text.size()) return 0;
        if (text[p] == L'>') return p + 1 - at;
        if (text[p] != L'.') return 0;
    }
}

bool IsValidHostChar(char32_t c) { return !IsUnicodeWhitespace(c) && !IsUnicodePunctuation(c); }

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if ((IsAsciiLetter(text[i]) ? text[i] | 0x20 : text[i]) != prefix[i]) return false;
    return true;
}

// The link's text alone where it is its own address, as autolinks show it.
bool IsOwnAddress(std::wstring_view text, std::wstring_view url) {
    if (text == url) return true;
    for (std::wstring_view scheme : {std::wstring_view(L"mailto:"), std::wstring_view(L"http://")})
        if (url.size() == scheme.size() + text.size() && url.starts_with(scheme) && url.substr(scheme.size()) == text)
            return true;
    return false;
}

std::wstring_view TrimAsciiWhitespace(std::wstring_view text) {
    while (!text.empty() && IsAsciiWhitespace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsAsciiWhitespace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

void InlineConverter::Reset(std::wstring_view text, bool breaksAsSpaces) {
    // A long paragraph would otherwise copy its pieces and delimiters a few times over as they grow.
    pieces_.reserve(text.size() / 2);
    delimiters_.reserve(text.size() / 4);
    text_ = text;
    breaksAsSpaces_ = breaksAsSpaces;
    pieces_.clear();
    extra_.clear();
    delimiters_.clear();
    lastDelimiter_ = -1;
    brackets_.clear();
    inactiveBelow_ = 0;
    backtickRuns_.clear();
    softBreakPieces_.clear();
    softBreaks_.clear();
    backtickRunsFound_ = false;
    htmlSearches_.Reset();
}

void InlineConverter::Convert(std::wstring_view text, bool breaksAsSpaces, std::wstring& out) {
    Reset(text, breaksAsSpaces);
    std::size_t at = 0;
    while (at < text_.size()) {
        switch (text_[at]) {
        case L'\n':
            // Two spaces before it make a hard break, which stays; any other is the source's soft one.
            AddBreak(!(at >= 2 && text_[at - 1] == L' ' && text_[at - 2] == L' '));
            ++at;
            while (at < text_.size() && IsSpaceOrTab(text_[at])) ++at;
            break;
        case L'\\': at = HandleBackslash(at); break;
        case L'`': at = HandleBackticks(at); break;
        case L'&': at = HandleEntity(at); break;
        case L'*': case L'_': case L'~': at = HandleDelimiterRun(at); break;
        case L'[':
            PushBracket(at, false);
            ++at;
            break;
        case L'!':
            if (at + 1 < text_.size() && text_[at + 1] == L'[') {
                PushBracket(at, true);
                at += 2;
            } else {
                at = AddText(at);
            }
            break;
        case L']': at = HandleCloseBracket(at); break;
        case L'<': at = HandleAngleBracket(at); break;
        case L'w': at = AddAutolinkOrText(at, StartsWwwAutolink(at) ? WwwAutolinkEnd(at) : 0); break;
        case L':': at = AddAutolinkOrText(at, UrlAutolinkEnd(at)); break;
        default: at = AddText(at); break;
        }
    }
    ProcessEmphasis(-1);
    const std::size_t start = out.size();
    out.reserve(start + text_.size());
    auto soft = softBreakPieces_.begin();
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        if (soft != softBreakPieces_.end() && *soft == i) {
            if (!breaksAsSpaces_) softBreaks_.push_back(out.size() - start);
            ++soft;
        }
        if (pieces_[i].length > 0) out.append(PieceText(pieces_[i]));
    }
    if (breaksAsSpaces_) std::replace(out.begin() + static_cast<std::int32_t>(start), out.end(), L'\n', L' ');
}

// An extended autolink that ends at `end` (0: none there) is its own text; otherwise plain text.
std::size_t InlineConverter::AddAutolinkOrText(std::size_t at, std::size_t end) {
    if (end == 0) return AddText(at);
    AddSource(at, end - at);
    return end;
}

std::wstring_view InlineConverter::PieceText(const Piece& piece) const {
    return (piece.extra ? std::wstring_view(extra_) : text_).substr(piece.begin, piece.length);
}

// Plain text from `at` (whose first character is taken as text whatever it is) up to the next
// character that may be syntax; white space before a line end is dropped.
std::size_t InlineConverter::AddText(std::size_t at) {
    std::size_t end = at + 1;
    while (end < text_.size()) {
        const wchar_t c = text_[end];
        if (c < 0x80 && MayBeSpecial(c)) {
            if (c == L'w' ? StartsWwwAutolink(end)
                : c == L':' ? AutolinksAllowed() && end + 2 < text_.size() && text_[end + 1] == L'/' && text_[end + 2] == L'/'
                : c == L'!' ? end + 1 < text_.size() && text_[end + 1] == L'['
                            : true)
                break;
        }
        ++end;
    }
    std::size_t kept = end;
    if (end < text_.size() && text_[end] == L'\n')
        while (kept > at && IsAsciiWhitespace(text_[kept - 1])) --kept;
    AddSource(at, kept - at);
    return end;
}

void InlineConverter::AddSource(std::size_t begin, std::size_t length) {
    if (length == 0) return;
    // Text next to text is one piece: only delimiter runs and brackets change after they are added.
    if (!pieces_.empty()) {
        Piece& last = pieces_.back();
        const bool lastIsSyntax = (lastDelimiter_ >= 0 && delimiters_[static_cast<std::size_t>(lastDelimiter_)].piece ==
                                                              pieces_.size() - 1) ||
                                  (!brackets_.empty() && brackets_.back().piece == pieces_.size() - 1);
        if (!last.extra && !lastIsSyntax && last.begin + last.length == begin) {
            last.length += static_cast<std::uint32_t>(length);
            return;
        }
    }
    pieces_.push_back({begin, static_cast<std::uint32_t>(length), false});
}

void InlineConverter::AddExtra(std::wstring_view text) {
    pieces_.push_back({extra_.size(), static_cast<std::uint32_t>(text.size()), true});
    extra_ += text;
}

void InlineConverter::AddBreak(bool soft) {
    if (soft) softBreakPieces_.push_back(pieces_.size());
    AddExtra(breaksAsSpaces_ ? L" " : L"\n");
}

std::size_t InlineConverter::HandleBackslash(std::size_t at) {
    if (at + 1 < text_.size() && IsAsciiPunctuation(text_[at + 1])) {
        pieces_.push_back({at + 1, 1, false});  // a piece of its own: it is never syntax
        return at + 2;
    }
    if (at + 1 < text_.size() && text_[at + 1] == L'\n') {
        AddBreak();
        return at + 2;
    }
    AddSource(at, 1);
    return at + 1;
}

// The first run of exactly `length` backticks that starts at or after `after`, or kNoMatch. The
// runs are listed once per text, so unmatched runs cost no rescanning.
std::size_t InlineConverter::ClosingBackticks(std::size_t after, std::size_t length) {
    if (!backtickRunsFound_) {
        backtickRunsFound_ = true;
        for (std::size_t i = text_.find(L'`', after); i != std::wstring_view::npos; ) {
            std::size_t end = i;
            while (end < text_.size() && text_[end] == L'`') ++end;
            backtickRuns_.emplace_back(end - i, i);
            i = text_.find(L'`', end);
        }
        std::sort(backtickRuns_.begin(), backtickRuns_.end());
    }
    const auto found = std::lower_bound(backtickRuns_.begin(), backtickRuns_.end(), std::pair{length, after});
    return found != backtickRuns_.end() && found->first == length ? found->second : kNoMatch;
}

std::size_t InlineConverter::HandleBackticks(std::size_t at) {
    std::size_t end = at;
    while (end < text_.size() && text_[end] == L'`') ++end;
    const std::size_t length = end - at;
    const std::size_t close = ClosingBackticks(end, length);
    if (close == kNoMatch) {
        AddSource(at, length);
        return end;
    }
    std::wstring_view code = text_.substr(end, close - end);
    const bool onlySpaces = code.find_first_not_of(L"\n ") == std::wstring_view::npos;
    const bool padded = !code.empty() && (code.front() == L' ' || code.front() == L'\n') &&
                        (code.back() == L' ' || code.back() == L'\n');
    if (padded && !onlySpaces) code = code.substr(1, code.size() - 2);
    if (code.find(L'\n') == std::wstring_view::npos) {
        pieces_.push_back({static_cast<std::size_t>(code.data() - text_.data()), static_cast<std::uint32_t>(code.size()), false});
    } else {
        std::wstring spaced(code);
        std::replace(spaced.begin(), spaced.end(), L'\n', L' ');
        AddExtra(spaced);
    }
    return close + length;
}

std::size_t InlineConverter::HandleEntity(std::size_t at) {
    const std::size_t before = extra_.size();
    const std::size_t length = DecodeCharacterReference(text_, at, extra_);
    if (length == 0) return AddText(at);
    pieces_.push_back({before, static_cast<std::uint32_t>(extra_.size() - before), true});
    return at + length;
}

// Whether the run text[start, end) may open (left) and close (right) emphasis, from the characters
// around it. For "*" and "_" runs those are looked for past any tildes, as GitHub's parser does, so
// that "~~**a**~~" holds both.
void InlineConverter::Flanking(std::size_t start, std::size_t end, bool skipTildes, Flanks& flanks) const {
    if (skipTildes) {
        while (start > 0 && text_[start - 1] == L'~') --start;
        while (end < text_.size() && text_[end] == L'~') ++end;
    }
    flanks.before = start == 0 ? U'\n' : CodePointBefore(text_, start);
    flanks.after = end >= text_.size() ? U'\n' : CodePointAt(text_, end);
    const bool spaceBefore = IsUnicodeWhitespace(flanks.before), spaceAfter = IsUnicodeWhitespace(flanks.after);
    const bool punctuationBefore = IsUnicodePunctuation(flanks.before), punctuationAfter = IsUnicodePunctuation(flanks.after);
    flanks.left = !spaceAfter && (!punctuationAfter || spaceBefore || punctuationBefore);
    flanks.right = !spaceBefore && (!punctuationBefore || spaceAfter || punctuationAfter);
}

std::size_t InlineConverter::HandleDelimiterRun(std::size_t at) {
    const wchar_t c = text_[at];
    std::size_t end = at;
    while (end < text_.size() && text_[end] == c) ++end;
    const std::size_t length = end - at;
    Flanks flanks;
    Flanking(at, end, c != L'~', flanks);
    pieces_.push_back({at, static_cast<std::uint32_t>(length), false});
    if (c == L'~') {
        // GitHub's strikethrough: one or two tildes; longer runs are text
        if (length <= 2 && (flanks.left || flanks.right)) PushDelimiter(c, length, flanks.left, flanks.right);
        return end;
    }
    bool canOpen = flanks.left, canClose = flanks.right;
    if (c == L'_') {
        canOpen = flanks.left && (!flanks.right || IsUnicodePunctuation(flanks.before));
        canClose = flanks.right && (!flanks.left || IsUnicodePunctuation(flanks.after));
    }
    if (canOpen || canClose) PushDelimiter(c, length, canOpen, canClose);
    return end;
}

void InlineConverter::PushDelimiter(wchar_t character, std::size_t runLength, bool canOpen, bool canClose) {
    const auto index = static_cast<std::int32_t>(delimiters_.size());
    delimiters_.push_back({static_cast<std::uint32_t>(pieces_.size() - 1), static_cast<std::uint32_t>(runLength),
                           lastDelimiter_, -1, character, canOpen, canClose});
    if (lastDelimiter_ >= 0) delimiters_[static_cast<std::size_t>(lastDelimiter_)].next = index;
    lastDelimiter_ = index;
}

void InlineConverter::RemoveDelimiter(std::int32_t index) {
    Delimiter& d = delimiters_[static_cast<std::size_t>(index)];
    if (d.next >= 0)
        delimiters_[static_cast<std::size_t>(d.next)].previous = d.previous;
    else
        lastDelimiter_ = d.previous;
    if (d.previous >= 0) delimiters_[static_cast<std::size_t>(d.previous)].next = d.next;
}

// CommonMark's process_emphasis: closers from the bottom up, each matched with the nearest opener
// that may pair with it. The lowest opener worth looking at is kept per character and closer
// length modulo 3, so no run is searched past twice.
void InlineConverter::ProcessEmphasis(std::int32_t bottom) {
    std::int32_t openersBottom[3][3];  // per closer length modulo 3 and character
    for (auto& row : openersBottom) std::fill(std::begin(row), std::end(row), bottom);
    const auto kind = [](wchar_t c) { return c == L'*' ? 0 : c == L'_' ? 1 : 2; };
    std::int32_t closer = lastDelimiter_;
    while (closer >= 0 && delimiters_[static_cast<std::size_t>(closer)].previous != bottom)
        closer = delimiters_[static_cast<std::size_t>(closer)].previous;
    while (closer >= 0) {
        const Delimiter& c = delimiters_[static_cast<std::size_t>(closer)];
        if (!c.canClose) {
            closer = c.next;
            continue;
        }
        std::int32_t& lowest = openersBottom[c.runLength % 3][kind(c.character)];
        std::int32_t opener = c.previous;
        bool found = false;
        while (opener >= 0 && opener != bottom && opener != lowest) {
            const Delimiter& o = delimiters_[static_cast<std::size_t>(opener)];
            if (o.canOpen && o.character == c.character &&
                (!(c.canOpen || o.canClose) || c.runLength % 3 == 0 || (o.runLength + c.runLength) % 3 != 0)) {
                found = true;
                break;
            }
            opener = o.previous;
        }
        const std::int32_t oldCloser = closer;
        if (found && c.character == L'~' && delimiters_[static_cast<std::size_t>(opener)].runLength != c.runLength) {
            closer = c.next;  // tildes of another length: GitHub's parser leaves both as they are and goes on
        } else if (found) {
            closer = c.character == L'~' ? InsertStrikethrough(opener, closer) : InsertEmphasis(opener, closer);
        } else {
            closer = c.next;
            lowest = c.previous;
            if (!c.canOpen) RemoveDelimiter(oldCloser);
        }
    }
    while (lastDelimiter_ >= 0 && lastDelimiter_ != bottom) RemoveDelimiter(lastDelimiter_);
}

std::int32_t InlineConverter::InsertEmphasis(std::int32_t opener, std::int32_t closer) {
    Piece& openerPiece = pieces_[delimiters_[static_cast<std::size_t>(opener)].piece];
    Piece& closerPiece = pieces_[delimiters_[static_cast<std::size_t>(closer)].piece];
    const std::uint32_t used = openerPiece.length >= 2 && closerPiece.length >= 2 ? 2 : 1;
    openerPiece.length -= used;
    closerPiece.length -= used;
    for (std::int32_t d = delimiters_[static_cast<std::size_t>(closer)].previous; d >= 0 && d != opener;) {
        const std::int32_t previous = delimiters_[static_cast<std::size_t>(d)].previous;
        RemoveDelimiter(d);
        d = previous;
    }
    if (openerPiece.length == 0) RemoveDelimiter(opener);
    if (closerPiece.length == 0) {
        const std::int32_t next = delimiters_[static_cast<std::size_t>(closer)].next;
        RemoveDelimiter(closer);
        return next;
    }
    return closer;
}

// A pair of tildes strikes through: the delimiters between them are done with.
std::int32_t InlineConverter::InsertStrikethrough(std::int32_t opener, std::int32_t closer) {
    const std::int32_t next = delimiters_[static_cast<std::size_t>(closer)].next;
    pieces_[delimiters_[static_cast<std::size_t>(opener)].piece].length = 0;
    pieces_[delimiters_[static_cast<std::size_t>(closer)].piece].length = 0;
    for (std::int32_t d = closer; d >= 0 && d != opener;) {
        const std::int32_t previous = delimiters_[static_cast<std::size_t>(d)].previous;
        RemoveDelimiter(d);
        d = previous;
    }
    RemoveDelimiter(opener);
    return next;
}

void InlineConverter::PushBracket(std::size_t at, bool image) {
    if (!brackets_.empty()) brackets_.back().bracketAfter = true;
    const std::size_t length = image ? 2 : 1;
    pieces_.push_back({at, static_cast<std::uint32_t>(length), false});
    brackets_.push_back({pieces_.size() - 1, at + length, lastDelimiter_, image, false});
}

void InlineConverter::PopBracket() {
    brackets_.pop_back();
    inactiveBelow_ = std::min(inactiveBelow_, brackets_.size());
}

std::size_t InlineConverter::HandleCloseBracket(std::size_t at) {
    const std::size_t afterBracket = at + 1;
    if (brackets_.empty()) {
        AddSource(at, 1);
        return afterBracket;
    }
    const Bracket opener = brackets_.back();
    if (!opener.image && brackets_.size() - 1 < inactiveBelow_) {
        PopBracket();
        AddSource(at, 1);
        return afterBracket;
    }
    if (afterBracket < text_.size() && text_[afterBracket] == L'(') {
        const std::size_t start = afterBracket + 1 + SkipLinkSpaces(text_, afterBracket + 1);
        std::wstring_view raw;
        const std::size_t length = ScanLinkDestination(text_, start, raw);
        if (length != kNoMatch) {
            const std::size_t endUrl = start + length;
            const std::size_t startTitle = endUrl + SkipLinkSpaces(text_, endUrl);
            const std::size_t endTitle = startTitle == endUrl ? startTitle : startTitle + ScanLinkTitle(text_, startTitle);
            const std::size_t endAll = endTitle + SkipLinkSpaces(text_, endTitle);
            if (endAll < text_.size() && text_[endAll] == L')') {
                MakeLink(CleanUrl(raw));
                return endAll + 1;
            }
        }
    }
    // A reference: full "[text][label]", collapsed "[text][]" or shortcut "[text]".
    std::wstring_view label;
    const std::size_t labelLength = ScanLinkLabel(text_, afterBracket, label);
    std::size_t resume = afterBracket + labelLength;
    bool found = labelLength > 0;
    if ((!found || TrimAsciiWhitespace(label).empty()) && !opener.bracketAfter) {
        label = text_.substr(opener.textStart, at - opener.textStart);
        found = true;
    }
    if (found && !references_.empty() && label.size() <= kMaxLabelLength + 1) {
        const auto reference = references_.find(NormalizeLabel(label));
        if (reference != references_.end()) {
            MakeLink(reference->second);
            return resume;
        }
    }
    PopBracket();
    AddSource(at, 1);
    return afterBracket;
}

// The bracket on top opens a link or image that ends here: its delimiters are settled, and a
// link's address follows its text unless the text is the address.
void InlineConverter::MakeLink(const std::wstring& url) {
    const Bracket opener = brackets_.back();
    pieces_[opener.piece].length = 0;
    ProcessEmphasis(opener.lastDelimiter);
    PopBracket();
    if (opener.image) return;
    linkText_.clear();
    for (std::size_t i = opener.piece + 1; i < pieces_.size(); ++i) linkText_ += PieceText(pieces_[i]);
    if (!url.empty() && !IsOwnAddress(linkText_, url)) AddExtra(linkText_.empty() ? url : L" (" + url + L")");
    inactiveBelow_ = brackets_.size();  // a link holds no link: the brackets before it cannot open one
}

std::size_t InlineConverter::HandleAngleBracket(std::size_t at) {
    std::size_t length = ScanUriAutolink(text_, at);
    if (length == 0) length = ScanEmailAutolink(text_, at);
    if (length > 0) {
        const std::wstring_view address = text_.substr(at + 1, length - 2);
        const std::size_t before = extra_.size();
        for (std::size_t i = 0; i < address.size();) {
            const std::size_t reference = address[i] == L'&' ? DecodeCharacterReference(address, i, extra_) : 0;
            if (reference == 0) extra_.push_back(address[i]);
            i += std::max<std::size_t>(reference, 1);
        }
        pieces_.push_back({before, static_cast<std::uint32_t>(extra_.size() - before), true});
        return at + length;
    }
    length = ScanHtmlTag(text_, at, htmlSearches_);
    if (length == 0) return AddText(at);
    if (IsBreakTag(text_.substr(at, length)))
        AddBreak();
    else
        AddSource(at, length);
    return at + length;
}

// GitHub's extended autolinks: "www." after a space, the start or one of "*_~(", and
// "http://", "https://" and "ftp://"; neither inside brackets.
bool InlineConverter::StartsWwwAutolink(std::size_t at) const {
    if (!AutolinksAllowed() || text_.size() - at < 4 || text_.substr(at, 4) != L"www.") return false;
    if (at == 0) return true;
    const wchar_t before = text_[at - 1];
    return IsAsciiWhitespace(before) || before == L'*' || before == L'_' || before == L'~' || before == L'(';
}

std::size_t InlineConverter::WwwAutolinkEnd(std::size_t at) const {
    std::size_t end = CheckDomain(at, text_.size() - at, false);
    if (end == 0) return 0;
    while (at + end < text_.size() && !IsAsciiWhitespace(text_[at + end])) ++end;
    end = TrimAutolinkEnd(at, end);
    return end == 0 ? 0 : at + end;
}

std::size_t InlineConverter::UrlAutolinkEnd(std::size_t colon) const {
    const std::size_t size = text_.size() - colon;
    if (!AutolinksAllowed() || size < 4 || text_[colon + 1] != L'/' || text_[colon + 2] != L'/') return 0;
    std::size_t rewind = 0;
    while (rewind < colon && IsAsciiLetter(text_[colon - rewind - 1])) ++rewind;
    const std::wstring_view link = text_.substr(colon - rewind);
    bool safe = false;
    for (std::wstring_view scheme : {L"http://", L"https://", L"ftp://"})
        safe = safe || (link.size() > scheme.size() && StartsWithIgnoringCase(link, scheme) &&
                        IsValidHostChar(CodePointAt(link, scheme.size())));
    if (!safe) return 0;
    const std::size_t domain = CheckDomain(colon + 3, size - 3, true);
    if (domain == 0) return 0;
    std::size_t end = 3 + domain;
    while (end < size && !IsAsciiWhitespace(text_[colon + end])) ++end;
    end = TrimAutolinkEnd(colon, end);
    return end == 0 ? 0 : colon + end;
}

// How far a domain reaches from `start` (its first character is not looked at): 0 when one of its
// last two labels holds "_", or without `allowShort` when it has no ".".
std::size_t InlineConverter::CheckDomain(std::size_t start, std::size_t size, bool allowShort) const {
    std::size_t i = 1, dots = 0, underscores = 0, underscoresBefore = 0;
    for (; i + 1 < size; ++i) {
        const wchar_t c = text_[start + i];
        if (c == L'_') {
            ++underscores;
        } else if (c == L'.') {
            underscoresBefore = underscores;
            underscores = 0;
            ++dots;
        } else if (c >= 0x80 || (c != L'-' && (IsAsciiWhitespace(c) || IsAsciiPunctuation(c)))) {
            break;  // the byte-wise scan of the reference stops in any character beyond ASCII
        }
    }
    if (underscores > 0 || underscoresBefore > 0) return 0;
    return allowShort || dots > 0 ? i : 0;
}

// Trailing punctuation, an entity-like "&name;" and unbalanced closing parentheses are not part
// of an extended autolink.
std::size_t InlineConverter::TrimAutolinkEnd(std::size_t start, std::size_t length) const {
    const std::wstring_view link = text_.substr(start, length);
    const std::size_t angle = link.find(L'<');
    if (angle != std::wstring_view::npos) length = angle;
    bool counted = false;
    std::size_t opening = 0, closing = 0;
    while (length > 0) {
        const wchar_t c = link[length - 1];
        if (std::wstring_view(L"?!.,:*_~'\"").find(c) != std::wstring_view::npos) {
            --length;
        } else if (c == L';') {
            std::size_t newEnd = length >= 2 ? length - 2 : 0;
            while (newEnd > 0 && IsAsciiLetter(link[newEnd])) --newEnd;
            if (length >= 2 && newEnd < length - 2 && link[newEnd] == L'&')
                length = newEnd;
            else
                --length;
        } else if (c == L')') {
            if (!counted) {
                counted = true;
                opening = static_cast<std::size_t>(std::count(link.begin(), link.begin() + static_cast<std::int32_t>(length), L'('));
                closing = static_cast<std::size_t>(std::count(link.begin(), link.begin() + static_cast<std::int32_t>(length), L')'));
            }
            if (closing <= opening) break;
            --length;
            --closing;  // the other characters trimmed are never parentheses, so the counts stay true
        } else {
            break;
        }
    }
    return length;
}

}  // namespace markdown
