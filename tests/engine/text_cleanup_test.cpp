// The cleanup stages, from texts as they come out of PDFs, web pages and word processors. This file
// runs in both builds: the same rows check ICU on the host and NormalizeString under Wine.
#include <gtest/gtest.h>

#include "engine_test.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "options.h"
#include "unicode_normalization.h"
#include "pending_notification.h"
#include "text_cleanup.h"
#include "utf8.h"

namespace {

struct CleanupCase {
    const char* name;
    void (*set)(ProcessingOptionsRecord&);
    std::u8string input;
    std::u8string expected;
};

void AllFive(ProcessingOptionsRecord& o) {
    o.CLN_INVISIBLE = o.CLN_SPACES = o.CLN_QUOTES = o.CLN_UNWRAP = true;
    o.CLN_NORMALIZE = kNormalizeNfc;
}

class TextCleanupTest : public EngineTest {
protected:
    static void RunCases(std::initializer_list<CleanupCase> cases) {
        for (const CleanupCase& c : cases) {
            SCOPED_TRACE(c.name);
            ProcessingOptions = {};
            c.set(ProcessingOptions);
            EXPECT_EQ(EncodeUtf8(Run(U(c.input))), std::string(c.expected.begin(), c.expected.end()));
            EXPECT_EQ(PendingNotification::Text(), L"");
        }
    }
};

TEST_F(TextCleanupTest, CharacterStages) {
    RunCases({
        {"web snippet: NBSP, ZWSP and smart quotes", AllFive,
         u8"Price:\u00A0$5\u200B \u2014 \u201Cbest\u201D deal\u2026 it\u2019s\u00A0here",
         u8"Price: $5 - \"best\" deal... it's here"},
        {"all five off leave it alone", [](auto&) {}, u8"a\u00A0\u200B\u201Cb\u201D\u2026\ne\u0301",
         u8"a\u00A0\u200B\u201Cb\u201D\u2026\ne\u0301"},
        {"emoji ZWJ sequence and variation selector survive", AllFive,
         u8"\U0001F468\u200D\U0001F469\u200D\U0001F467 \u2764\uFE0F \U0001F3F3\uFE0F\u200D\U0001F308",
         u8"\U0001F468\u200D\U0001F469\u200D\U0001F467 \u2764\uFE0F \U0001F3F3\uFE0F\u200D\U0001F308"},
        {"bidi controls go, marks stay", [](auto& o) { o.CLN_INVISIBLE = true; },
         u8"\u202Bشكرا\u202C \u2066abc\u2069 \u202Ax\u202D\u202E \u200Fy\u200E \u200Cz",
         u8"شكرا abc x \u200Fy\u200E \u200Cz"},
        {"soft hyphen, BOM, word joiner, Mongolian vowel separator", [](auto& o) { o.CLN_INVISIBLE = true; },
         u8"\uFEFFco\u00ADoper\u2060ate\u2061\u2062\u2063\u2064 \u180E.", u8"cooperate ."},
        {"odd spaces become spaces; U+3000 and TAB stay", [](auto& o) { o.CLN_SPACES = true; },
         u8"1\u2009000\u202F\u20AC\u00A0a\u1680b\u2000c\u200Ad\u205Fe\u3000f\tg\u200Bh",
         u8"1 000 \u20AC a b c d e\u3000f\tg\u200Bh"},
        {"quotes, dashes and the ellipsis; full-width forms stay", [](auto& o) { o.CLN_QUOTES = true; },
         u8"\u201Alow\u201B \u201Ex\u201F a\u2010b\u2011c\u2012d\u2013e\u2014f\u2212g\u2026\u2026 \uFF02\uFF07\u2015\u22EF",
         u8"'low' \"x\" a-b-c-d-e-f-g...... \uFF02\uFF07\u2015\u22EF"},
        {"empty text with everything on", AllFive, u8"", u8""},
        {"an invisible character between a letter and its mark", [](auto& o) { o.CLN_INVISIBLE = true; o.CLN_NORMALIZE = kNormalizeNfc; },
         u8"e\u200B\u0301", u8"\u00E9"},
    });
}

TEST_F(TextCleanupTest, ParagraphUnwrap) {
    const auto unwrap = [](ProcessingOptionsRecord& o) { o.CLN_UNWRAP = true; };
    RunCases({
        {"PDF paragraph with hyphenation and a list", unwrap,
         u8"The exam-\nple shows how a PDF   \n  breaks its lines.\n\nSteps:\n1. Open the\nfile.\n2) Copy\n"
         u8"\u2022 Bullet\n  continued here\n(3) third\na. letter\n- dash\n* star\n+ plus\n\u2013 en dash\n",
         u8"The example shows how a PDF breaks its lines.\n\nSteps:\n1. Open the file.\n2) Copy\n"
         u8"\u2022 Bullet continued here\n(3) third\na. letter\n- dash\n* star\n+ plus\n\u2013 en dash\n"},
        {"Japanese paragraph broken mid-sentence", unwrap,
         u8"クリップボードの文字列から書式を取り除き、\r\n途中で改行された文章を\r\n\u3000一つの段落に戻します。\r\n\r\n"
         u8"\u30FB箇条書き\r\n\u203B注意\r\n\u2460番号\r\n\u25A0四角\r\n\u25CF丸",
         u8"クリップボードの文字列から書式を取り除き、途中で改行された文章を一つの段落に戻します。\r\n\r\n"
         u8"\u30FB箇条書き\r\n\u203B注意\r\n\u2460番号\r\n\u25A0四角\r\n\u25CF丸"},
        {"mixed Japanese and English", unwrap,
         u8"Nuvela は\nclipboard を監視する\nresident tool で、\nWindows 10\nで動きます。",
         u8"Nuvela はclipboard を監視するresident tool で、Windows 10で動きます。"},
        {"CR LF, LF and CR breaks keep their form", unwrap, u8"a\r\n\r\nb\nc\r\rd\re\n\rf",
         u8"a\r\n\r\nb c\r\rd e\n\rf"},
        {"blank lines of spaces, U+3000 and TABs separate", unwrap, u8"a\n \t\u3000\nb\n\n\nc", u8"a\n \t\u3000\nb\n\n\nc"},
        {"hyphen kept unless letter- then lowercase", unwrap,
         u8"e-\nMail 2-\nthree \u00C4hn-\nlich \u0441\u043B\u043E-\n\u0432\u043E co-\n\t operate exam\u00AD\nple",
         u8"e- Mail 2- three \u00C4hnlich \u0441\u043B\u043E\u0432\u043E cooperate exam\u00ADple"},
        {"numbers that are not labels", unwrap, u8"see\n1.5 m and\n1234. no\nab) no\n(12)x\nA.\nend",
         u8"see 1.5 m and 1234. no ab) no (12)x A. end"},
        {"Hangul is joined with a space, CJK beyond the BMP without", unwrap,
         u8"\uC548\uB155\n\uD558\uC138\uC694 \U0002000B\nx y\n\U00020000", u8"\uC548\uB155 \uD558\uC138\uC694 \U0002000Bx y\U00020000"},
        {"a blank at the break between CJK and Latin stays one space", unwrap,
         u8"Nuvela \u306F \nclipboard\t\n\u3000\u3092\u898B\u308B\u3000\n\u65E5\u672C \n\u8A9E",
         u8"Nuvela \u306F clipboard \u3092\u898B\u308B\u65E5\u672C\u8A9E"},
        {"one line and a trailing break", unwrap, u8"just one line\r\n", u8"just one line\r\n"},
    });
}

TEST_F(TextCleanupTest, StagesRunFirstInTheirOrder) {
    RunCases({
        {"a line of invisible characters becomes a paragraph break",
         [](auto& o) { o.CLN_INVISIBLE = o.CLN_UNWRAP = true; }, u8"a\n\u200B\u2060\nb", u8"a\n\nb"},
        {"NBSP on an otherwise blank line", [](auto& o) { o.CLN_SPACES = o.CLN_UNWRAP = true; }, u8"a\n\u00A0\nb",
         u8"a\n \nb"},
        {"typographic hyphen joins the word", [](auto& o) { o.CLN_QUOTES = o.CLN_UNWRAP = true; },
         u8"exam\u2010\nple", u8"example"},
        {"soft hyphen at a line end joins the word, then goes", [](auto& o) { o.CLN_INVISIBLE = o.CLN_UNWRAP = true; },
         u8"exam\u00AD\nple co\u00AD \u200B\r\noperate", u8"example cooperate"},
        {"circled numbers are list items before NFKC makes them digits",
         [](auto& o) { o.CLN_NORMALIZE = kNormalizeNfkc; o.CLN_UNWRAP = true; },
         u8"\u624B\u9806\n\u2460\u958B\u304F\n\u2473\u9589\u3058\u308B", u8"\u624B\u9806\n1\u958B\u304F\n20\u9589\u3058\u308B"},
        {"labels NFKC makes are list items too", [](auto& o) { o.CLN_NORMALIZE = kNormalizeNfkc; o.CLN_UNWRAP = true; },
         u8"\u624B\u9806\n\uFF11\uFF0E \u958B\u304F", u8"\u624B\u9806\n1. \u958B\u304F"},
        {"NFKC before the join: full-width letters", [](auto& o) { o.CLN_NORMALIZE = kNormalizeNfkc; o.CLN_UNWRAP = true; },
         u8"\uFF21\uFF22\n\uFF23", u8"AB C"},
        {"the line stage's line feed still applies", [](auto& o) { o.CLN_UNWRAP = o.LC_LF = true; },
         u8"a\r\nb\r\n\r\nc", u8"a b\n\nc"},
        {"conversions see the cleaned text", [](auto& o) { o.CLN_SPACES = o.DelSpace = true; }, u8"a\u00A0b", u8"ab"},
        {"a chat's answer through all six", [](auto& o) { AllFive(o); o.CLN_MARKDOWN = true; },
         u8"## Result\n\nIt\u2019s **done**\u00A0now,\nsee `a_b`.\n\n**Pros:**\n- Fast\n- [ ] Small\n  and light\n\n"
         u8"| a | b |\n|---|---|\n| 1 | 2 |\n# End\nbye  \nfor now",
         u8"Result\n\nIt's done now, see a_b.\n\nPros:\n\u2022 Fast\n\u2610 Small and light\n\na\tb\n1\t2\nEnd\nbye\nfor now"},
        {"a dash the quotes stage makes starts no list", [](auto& o) { o.CLN_MARKDOWN = o.CLN_QUOTES = true; },
         u8"\u2014 one\n\u2013 two", u8"- one\n- two"},
        {"asterisks NFKC makes are no emphasis", [](auto& o) { o.CLN_MARKDOWN = true; o.CLN_NORMALIZE = kNormalizeNfkc; },
         u8"\uFF0A\uFF0Aa\uFF0A\uFF0A", u8"**a**"},
    });
}

struct NormalizationCase {
    const char* name;
    std::u8string input;
    std::u8string nfc;
    std::u8string nfkc;
};

// The same rows in both builds: ICU and NormalizeString must agree on each.
TEST_F(TextCleanupTest, NormalizationAgreesOnEveryPlatform) {
    const NormalizationCase cases[] = {
        {"combining acute", u8"Cafe\u0301 re\u0301sume\u0301", u8"Caf\u00E9 r\u00E9sum\u00E9", u8"Caf\u00E9 r\u00E9sum\u00E9"},
        {"Vietnamese with two marks", u8"Tie\u0302\u0301ng Vie\u0323\u0302t", u8"Ti\u1EBFng Vi\u1EC7t",
         u8"Ti\u1EBFng Vi\u1EC7t"},
        {"marks in canonical order", u8"a\u0307\u0323", u8"\u1EA1\u0307", u8"\u1EA1\u0307"},
        {"half-width katakana", u8"\uFF83\uFF9E\uFF70\uFF80", u8"\uFF83\uFF9E\uFF70\uFF80", u8"\u30C7\u30FC\u30BF"},
        {"dakuten as a combining mark", u8"\u304B\u3099\u30CF\u309A", u8"\u304C\u30D1", u8"\u304C\u30D1"},
        {"compatibility characters", u8"\u2460\uFB01\u337B\u2126\u212B\u00BD", u8"\u2460\uFB01\u337B\u03A9\u00C5\u00BD",
         u8"1fi\u5E73\u6210\u03A9\u00C5" u8"1\u20442"},
        {"Hangul jamo compose", u8"\u1100\u1161\u11A8", u8"\uAC01", u8"\uAC01"},
        {"emoji and CJK beyond the BMP stay", u8"\U0001F468\u200D\U0001F469 \U00020B9F", u8"\U0001F468\u200D\U0001F469 \U00020B9F",
         u8"\U0001F468\u200D\U0001F469 \U00020B9F"},
        {"CJK compatibility ideograph", u8"\uF900", u8"\u8C48", u8"\u8C48"},
    };
    for (const NormalizationCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [choice, expected] : {std::pair{kNormalizeNfc, c.nfc}, std::pair{kNormalizeNfkc, c.nfkc}}) {
            std::wstring text = U(c.input);
            NormalizeUnicode(text, choice);
            EXPECT_EQ(EncodeUtf8(text), std::string(expected.begin(), expected.end())) << "form " << choice;
        }
    }
    EXPECT_EQ(PendingNotification::Text(), L"");
}

