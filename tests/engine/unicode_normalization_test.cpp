// Normalisation in pieces gives what the platform gives for the whole text. This file runs in both
// builds: the host compares with ICU, Windows with NormalizeString, each over the whole text.
#include <gtest/gtest.h>

#include <string>

#include "unicode_normalization.h"

namespace {

std::wstring MarksAfterE(int pairs) {
    std::wstring text = L"e";
    for (int i = 0; i < pairs; ++i) text += L"\x0323\x0301";  // below and above: reordered, one composes
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
    {"marks longer than a piece", MarksAfterE(400)},
    {"compatibility characters of 18 units each", L"\xFDFA"},
    {"compatibility and excluded characters", L"\x212B\x00A0\xFB01\x1E9B\x0323\x0F73\x3000\xFF76\xFF9E"},
    // U+1D15E decomposes, U+110BA joins the U+11099 before it: pairs on both sides of a cut
    {"supplementary characters", L"\xD834\xDD5E\xD834\xDD65\xD804\xDC99\xD804\xDCBA"},
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

}  // namespace
