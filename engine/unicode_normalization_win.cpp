#include "unicode_normalization.h"

#include <windows.h>

#include <climits>
#include <string_view>

namespace {

// Pieces are cut before such a character: it has no decomposition, combining class 0 and never
// combines with what precedes it, so normalising the pieces one by one gives the same text as the
// whole. Wine's NormalizeString takes time that grows with the square of its input; pieces of a few
// hundred units keep a long text linear.
bool StartsPiece(wchar_t c) {
    return c < 0x80 || (c >= 0x0410 && c <= 0x044F) || (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FA) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3);
}

constexpr std::size_t kPieceUnits = 256;

std::size_t PieceEnd(std::wstring_view text, std::size_t start) {
    std::size_t end = start + kPieceUnits;
    while (end < text.size() && !StartsPiece(text[end])) ++end;
    return end < text.size() ? end : text.size();
}

// Appends the normal form of `piece`; false when the system refuses it.
bool AppendNormalized(NORM_FORM form, std::wstring_view piece, std::wstring& normalized) {
    const int length = static_cast<int>(piece.size());
    if (IsNormalizedString(form, piece.data(), length)) {
        normalized += piece;
        return true;
    }
    int estimate = NormalizeString(form, piece.data(), length, nullptr, 0);
    // The first answer is an estimate; a buffer that proves too small comes back with a better one.
    for (int attempt = 0; attempt < 10 && estimate > 0; ++attempt) {
        const std::size_t before = normalized.size();
        normalized.resize(before + static_cast<std::size_t>(estimate));
        const int written = NormalizeString(form, piece.data(), length, normalized.data() + before, estimate);
        normalized.resize(before + static_cast<std::size_t>(written > 0 ? written : 0));
        if (written > 0) return true;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
        estimate = -written;
    }
    return false;
}

}  // namespace

bool NormalizeWithPlatform(std::wstring& text, NormalForm form) {
    if (text.empty()) return true;
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return false;
    const NORM_FORM normForm = form == NormalForm::KC ? NormalizationKC : NormalizationC;
    // The quick check is cheap and settles most copied text, which is in normal form already; it
    // refuses lone surrogates and noncharacters as the normalisation itself does.
    SetLastError(ERROR_SUCCESS);
    if (IsNormalizedString(normForm, text.data(), static_cast<int>(text.size()))) return true;
    if (GetLastError() == ERROR_NO_UNICODE_TRANSLATION) return false;
    std::wstring normalized;
    normalized.reserve(text.size() + text.size() / 8);
    const std::wstring_view source = text;
    for (std::size_t start = 0; start < source.size();) {
        const std::size_t end = PieceEnd(source, start);
        if (!AppendNormalized(normForm, source.substr(start, end - start), normalized)) return false;
        start = end;
    }
    text = std::move(normalized);
    return true;
}
