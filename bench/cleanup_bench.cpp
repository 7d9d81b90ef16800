// The text cleanup on 25 MB of text as it comes from web pages and PDFs: no-break spaces,
// typographic quotes and dashes, soft and zero-width characters, decomposed accents, paragraphs
// broken into lines, hyphenated words and list items. All five cleanup settings on against the same
// pipeline with them off, measured in the same run, with the normalisation and without it, in
// process and on the host through nuvela-filter from file to file. The rest of that pipeline is the
// character conversion of full-width letters and digits and the deletion of TABs: their work
// follows the units, which the unwrap cannot make fewer to any extent (a sort or a de-duplication
// gets cheaper as the unwrap joins the lines). The conversion weighs most there, so the cleanup's
// own cost per unit is shown beside the bare copy of the text as well. Then a 10 MB single line and
// a 10 MB single paragraph against smaller ones, to show that no stage grows faster than the text.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <utility>

#include "bench_support.h"
#include "conversion.h"
#include "options.h"
#include "pipeline.h"
#include "text_cleanup.h"
#include "utf8.h"

namespace {

constexpr const wchar_t* kConversion = L"Fullwidth to halfwidth letters and digits";

// The first conversion of the Convert.def that comes with the program, as a file of its own, so
// the in-process runs and nuvela-filter apply the same table.
std::string ConversionFileBytes() {
    std::wstring text = std::wstring(kConversion) + L"\r\n\x5168\x89D2\x2192\x534A\x89D2\r\n";
    for (const auto& [first, last] : {std::pair{L'0', L'9'}, std::pair{L'A', L'Z'}, std::pair{L'a', L'z'}})
        for (wchar_t c = first; c <= last; ++c) text += std::wstring{static_cast<wchar_t>(c + 0xFEE0), L'\t', c, L'\r', L'\n'};
    text += L"\r\n";
    std::string bytes = "\xFF\xFE";  // UTF-16LE with its byte-order mark, as the program reads it
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

std::filesystem::path LoadConversion() {
    const auto file = ScratchFile("Convert.def");
    WriteFile(file, ConversionFileBytes());
    if (!LoadConversionFile(file)) std::printf("cleanup: the benchmark's Convert.def did not load\n");
    return file;
}

void SetOptions(bool cleanup, NormalizationChoice normalization) {
    ProcessingOptions = {};
    ProcessingOptionsRecord& o = ProcessingOptions;
    o.DelTab = true;
    o.CLN_INVISIBLE = o.CLN_SPACES = o.CLN_QUOTES = o.CLN_UNWRAP = cleanup;
    o.CLN_NORMALIZE = cleanup ? normalization : kNormalizeNone;
}

double TimeProcessText(const std::wstring& text, int runs, const wchar_t* conversion = kConversion) {
    return BestSeconds(runs, [&] {
        std::wstring output;
        ProcessText(conversion, text.c_str(), output);
    });
}

enum class Shape { Page, OneLine, OneParagraph };

// A little pseudo-random choice of words, the same in every build and run.
struct Chooser {
    unsigned state = 12345;
    unsigned Next(unsigned below) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % below;
    }
};

// Words and phrases as web pages and PDFs give them; "|" marks where a line end may split a word.
constexpr const wchar_t* kLatinWords[] = {
    L"The", L"com|mit|tee\u2019s", L"re|port", L"\u201Cfinds", L"no", L"fault\u201D", L"in", L"the", L"co\u00ADop|er|a|tion",
    L"\u2014", L"see", L"p.\u00A012\u2026", L"Caf\u0065\u0301", L"own|ers", L"in", L"Mu\u0308n|chen", L"and",
    L"Orle\u0301ans", L"re\u0301|sume\u0301", L"their", L"work", L"at", L"9\u00A0a.m.", L"Zero\u200Bwidth",
    L"spa|ces", L"hide", L"in", L"ad|dress|es", L"like", L"exam|ple.com/\u200Bpath", L"and", L"in", L"long\u00ADer",
    L"words;", L"\u2018quoted\u2019", L"terms", L"sit", L"be|side", L"5\u201310\u202Fkm", L"of", L"plain", L"text",
    L"\uFF21\uFF22\uFF23\uFF11\uFF12\uFF13", L"and", L"a\ttab.",
};
constexpr const wchar_t* kJapaneseText =
    L"\x30AF\x30EA\x30C3\x30D7\x30DC\x30FC\x30C9\x306E\x6587\x5B57\x5217\x304B\x3089\x66F8\x5F0F\x3092\x53D6\x308A"
    L"\x9664\x304D\x3001\x9014\x4E2D\x3067\x6539\x884C\x3055\x308C\x305F\x6587\x7AE0\x3092\x4E00\x3064\x306E\x6BB5"
    L"\x843D\x306B\x623B\x3057\x307E\x3059\x3002\x30C6\x3099\x30FC\x30BF\x306F\x201C\xFF2E\xFF55\xFF56\xFF45\xFF4C"
    L"\xFF41\x201D\x3067\x6574\x3048\x307E\x3059\x3002";
constexpr const wchar_t* kListItems[] = {L"1. Open the file", L"2) Copy\u00A0it", L"\u2022 Paste\u2026", L"\u2460\x958B\x304F",
                                         L"\u2461\x9589\x3058\x308B", L"(3) Check the \u201Cresult\u201D"};

class WebTextWriter {
public:
    WebTextWriter(std::size_t utf8Bytes, Shape shape) : limit_(utf8Bytes), shape_(shape) { text_.reserve(utf8Bytes); }

