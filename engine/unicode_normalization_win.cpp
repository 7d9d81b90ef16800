#include "unicode_normalization.h"

#include <windows.h>

#include <climits>

bool NormalizeWithPlatform(std::wstring& text, NormalForm form) {
    if (text.empty()) return true;
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return false;
    const NORM_FORM normForm = form == NormalForm::KC ? NormalizationKC : NormalizationC;
    const int length = static_cast<int>(text.size());
    int estimate = NormalizeString(normForm, text.data(), length, nullptr, 0);
    // The first answer is an estimate; a buffer that proves too small comes back with a better one.
    for (int attempt = 0; attempt < 10 && estimate > 0; ++attempt) {
        std::wstring normalized(static_cast<std::size_t>(estimate), L'\0');
        const int written = NormalizeString(normForm, text.data(), length, normalized.data(), estimate);
        if (written > 0) {
            normalized.resize(static_cast<std::size_t>(written));
            text = std::move(normalized);
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
        estimate = -written;
    }
    return false;
}
