// Fuzzes the replacement by a regular expression as a user types it. Input: one byte of flags
// (REP_ICASE, REP_SINGLELINE, REP_NOTDOTNEWLINE), one byte each for the lengths of the pattern and
// of the replacement in units (up to 64), then UTF-16LE units: the pattern, the replacement and the
// text. A pattern that backtracks without end must stop at the library's complexity limit, so a
// hang is a finding too; besides, a failure must leave the text as it was with the warning, and a
// replacement of plain letters must give what replacing every occurrence by hand gives.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "options.h"
#include "pending_notification.h"
#include "regex_replace.h"

namespace {

// The library's budget grows with the text times the square of the pattern, and so does the time
// an endless backtrack takes to reach it; short patterns keep each run well below a second.
constexpr std::size_t kMaxPatternUnits = 64;

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

struct Reader {
    const std::uint8_t* data;
    std::size_t size;

    std::wstring Units(std::size_t count) {
        std::wstring units;
        while (count-- > 0 && size >= 2) {
            units.push_back(static_cast<wchar_t>(data[0] | data[1] << 8));
            data += 2;
            size -= 2;
        }
        return units;
    }
};

bool PlainLetters(std::wstring_view text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) {
        return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
    });
}

std::wstring ReplaceEveryOccurrence(std::wstring_view text, std::wstring_view pattern, std::wstring_view replacement) {
    std::wstring result;
    for (std::size_t start = 0;;) {
        const std::size_t found = text.find(pattern, start);
        result += text.substr(start, found == std::wstring_view::npos ? std::wstring_view::npos : found - start);
        if (found == std::wstring_view::npos) return result;
        result += replacement;
        start = found + pattern.size();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    ProcessingOptions = {};
    ProcessingOptionsRecord& o = ProcessingOptions;
    o.REP_REP = true;
    o.REP_ICASE = data[0] & 1;
    o.REP_SINGLELINE = data[0] & 2;
    o.REP_NOTDOTNEWLINE = data[0] & 4;
    Reader reader{data + 3, size - 3};
    o.REP_BEFORE = reader.Units(data[1] % (kMaxPatternUnits + 1));
    o.REP_AFTER = reader.Units(data[2] % (kMaxPatternUnits + 1));
    const std::wstring original = reader.Units(reader.size / 2);

    // The dialog's check: a pattern is valid or has a syntax error; nothing else goes wrong.
    std::string message;
    const PatternCheck check = CheckRegexPattern(o.REP_BEFORE, message);
    Require(check != PatternCheck::Failed);
    Require(check == PatternCheck::Valid || !message.empty());

    PendingNotification::Clear();
    std::wstring text = original;
    ApplyRegexReplacement(text);
    const bool failed = !PendingNotification::Text().empty();
    if (failed) Require(text == original && PendingNotification::Severity() == SeverityWarning);
    if (check == PatternCheck::SyntaxError && !o.REP_ICASE) Require(failed);
    if (!failed && !o.REP_ICASE && !o.REP_BEFORE.empty() && PlainLetters(o.REP_BEFORE) && PlainLetters(o.REP_AFTER))
        Require(text == ReplaceEveryOccurrence(original, o.REP_BEFORE, o.REP_AFTER));
    PendingNotification::Clear();
    return 0;
}
