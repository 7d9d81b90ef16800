// Reading "Convert.def": raw UTF-16LE bytes, a 260-unit line buffer and a three-state block parser.
#include <fstream>
#include <new>

#include "conversion.h"

namespace {

// A line is read into 260 units, one of them kept for the terminating NUL, so a longer physical
// line arrives as several lines; tables written for that buffer rely on the split.
constexpr std::size_t kLineUnitsPerRead = 259;

class UnitLineReader {
public:
    explicit UnitLineReader(std::istream& in) : in_(in) {}

    // Reads up to and including an LF, at most kLineUnitsPerRead units; false at the end of the file.
    bool ReadLine(std::wstring& line) {
        line.clear();
        wchar_t unit = 0;
        while (line.size() < kLineUnitsPerRead && ReadUnit(unit)) {
            line.push_back(unit);
            if (unit == L'\n') break;
        }
        return !line.empty();
    }

private:
    // A trailing odd byte is not a unit and is ignored.
    bool ReadUnit(wchar_t& unit) {
        char bytes[2];
        if (in_.rdbuf()->sgetn(bytes, 2) != 2) return false;
        unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[0]) | static_cast<unsigned char>(bytes[1]) << 8);
        return true;
    }

    std::istream& in_;
};

// A NUL ends the line's text as it ends the C string the line is read into; then a final LF and
// a final CR go.
void TrimLineRead(std::wstring& line) {
    if (const std::size_t nul = line.find(L'\0'); nul != std::wstring::npos) line.resize(nul);
    if (!line.empty() && line.back() == L'\n') line.pop_back();
    if (!line.empty() && line.back() == L'\r') line.pop_back();
}

bool SkippedOutsideEntries(const std::wstring& line) { return line.empty() || line[0] == L'#'; }

class ConversionFileParser {
public:
    void Feed(const std::wstring& line) {
        switch (state_) {
            case State::WaitingForName: ReadNameLine(line); break;
            case State::WaitingForLabel: ReadLabelLine(line); break;
            case State::ReadingEntries: ReadEntryLine(line); break;
        }
    }

private:
    enum class State { WaitingForName, WaitingForLabel, ReadingEntries };

    // The table joins the set at once, so a file that ends here still yields it, labelled by its name.
    void ReadNameLine(const std::wstring& line) {
        if (SkippedOutsideEntries(line)) return;
        escaped_ = line[0] == L'\\';
        ConversionTable& table = ConversionSet.emplace_back();
        table.name = escaped_ ? line.substr(1) : line;
        table.label = table.name;
        state_ = State::WaitingForLabel;
    }

    // The label is taken whole, even when it begins with a backslash.
    void ReadLabelLine(const std::wstring& line) {
        if (SkippedOutsideEntries(line)) return;
        ConversionSet.back().label = line;
        state_ = State::ReadingEntries;
    }

    // "#" is no comment here; a line without a TAB is ignored and the block goes on.
    void ReadEntryLine(const std::wstring& line) {
        if (line.empty()) {
            state_ = State::WaitingForName;
            return;
        }
        std::vector<ConversionEntry>& entries = ConversionSet.back().entries;
        if (line[0] == L'\t') {
            entries.emplace_back(ConversionReference{line.substr(1)});
            return;
        }
        const std::size_t tab = line.find(L'\t');
        if (tab == std::wstring::npos) return;
        ConversionPair pair{line.substr(0, tab), line.substr(tab + 1)};
        if (escaped_) {
            pair.source = UnescapeConversionText(pair.source);
            pair.replacement = UnescapeConversionText(pair.replacement);
        }
        entries.emplace_back(std::move(pair));
    }

    State state_ = State::WaitingForName;
    bool escaped_ = false;
};

bool IsDecimalDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// The value of `count` hexadecimal digits at `start`, or -1 when any of them is missing.
long HexRunValue(std::wstring_view text, std::size_t start, std::size_t count) {
    if (text.size() < start + count) return -1;
    long value = 0;
    for (std::size_t i = start; i < start + count; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

wchar_t SimpleEscape(wchar_t c) {
    switch (c) {
        case L'"': return L'"';
        case L'\'': return L'\'';
        case L'\\': return L'\\';
        case L'a': return L'\a';
        case L'b': return L'\b';
        case L'f': return L'\f';
        case L'n': return L'\n';
        case L'r': return L'\r';
        case L't': return L'\t';
        default: return 0;
    }
}

}  // namespace

bool LoadConversionFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    char mark[2] = {};
    if (in.rdbuf()->sgetn(mark, 2) != 2 || static_cast<unsigned char>(mark[0]) != 0xFF ||
        static_cast<unsigned char>(mark[1]) != 0xFE)
        return false;
    ConversionSet.clear();
    UnitLineReader reader(in);
    ConversionFileParser parser;
    // Running out of memory ends the reading; the tables read so far stay. (A file stream reports a
    // failed read as the end of the file, so that is the only failure left to catch here.)
    try {
        std::wstring line;
        while (reader.ReadLine(line)) {
            TrimLineRead(line);
            parser.Feed(line);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Octal weights apply to 8 and 9 too ("\19" is 1*64 + 9 = 0x49): files written for that rule keep working.
std::wstring UnescapeConversionText(std::wstring_view text) {
    std::wstring decoded;
    decoded.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != L'\\') {
            decoded.push_back(text[i++]);
            continue;
        }
        const std::wstring_view rest = text.substr(i + 1);
        if (!rest.empty() && SimpleEscape(rest[0])) {
            decoded.push_back(SimpleEscape(rest[0]));
            i += 2;
        } else if (rest.size() >= 3 && IsDecimalDigit(rest[0]) && IsDecimalDigit(rest[1]) && IsDecimalDigit(rest[2])) {
            decoded.push_back(static_cast<wchar_t>((rest[0] - L'0') * 64 + (rest[1] - L'0') * 8 + (rest[2] - L'0')));
            i += 4;
        } else if (const long hex2 = !rest.empty() && rest[0] == L'x' ? HexRunValue(rest, 1, 2) : -1; hex2 >= 0) {
            decoded.push_back(static_cast<wchar_t>(hex2));
            i += 4;
        } else if (const long hex4 = !rest.empty() && rest[0] == L'u' ? HexRunValue(rest, 1, 4) : -1; hex4 >= 0) {
            decoded.push_back(static_cast<wchar_t>(hex4));
            i += 6;
        } else {
            ++i;  // an unknown escape drops the backslash; the next unit is read as usual
        }
    }
    return decoded;
}
