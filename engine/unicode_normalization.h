#pragma once
// The platform's own Unicode normalisation: ICU in the host build, NormalizeString on Windows. Both
// builds settle normal text with the same scan and hand the platform the same pieces.
#include <cstddef>
#include <string>
#include <string_view>

enum class NormalForm { C, KC };

// Replaces `text` by its normal form; false, with `text` unchanged, when the platform refuses the
// text (lone surrogates and noncharacters such as U+FFFF) or cannot finish. Text that is in normal
// form already is recognised without the platform; only the stretches that may change go to it, in
// pieces of about kNormalizationPieceUnits at most, cut only where normalisation cannot cross, so
// the time grows with the text even where the platform's own grows with its square. A piece can
// only be longer where marks follow one another without a cut: each run of them goes to the
// platform in canonical order, which it keeps in time that grows with the run.
[[nodiscard]] bool NormalizeWithPlatform(std::wstring& text, NormalForm form);

// Wine's normalisation of a piece still grows with the square of the piece; at this size a piece
// costs little more than the call.
inline constexpr std::size_t kNormalizationPieceUnits = 64;

// The platform's normalisation of one piece (or of a whole text), appended to `normalized`; false
// when the platform refuses it. Each build has its own.
[[nodiscard]] bool AppendPlatformNormalForm(std::wstring_view piece, NormalForm form, std::wstring& normalized);
