#pragma once
// Strict UTF-8 <-> UTF-16 for the command-line filter. wstring elements hold UTF-16 code units.
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// Decodes `bytes` into UTF-16 code units appended to `units`. Overlong forms, encoded surrogates,
// values above U+10FFFF, stray continuation bytes and truncated sequences are invalid: returns
// false and the offset of the first byte of the bad sequence in `errorOffset`.
[[nodiscard]] bool DecodeUtf8(std::string_view bytes, std::wstring& units, std::size_t& errorOffset);

// Encodes UTF-16 code units; a surrogate without its partner becomes U+FFFD, since UTF-8 cannot
// carry it.
std::string EncodeUtf8(std::wstring_view units);

// Writes the UTF-8 form of `units` to `stream` a piece at a time, so it is never held whole; false
// when the stream refuses a write.
[[nodiscard]] bool WriteUtf8(std::FILE* stream, std::wstring_view units);