std::wstring Repeated(std::u8string_view piece, int times) {
    std::wstring text;
    for (int i = 0; i < times; ++i) text += U(piece);
    return text;
}

// Long enough to be normalised piece by piece on Windows, with marks right after the cuts and a
// long run of jamo that offers no place to cut.
TEST_F(TextCleanupTest, LongTextNormalizesAsAWhole) {
    const std::wstring input = Repeated(u8"Cafe\u0301 \uFF83\uFF9E\uFF70\uFF80", 500) +
                               Repeated(u8"\u0435\u0308", 600) + Repeated(u8"\u1100\u1161", 400);
    const std::wstring nfc = Repeated(u8"Caf\u00E9 \uFF83\uFF9E\uFF70\uFF80", 500) + Repeated(u8"\u0451", 600) +
                             Repeated(u8"\uAC00", 400);
    const std::wstring nfkc = Repeated(u8"Caf\u00E9 \u30C7\u30FC\u30BF", 500) + Repeated(u8"\u0451", 600) +
                              Repeated(u8"\uAC00", 400);
    for (const auto& [choice, expected] : {std::pair{kNormalizeNfc, nfc}, std::pair{kNormalizeNfkc, nfkc}}) {
        std::wstring text = input;
        NormalizeUnicode(text, choice);
        EXPECT_TRUE(text == expected) << "form " << choice;
    }
    EXPECT_EQ(PendingNotification::Text(), L"");
}