    std::wstring Make() {
        while (bytes_ < limit_) {
            const unsigned kind = chooser_.Next(10);
            if (kind < 6 || (kind >= 8 && shape_ != Shape::Page)) LatinParagraph();  // list items end a paragraph
            else if (kind < 8) JapaneseParagraph();
            else ListItems();
            if (shape_ == Shape::Page) Append(L"\r\n\r\n");
            else if (shape_ == Shape::OneLine) Append(L" ");
            else LineBreak();
        }
        return std::move(text_);
    }

private:
    void Append(std::wstring_view piece) {
        text_ += piece;
        for (wchar_t c : piece) bytes_ += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    }
    void LineBreak() { Append(shape_ == Shape::OneLine ? L" " : L"\r\n"); }

    // Lines of about 72 units; a word that does not fit is split at a "|" with a hyphen or a soft
    // hyphen now and then, as PDFs do.
    void LatinParagraph() {
        std::size_t column = 0;
        const unsigned words = 40 + chooser_.Next(80);
        for (unsigned i = 0; i < words; ++i) {
            std::wstring word = kLatinWords[chooser_.Next(std::size(kLatinWords))];
            const std::size_t split = word.find(L'|');
            if (column + word.size() > 72 && split != std::wstring::npos && chooser_.Next(2) == 0) {
                std::wstring head = word.substr(0, split) + (chooser_.Next(2) == 0 ? L"-" : L"\u00AD");
                std::erase(head, L'|');
                Append(head);
                LineBreak();
                word.erase(0, split + 1);
                column = 0;
            } else if (column + word.size() > 72) {
                if (chooser_.Next(3) == 0) Append(L" ");  // some lines end with their space
                LineBreak();
                column = 0;
            } else if (column > 0) {
                Append(L" ");
                ++column;
            }
            std::erase(word, L'|');
            Append(word);
            column += word.size();
        }
    }

    void JapaneseParagraph() {
        const std::wstring_view text = kJapaneseText;
        for (unsigned lines = 2 + chooser_.Next(6); lines > 0; --lines) {
            const std::size_t at = chooser_.Next(static_cast<unsigned>(text.size() - 30));
            Append(text.substr(at, 30));
            LineBreak();
        }
        Append(text.substr(0, 20));
    }

    void ListItems() {
        for (unsigned items = 2 + chooser_.Next(4); items > 0; --items) {
            Append(kListItems[chooser_.Next(std::size(kListItems))]);
            if (items > 1) LineBreak();
        }
    }

