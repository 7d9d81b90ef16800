#include "regex_replace.h"

// Not built yet: the regular-expression stage passes the text through unchanged.
void ApplyRegexReplacement(std::wstring&) {}
