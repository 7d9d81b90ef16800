// Fuzzes ProcessText with every engine stage the host build has. Input: four bytes of option bits
// (the last one the Markdown stage), one byte choosing MUL_BY_N (bits 7 and 0-2) and the other text
// cleanup (bits 3-6), then the text as UTF-16LE units (lone surrogates and NULs included).
// Besides the sanitizers, the result is checked against what the options promise.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.h"
#include "options.h"
#include "pending_notification.h"
#include "pipeline.h"
#include "text_cleanup.h"

namespace {

struct Replacement {
    const wchar_t* before;
    const wchar_t* after;
};
constexpr Replacement kReplacements[] = {
    {L"a+", L"x"},      {L"(\\w+)\\s", L"$1,"}, {L"\\r?\\n", L"\\t"}, {L".", L"$&$&"},
    {L"^", L"0"},       {L"(", L"x"},           {L"[\\x{D800}-\\x{DFFF}]", L"?"}, {L"$", L"\\r\\n"},
};

const wchar_t* const kFactors[] = {L"2", L"0", L"1.0", L"0.5", L"007", L".", L"1000000000000000000000000000000",
                                   L"0.000000000000000000000000000000000000000000000000000000000001"};

void LoadTables() {
    ConversionSet = {
        // "\r\n" -> "\r" rather than -> "\n": run backwards inside "Mixed", that pair would turn each LF
        // into CR LF and meet the LF again at the next position, growing every text with a line
        // break to the conversion's limit and making each such run thousands of times slower.
        {L"Wide", L"全角", {ConversionPair{L"a", L"\xFF41"}, ConversionPair{L"1", L"\xFF11"}, ConversionPair{L"ab", L"X"},
                            ConversionPair{L",", L"\t"}, ConversionPair{L"\r\n", L"\r"}}},
        {L"Mixed", L"混合", {ConversionReference{L"Wide"}, ConversionReference{L"!Wide"}, ConversionPair{L" ", L""}}},
    };
}

bool Bit(std::uint32_t bits, int index) { return (bits >> index) & 1u; }

void SetOptions(std::uint32_t bits, std::uint8_t factor) {
    ProcessingOptions = {};
    ProcessingOptionsRecord& o = ProcessingOptions;
    bool* const flags[] = {&o.DelSpace, &o.DelEnter, &o.DelTab, &o.REP_REP, &o.REP_ICASE, &o.REP_SINGLELINE,
                           &o.REP_NOTDOTNEWLINE, &o.FEL_TRIMLEFT, &o.FEL_TRIMLEFT_FPSPACE, &o.FEL_TRIMLEFT_TAB,
                           &o.FEL_TRIMLEFT_ZERO, &o.FEL_TRIMLEFT_FPZERO, &o.FEL_TRIMRIGHT, &o.FEL_TRIMRIGHT_FPSPACE,
                           &o.FEL_TRIMRIGHT_TAB, &o.FEL_SORTASC, &o.FEL_SORTDSC, &o.FEL_UNIQ, &o.FEL_DELBLANKLINE,
                           &o.TAB4SPACE, &o.TAB8SPACE, &o.LC_LF, &o.LC_CR, &o.CSVTSV_CHANGEROWCOL, &o.USE_CMDLINE};
    for (std::size_t i = 0; i < std::size(flags); ++i) *flags[i] = Bit(bits, static_cast<int>(i));
    const Replacement& replacement = kReplacements[(bits >> 27) % std::size(kReplacements)];
    o.REP_BEFORE = replacement.before;
    o.REP_AFTER = replacement.after;
    if (factor & 0x80) o.MUL_BY_N = kFactors[factor % std::size(kFactors)];
    // Four bits for five settings: the normalisation follows from the four switches, and across
    // their sixteen states each switch meets every normalisation.
    const unsigned cleanup = (factor >> 3) & 0xFu;
    o.CLN_MARKDOWN = Bit(bits, 31);
    o.CLN_INVISIBLE = Bit(cleanup, 0);
    o.CLN_SPACES = Bit(cleanup, 1);
    o.CLN_QUOTES = Bit(cleanup, 2);
    o.CLN_UNWRAP = Bit(cleanup, 3);
    o.CLN_NORMALIZE = static_cast<int>(cleanup % 3);
}

const wchar_t* ConversionName(std::uint32_t bits) {
    static const wchar_t* const names[] = {L"", L"Wide", L"Mixed", L"NoSuchTable"};
    return names[(bits >> 25) & 3u];
}

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

std::vector<std::wstring_view> Lines(std::wstring_view text, std::wstring_view separator) {
    std::vector<std::wstring_view> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        lines.push_back(text.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start));
        if (end == std::wstring_view::npos) return lines;
        start = end + separator.size();
    }
}

