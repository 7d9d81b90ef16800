#include "unicode_normalization.h"

#include <windows.h>

#include <climits>

// Wine's NormalizeString and IsNormalizedString take time that grows with the square of their
// input on decomposed text; the shared code hands them pieces of bounded size only.
bool AppendPlatformNormalForm(std::wstring_view piece, NormalForm form, std::wstring& normalized) {
    if (piece.empty()) return true;
    if (piece.size() > static_cast<std::size_t>(INT_MAX / 4)) return false;
    const NORM_FORM normForm = form == NormalForm::KC ? NormalizationKC : NormalizationC;
    const int length = static_cast<int>(piece.size());
    // A piece can be in normal form already although it holds characters that may change; the
    // check also refuses lone surrogates and noncharacters as the normalisation itself does.
    SetLastError(ERROR_SUCCESS);
    if (IsNormalizedString(normForm, piece.data(), length)) {
        normalized += piece;
        return true;
    }
    if (GetLastError() == ERROR_NO_UNICODE_TRANSLATION) return false;
    // A piece handed over is short; three times its length holds its NFC form, and a buffer that
    // proves too small comes back with the size it needs.
    int capacity = length * 3 + 16;
    for (int attempt = 0; attempt < 10 && capacity > 0; ++attempt) {
        const std::size_t before = normalized.size();
        normalized.resize(before + static_cast<std::size_t>(capacity));
        const int written = NormalizeString(normForm, piece.data(), length, normalized.data() + before, capacity);
        normalized.resize(before + static_cast<std::size_t>(written > 0 ? written : 0));
        if (written > 0) return true;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
        capacity = -written;
    }
    return false;
}
