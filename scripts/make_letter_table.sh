#!/usr/bin/env bash
# Writes engine/unicode_letters.inc: the code point ranges of the general categories L (letters) and
# Ll (lowercase letters), taken from the host's ICU, for the paragraph join's hyphen rule. Both
# builds use the table, so they decide alike whatever the system under them knows.
#   scripts/make_letter_table.sh
set -euo pipefail
source "$(dirname "$0")/icu_table.sh"
write_icu_table unicode_letters.inc <<'CPP'
int main() {
    PrintGeneratedBy();
    Dump("kLetterRanges", [](UChar32 c) { return (U_GET_GC_MASK(c) & U_GC_L_MASK) != 0; });
    Dump("kLowercaseRanges", [](UChar32 c) { return u_charType(c) == U_LOWERCASE_LETTER; });
}
CPP
