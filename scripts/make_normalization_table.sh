#!/usr/bin/env bash
# Writes engine/unicode_normal_forms.inc, taken from the host's ICU, for NFC and NFKC each:
#   - the code points that are settled: quick check "yes" and combining class 0, so a text made of
#     them alone is in that normal form already;
#   - the code points with a boundary before them: normalisation never joins or reorders them with
#     what precedes, so a text may be normalised in pieces cut before them.
# Both builds use the table, so they cut and settle alike whatever the system under them knows.
#   scripts/make_normalization_table.sh
set -euo pipefail
source "$(dirname "$0")/icu_table.sh"
write_icu_table unicode_normal_forms.inc <<'CPP'
#include <unicode/normalizer2.h>

int main() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
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
}
CPP