TEST_F(TextCleanupTest, TextThePlatformRefusesStaysWithAWarning) {
    // Lone surrogates and noncharacters (U+FFFF, U+FDD0, U+1FFFE), also far into a text that is
    // normalised in pieces.
    std::wstring decomposed;
    while (decomposed.size() < 4 * kNormalizationPieceUnits) decomposed += L"e\x0301";
    const std::wstring settled(4 * kNormalizationPieceUnits, L'x');
    for (const std::wstring& input : {std::wstring(L"e\x0301\xA0\xD800 x"), std::wstring(L"\xDC00" L"e\x0301\xA0"),
                                      std::wstring(L"e\x0301\xA0\xFFFF"), std::wstring(L"\xFDD0\xA0" L"e\x0301"),
                                      std::wstring(L"\xA0" L"e\x0301\xD83F\xDFFE"), decomposed + L"\xD800" + decomposed,
                                      settled + L"\xFFFF" + settled, decomposed + L"\xDFFF", settled + L"\xD83F\xDFFE"}) {
        PendingNotification::Clear();
        ProcessingOptions = {};
        ProcessingOptions.CLN_NORMALIZE = kNormalizeNfkc;
        ProcessingOptions.CLN_SPACES = true;  // the other stages still run
        std::wstring spaced = input;
        std::replace(spaced.begin(), spaced.end(), L'\xA0', L' ');
        EXPECT_EQ(Run(input), spaced);
        EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);
        EXPECT_NE(PendingNotification::Text(), L"");
    }
}

