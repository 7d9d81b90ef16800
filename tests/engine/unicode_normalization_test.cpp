// Normalisation in pieces gives what the platform gives for the whole text. This file runs in both
// builds: the host compares with ICU, Windows with NormalizeString, each over the whole text.
#include <gtest/gtest.h>

#include <string>

#include "unicode_normalization.h"

namespace {

// One run of marks after a letter, longer than a piece: it offers no cut, and the platform gets it
// with its marks in canonical order.
std::wstring MarksAfter(std::wstring_view letter, std::wstring_view marks, int times) {
    std::wstring text(letter);
    for (int i = 0; i < times; ++i) text += marks;
    return text;
}

struct PieceCase {
    const char* name;
    std::wstring pattern;  // repeated past several pieces
};

const PieceCase kPieceCases[] = {
    {"decomposed kana and accents", L"\x304B\x3099" L"e\x0301"},
    {"half-width voiced katakana", L"\xFF83\xFF9E"},
    {"Hangul jamo after a syllable", L"\x1100\x1161\x11A8\xAC00\x11A8\x1100\x1161"},
    {"marks of several classes", L"a\x0301\x0323\x031B\x0308"},
    {"marks longer than a piece", MarksAfter(L"e", L"\x0323\x0301", 400)},  // below and above: reordered, one composes
    // classes 230, 220 and 216 in turn: the horn and then the dot below compose with the o
    {"marks of three classes in reverse order", MarksAfter(L"o", L"\x0301\x0323\x031B", 150)},
    // U+0F73, U+0F75 and U+0F81 stand for two marks of classes 129 and 130 or 132 each
    {"Tibetan vowels that are two marks", MarksAfter(L"\x0F40", L"\x0F72\x0F73\x0F81\x0F80\x0F75\x0F71", 40)},
    // U+1D16D, U+1D165, U+1D17B and U+1D167: classes 226, 216, 220 and 1; U+1D158 U+1D165 is U+1D15F
    {"supplementary marks of four classes", MarksAfter(L"\xD834\xDD58",
                                                       L"\xD834\xDD6D\xD834\xDD65\xD834\xDD7B\xD834\xDD67", 40)},
    // short runs with the voicing mark (class 8), a mark that decomposes to two (U+0344), iota
    // subscript (240), a comma above right (232) and a Hebrew point (10)
    {"short runs of marks out of order", L"\x304B\x0301\x3099\x03B1\x0344\x0323\x0345\x0315\x05B0"},
    {"compatibility characters of 18 units each", L"\xFDFA"},
    {"compatibility and excluded characters", L"\x212B\x00A0\xFB01\x1E9B\x0323\x0F73\x3000\xFF76\xFF9E"},
    // U+1D15E decomposes, U+110BA joins the U+11099 before it: pairs on both sides of a cut
    {"supplementary characters", L"\xD834\xDD5E\xD834\xDD65\xD804\xDC99\xD804\xDCBA"},
    // three units, which put the pair of U+1D15E across a piece's end by turns
    {"a supplementary character that changes before a letter", L"\xD834\xDD5E" L"a"},
};

TEST(UnicodeNormalizationTest, PiecesGiveTheNormalFormOfTheWholeText) {
    for (const PieceCase& c : kPieceCases) {
        for (const NormalForm form : {NormalForm::C, NormalForm::KC}) {
            // A lead of settled text moves every cut against the pattern.
            for (std::size_t lead = 0; lead < c.pattern.size() && lead < 9; ++lead) {
                std::wstring text(lead, L'x');
                while (text.size() < 3 * kNormalizationPieceUnits) text += c.pattern;
                std::wstring whole;
                ASSERT_TRUE(AppendPlatformNormalForm(text, form, whole)) << c.name;
                std::wstring pieced = text;
                ASSERT_TRUE(NormalizeWithPlatform(pieced, form)) << c.name;
                EXPECT_EQ(pieced, whole) << c.name << (form == NormalForm::KC ? ", NFKC" : ", NFC") << ", lead " << lead;
            }
        }
    }
}

// Every three of marks of several classes, after letters they compose with or not: a piece with its
// marks in our order gives what the platform gives for them in theirs.
TEST(UnicodeNormalizationTest, MarksInEveryOrderGiveTheNormalFormOfTheWholeText) {
    const std::wstring letters[] = {L"a", L"\x03B1", L"\x304B", L"\x0F40", L"\xD834\xDD58"};
    const std::wstring marks[] = {L"\x0301", L"\x0323", L"\x031B", L"\x0344", L"\x0345",
                                  L"\x3099", L"\x0F73", L"\xD834\xDD65", L"\x05B0"};
    for (const std::wstring& letter : letters) {
        for (const std::wstring& first : marks) {
            for (const std::wstring& second : marks) {
                for (const std::wstring& third : marks) {
                    const std::wstring text = letter + first + second + third;
                    for (const NormalForm form : {NormalForm::C, NormalForm::KC}) {
                        std::wstring whole;
                        ASSERT_TRUE(AppendPlatformNormalForm(text, form, whole));
                        std::wstring pieced = text;
                        ASSERT_TRUE(NormalizeWithPlatform(pieced, form));
                        EXPECT_EQ(pieced, whole) << (form == NormalForm::KC ? "NFKC" : "NFC");
                    }
                }
            }
        }
    }
}

}  // namespace