    std::wstring text_;
    std::size_t bytes_ = 0;
    const std::size_t limit_;
    const Shape shape_;
    Chooser chooser_;
};

std::wstring MakeWebText(std::size_t utf8Bytes, Shape shape) { return WebTextWriter(utf8Bytes, shape).Make(); }

// The cleanup's own cost per unit, beside that of the engine's copy of the text with no stage on:
// the conversion weighs most in the ratio above, so this shows what the cleanup itself adds.
void PrintOwnCost(const std::wstring& text, int runs) {
    double copy = 1e300, cleanup = 1e300;
    for (int round = 0; round < runs; ++round) {
        ProcessingOptions = {};
        copy = std::min(copy, TimeProcessText(text, 1, L""));
        SetOptions(true, kNormalizeNfc);
        ProcessingOptions.DelTab = false;
        cleanup = std::min(cleanup, TimeProcessText(text, 1, L""));
    }
    const double units = static_cast<double>(text.size());
    std::printf("cleanup 25 MB web and PDF text alone, all five on (NFC): %.1f ns per unit, %.2fx the engine's bare "
                "copy of the text (%.1f ns per unit)\n", cleanup * 1e9 / units, cleanup / copy, copy * 1e9 / units);
}

// All five on against all off, in alternating runs, so a busy spell of the shared machine falls on
// both sides alike.
void PrintRatio(const char* name, const std::wstring& text, NormalizationChoice normalization, int runs) {
    double without = 1e300, with = 1e300;
    for (int round = 0; round < runs; ++round) {
        SetOptions(false, normalization);
        without = std::min(without, TimeProcessText(text, 1));
        SetOptions(true, normalization);
        with = std::min(with, TimeProcessText(text, 1));
    }
    std::printf("cleanup 25 MB web and PDF text, %s, with conversion and TAB deletion: on %.3f s, off %.3f s, "
                "ratio %.2f (target <= 1.5)\n", name, with, without, with / without);
}

// Time per unit at 2.5, 5 and 10 MB: it stays level when the work grows with the text and doubles
// with each doubling when it grows with its square. The step from 2.5 MB is the one where the
// buffers outgrow the processor's cache, so the 10 MB figure is set against the 5 MB one.
void PrintGrowth(const char* name, Shape shape) {
    SetOptions(true, kNormalizeNfkc);  // the normalisation that rewrites the most; no conversion
    double nanoseconds[3] = {};
    const std::size_t sizes[3] = {2'500'000, 5'000'000, 10'000'000};
    for (int i = 0; i < 3; ++i) {
        const std::wstring text = MakeWebText(sizes[i], shape);
        nanoseconds[i] = TimeProcessText(text, 5, L"") * 1e9 / static_cast<double>(text.size());
    }
    std::printf("cleanup, %s, 10 MB: %.2fx the 5 MB time per unit for 2x the text (quadratic: 2x); ns per unit at "
                "2.5 / 5 / 10 MB: %.1f / %.1f / %.1f\n", name, nanoseconds[2] / nanoseconds[1], nanoseconds[0],
                nanoseconds[1], nanoseconds[2]);
}

std::string FilterCommand(const std::string& definition, const std::string& file, bool cleanup) {
#ifdef NUVELA_FILTER_PROGRAM
    std::string command = "'" NUVELA_FILTER_PROGRAM "' --def '" + definition +
                          "' --set 'StrConvID=" + EncodeUtf8(kConversion) + "' --set DelTab=1";
    if (cleanup)
        command += " --set CLN_INVISIBLE=1 --set CLN_SPACES=1 --set CLN_QUOTES=1 --set CLN_UNWRAP=1 --set CLN_NORMALIZE=1";
    return command + " < '" + file + "' > /dev/null";
#else
    (void)definition;
    (void)file;
    (void)cleanup;
    return {};
#endif
}

void PrintFilterRatio(const std::filesystem::path& definition, const std::wstring& text, int runs) {
    if (FilterCommand("", "", false).empty() || !ShellAvailable()) return;
    const auto file = ScratchFile("web-text-25MB.txt");
    WriteFile(file, EncodeUtf8(text));
    bool ran = true;
    double without = 1e300, with = 1e300;
    for (int round = 0; round < runs; ++round) {
        without = std::min(without, BestSeconds(1, [&] {
            ran = RunShellCommand(FilterCommand(definition.string(), file.string(), false)) && ran;
        }));
        with = std::min(with, BestSeconds(1, [&] {
            ran = RunShellCommand(FilterCommand(definition.string(), file.string(), true)) && ran;
        }));
    }
    if (!ran) {
        std::printf("cleanup 25 MB through nuvela-filter: the filter failed\n");
        return;
    }
    std::printf("cleanup 25 MB web and PDF text through nuvela-filter, file to file, all five on (NFC): on %.3f s, "
                "off %.3f s, ratio %.2f (target <= 1.5)\n", with, without, with / without);
}

}  // namespace

// Takes no options; "--quick" from scripts/bench.sh changes nothing, as no case here is of 100 MB.
int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // each figure shows as soon as it is measured, under Wine too
    const std::filesystem::path definition = LoadConversion();
    const std::wstring text = MakeWebText(25'000'000, Shape::Page);
    constexpr int kRuns = 5;
    PrintRatio("four on, without the normalisation", text, kNormalizeNone, kRuns);
    PrintRatio("all five on (NFC)", text, kNormalizeNfc, kRuns);
    PrintOwnCost(text, kRuns);
    PrintFilterRatio(definition, text, kRuns);
    PrintGrowth("one line", Shape::OneLine);
    PrintGrowth("one paragraph", Shape::OneParagraph);
    return 0;
}
