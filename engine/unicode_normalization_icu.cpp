#include "unicode_normalization.h"

#include <unicode/unorm2.h>

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
bool AppendPlatformNormalForm(std::wstring_view piece, NormalForm form, std::wstring& normalized) {
    if (piece.empty()) return true;
    // ICU would carry these through; Windows refuses such a text, and both builds must answer alike.
    if (WindowsWouldRefuse(piece) || piece.size() > static_cast<std::size_t>(INT_MAX / 4)) return false;
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* normalizer = form == NormalForm::KC ? unorm2_getNFKCInstance(&status) : unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) return false;
    const std::u16string units(piece.begin(), piece.end());
    const int length = static_cast<int>(units.size());
    std::u16string result(units.size() + units.size() / 2 + 16, u'\0');
    int written = unorm2_normalize(normalizer, units.data(), length, result.data(), static_cast<int>(result.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        result.assign(static_cast<std::size_t>(written), u'\0');
        written = unorm2_normalize(normalizer, units.data(), length, result.data(), written, &status);
    }
    if (U_FAILURE(status)) return false;
    normalized.append(result.begin(), result.begin() + written);
    return true;
}
