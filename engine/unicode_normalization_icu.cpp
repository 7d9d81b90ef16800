#include "unicode_normalization.h"

#include <unicode/unorm2.h>

#include <algorithm>
#include <climits>
#include <string>

namespace {

bool IsNoncharacter(char32_t c) { return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE; }

// What NormalizeString refuses: lone surrogates and noncharacters (U+FDD0-U+FDEF, U+xxFFFE/F).
bool WindowsWouldRefuse(std::wstring_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = static_cast<char32_t>(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            const char32_t pair = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
            if (IsNoncharacter(pair)) return true;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || IsNoncharacter(c)) {
            return true;
        }
    }
    return false;
}

}  // namespace

// The host keeps UTF-16 units in 32-bit wchar_t; ICU wants them as UChar.
bool NormalizeWithPlatform(std::wstring& text, NormalForm form) {
    if (text.empty()) return true;
    // ICU would carry these through; Windows refuses such a text, and both builds must answer alike.
    if (WindowsWouldRefuse(text) || text.size() > static_cast<std::size_t>(INT_MAX / 4)) return false;
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* normalizer = form == NormalForm::KC ? unorm2_getNFKCInstance(&status) : unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) return false;
    std::u16string units(text.begin(), text.end());
    const int length = static_cast<int>(units.size());
    // Most copied text is already in normal form; then nothing more is done.
    const int normalPrefix = unorm2_spanQuickCheckYes(normalizer, units.data(), length, &status);
    if (U_FAILURE(status)) return false;
    if (normalPrefix == length) return true;
    std::u16string normalized(units.size() + units.size() / 2 + 16, u'\0');
    int written = unorm2_normalize(normalizer, units.data(), length, normalized.data(),
                                   static_cast<int>(normalized.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        normalized.assign(static_cast<std::size_t>(written), u'\0');
        written = unorm2_normalize(normalizer, units.data(), length, normalized.data(), written, &status);
    }
    if (U_FAILURE(status)) return false;
    text.assign(normalized.begin(), normalized.begin() + written);
    return true;
}