bool UnitLess(std::wstring_view a, std::wstring_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](wchar_t x, wchar_t y) { return (x & 0xFFFF) < (y & 0xFFFF); });
}

// What the options promise about the result, when no later stage may undo it.
void CheckResult(const std::wstring& output) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    Require(output.find(L'\0') == std::wstring::npos);
    if (o.USE_CMDLINE) return;  // the host build's filter only reports that it is missing
    const bool laterStages = o.REP_REP || (o.MUL_BY_N != L"1") || o.CSVTSV_CHANGEROWCOL;
    if (o.CLN_INVISIBLE && !laterStages) Require(output.find_first_of(L"\x200B\xFEFF\x202E") == std::wstring::npos);
    // NFKC may bring a dash or an ellipsis back from a compatibility form (U+FE58, U+FE19).
    if (o.CLN_QUOTES && o.CLN_NORMALIZE != kNormalizeNfkc && !laterStages) Require(output.find_first_of(L"\x2018\x201C\x2014\x2026") == std::wstring::npos);
    const bool table = o.CSVTSV_CHANGEROWCOL || o.MUL_BY_N != L"1";
    const bool lineStage = o.FEL_TRIMLEFT || o.FEL_TRIMLEFT_FPSPACE || o.FEL_TRIMLEFT_TAB || o.FEL_TRIMLEFT_ZERO ||
                           o.FEL_TRIMLEFT_FPZERO || o.FEL_TRIMRIGHT || o.FEL_TRIMRIGHT_FPSPACE || o.FEL_TRIMRIGHT_TAB ||
                           o.FEL_SORTASC || o.FEL_SORTDSC || o.FEL_UNIQ || o.FEL_DELBLANKLINE || o.TAB4SPACE ||
                           o.TAB8SPACE || o.LC_LF || o.LC_CR || table;
    if (!lineStage) return;
    if (o.TAB4SPACE || o.TAB8SPACE) Require(output.find(L'\t') == std::wstring::npos);
    if (o.LC_LF && !o.LC_CR) Require(output.find(L'\r') == std::wstring::npos);
    if (o.LC_CR && !o.LC_LF) Require(output.find(L'\n') == std::wstring::npos);
    const std::wstring_view separator = o.LC_LF == o.LC_CR ? L"\r\n" : o.LC_LF ? L"\n" : L"\r";
    const std::vector<std::wstring_view> lines = Lines(output, separator);
    if (o.FEL_DELBLANKLINE && !table && !output.empty())
        Require(std::none_of(lines.begin(), lines.end(), [](std::wstring_view line) { return line.empty(); }));
    if (o.FEL_SORTASC && !o.FEL_SORTDSC && !table && !o.TAB4SPACE && !o.TAB8SPACE) {
        for (std::size_t i = 1; i < lines.size(); ++i) {
            Require(!UnitLess(lines[i], lines[i - 1]));
            if (o.FEL_UNIQ) Require(lines[i] != lines[i - 1]);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    static const bool loaded = (LoadTables(), true);
    (void)loaded;
    const std::uint32_t bits = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    SetOptions(bits, data[4]);
    std::wstring input;
    for (std::size_t i = 5; i + 1 < size; i += 2) input.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
    PendingNotification::Clear();
    std::wstring output;
    ProcessText(ConversionName(bits), input.c_str(), output);
    CheckResult(output);
    return 0;
}
