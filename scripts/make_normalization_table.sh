#!/usr/bin/env bash
# Writes engine/unicode_normal_forms.inc, taken from the host's ICU, for NFC and NFKC each:
#   - the code points that are settled: quick check "yes" and combining class 0, so a text made of
#     them alone is in that normal form already;
#   - the code points with a boundary before them: normalisation never joins or reorders them with
#     what precedes, so a text may be normalised in pieces cut before them.
# And for both, the canonical combining classes: of the code points whose decomposition is made of
# marks of one class, by class, and the decompositions of the few whose marks have two classes; the
# engine puts each run of marks in order with them before a platform does it in quadratic time.
# Both builds use the table, so they cut and settle alike whatever the system under them knows.
#   scripts/make_normalization_table.sh
set -euo pipefail
source "$(dirname "$0")/icu_table.sh"
write_icu_table unicode_normal_forms.inc <<'CPP'
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

// A code point's lead and trail combining classes and its canonical decomposition, itself when it
// has none.
struct Decomposed {
    int lead;
    int trail;
    icu::UnicodeString marks;
};

Decomposed DecompositionOf(const icu::Normalizer2* nfd, UChar32 c) {
    Decomposed d{u_getIntPropertyValue(c, UCHAR_LEAD_CANONICAL_COMBINING_CLASS),
                 u_getIntPropertyValue(c, UCHAR_TRAIL_CANONICAL_COMBINING_CLASS), {}};
    if (!nfd->getDecomposition(c, d.marks)) d.marks = icu::UnicodeString(c);
    return d;
}

// Ranges of code points whose marks all have one class, with that class.
void DumpCombiningClasses(const icu::Normalizer2* nfd) {
    std::printf("inline constexpr CombiningClassRange kCombiningClassRanges[] = {\n");
    UChar32 start = -1;
    int startClass = 0;
    for (UChar32 c = 0; c <= 0x110000; ++c) {
        const Decomposed d = c < 0x110000 ? DecompositionOf(nfd, c) : Decomposed{};
        const int combiningClass = d.lead == d.trail ? d.lead : 0;
        if (start >= 0 && combiningClass != startClass) {
            std::printf("    {0x%04X, 0x%04X, %d},\n", static_cast<unsigned>(start), static_cast<unsigned>(c - 1), startClass);
            start = -1;
        }
        if (combiningClass != 0 && start < 0) {
            start = c;
            startClass = combiningClass;
        }
    }
    std::printf("};\n");
}

// The code points whose decomposition is two marks of different classes; false if one has more.
bool DumpTwoClassMarks(const icu::Normalizer2* nfd) {
    std::printf("inline constexpr TwoClassMark kTwoClassMarks[] = {\n");
    for (UChar32 c = 0; c < 0x110000; ++c) {
        const Decomposed d = DecompositionOf(nfd, c);
        if (d.lead == 0 || d.lead == d.trail) continue;
        if (d.marks.countChar32() != 2 || u_getCombiningClass(d.marks.char32At(0)) != d.lead) return false;
        const UChar32 second = d.marks.char32At(U16_LENGTH(d.marks.char32At(0)));
        std::printf("    {0x%04X, 0x%04X, 0x%04X},\n", static_cast<unsigned>(c), static_cast<unsigned>(d.marks.char32At(0)),
                    static_cast<unsigned>(second));
    }
    std::printf("};\n");
    return true;
}

int main() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) return 1;
    PrintGeneratedBy();
    const auto settled = [](UProperty quickCheck) {
        return [quickCheck](UChar32 c) {
            return u_getIntPropertyValue(c, quickCheck) == UNORM_YES && u_getCombiningClass(c) == 0;
        };
    };
    const auto boundary = [](const icu::Normalizer2* normalizer) {
        return [normalizer](UChar32 c) { return normalizer->hasBoundaryBefore(c) != 0; };
    };
    Dump("kNfcSettledRanges", settled(UCHAR_NFC_QUICK_CHECK));
    Dump("kNfcBoundaryRanges", boundary(nfc));
    Dump("kNfkcSettledRanges", settled(UCHAR_NFKC_QUICK_CHECK));
    Dump("kNfkcBoundaryRanges", boundary(nfkc));
    DumpCombiningClasses(nfd);
    return DumpTwoClassMarks(nfd) ? 0 : 1;
}
CPP