// A long paragraph becomes one line; only its last break, before a blank line, stays.
TEST_F(TextCleanupTest, LongParagraphBecomesOneLine) {
    std::wstring paragraph;
    for (int i = 0; i < 20000; ++i) paragraph += L"word-\nword \t\n\x3000";
    AllFive(ProcessingOptions);
    const std::wstring joined = Run(paragraph);
    EXPECT_EQ(joined.size(), 20000u * 9u - 1u + 4u);  // "wordword " each, then "word \t\n\x3000" kept whole
    EXPECT_EQ(joined.substr(0, 20), L"wordword wordword wo");
    EXPECT_EQ(joined.find(L'\n'), joined.size() - 2);
}

TEST_F(TextCleanupTest, FileListPassesTheCleanupUnchanged) {
    AllFive(ProcessingOptions);
    ProcessingOptions.CLN_MARKDOWN = true;
    ProcessingOptions.CLN_NORMALIZE = kNormalizeNfkc;
    ProcessingOptions.LC_LF = true;  // the other stages still run
    const std::wstring names =
        U(u8"a.txt\r\nmy notes.txt\r\n__init__.py\r\nC:\\w\\\u2460\uFF83\uFF9E\u200B\u00A0.txt\r\n");
    std::wstring output;
    ProcessFileList(L"", names.c_str(), output);
    EXPECT_EQ(EncodeUtf8(output),
              EncodeUtf8(U(u8"a.txt\nmy notes.txt\n__init__.py\nC:\\w\\\u2460\uFF83\uFF9E\u200B\u00A0.txt\n")));
}

}  // namespace
