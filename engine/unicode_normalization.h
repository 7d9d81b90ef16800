#pragma once
// The platform's own Unicode normalisation: ICU in the host build, NormalizeString on Windows.
#include <string>

enum class NormalForm { C, KC };

// Replaces `text` by its normal form; false, with `text` unchanged, when the platform refuses the
// text (lone surrogates and noncharacters such as U+FFFF) or cannot finish.
[[nodiscard]] bool NormalizeWithPlatform(std::wstring& text, NormalForm form);
