#include "utf8.h"

#include <cstdint>
#include <cstring>

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the sequence a lead byte starts and the allowed range of its second byte, which is
// where overlong forms, surrogates and values above U+10FFFF are told apart.
struct LeadByte {
    int length;
    unsigned char secondLow, secondHigh;
};

LeadByte ClassifyLead(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

// Writes one code point as UTF-16 units; returns the end of what it wrote.
wchar_t* WriteCodePoint(wchar_t* out, char32_t code) {
    if (code < 0x10000) {
        *out++ = static_cast<wchar_t>(code);
    } else {
        code -= 0x10000;
        *out++ = static_cast<wchar_t>(0xD800 + (code >> 10));
        *out++ = static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    }
    return out;
}

char* WriteUtf8CodePoint(char* out, char32_t code) {
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | (code >> 6));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (code >> 12));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (code >> 18));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

// The code point that units[i] starts, with a surrogate that has no partner as U+FFFD, since UTF-8
// cannot carry it; `i` moves past what was read.
char32_t ReadCodePoint(std::wstring_view units, std::size_t& i) {
    constexpr char32_t kReplacement = 0xFFFD;
    const char32_t unit = static_cast<char32_t>(units[i++]) & 0xFFFF;
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit <= 0xDBFF && i < units.size()) {
        const char32_t next = static_cast<char32_t>(units[i]) & 0xFFFF;
        if (next >= 0xDC00 && next <= 0xDFFF) {
            ++i;
            return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        }
    }
    return kReplacement;
}

// Most text is ASCII, so eight bytes or units at a time are tested for it together.
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

bool EightAscii(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return (word & kHighBits) == 0;
}

bool EightAsciiUnits(const wchar_t* units) {
    std::uint32_t bits = 0;
    for (int k = 0; k < 8; ++k) bits |= static_cast<std::uint32_t>(units[k]);
    return bits < 0x80;
}

}  // namespace

bool DecodeUtf8(std::string_view bytes, std::wstring& units, std::size_t& errorOffset) {
    // Never more units than bytes: the room is made once and trimmed to what was written.
    const std::size_t before = units.size();
    units.resize(before + bytes.size());
    wchar_t* const start = units.data() + before;
    wchar_t* out = start;
    const char* const data = bytes.data();
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (bytes.size() - i >= 16 && EightAscii(data + i) && EightAscii(data + i + 8)) {
            // Widened from a copy: the input's bytes could alias the output as far as the compiler
            // knows, which would keep it from widening them together.
            unsigned char ascii[16];
            std::memcpy(ascii, data + i, sizeof ascii);
            for (std::size_t k = 0; k < 16; ++k) out[k] = static_cast<wchar_t>(ascii[k]);
            out += 16;
            i += 16;
            continue;
        }
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            *out++ = static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        const LeadByte kind = ClassifyLead(lead);
        const std::size_t length = static_cast<std::size_t>(kind.length);
        bool valid = length != 0 && bytes.size() - i >= length;
        if (valid) {
            const unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
            valid = second >= kind.secondLow && second <= kind.secondHigh;
            for (std::size_t k = 2; valid && k < length; ++k) valid = IsContinuation(static_cast<unsigned char>(bytes[i + k]));
        }
        if (!valid) {
            units.resize(before);
            errorOffset = i;
            return false;
        }
        char32_t code = lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        out = WriteCodePoint(out, code);
        i += length;
    }
    units.resize(before + static_cast<std::size_t>(out - start));
    return true;
}

namespace {

// The size of the UTF-8 form, counted without a branch per unit: one byte, one more from U+0080 and
// one more from U+0800. A surrogate counts three, as it does alone (U+FFFD); a pair, four bytes in
// all, is put right afterwards in the rare text that has surrogates at all.
std::size_t Utf8Size(std::wstring_view units) {
    std::size_t size = 0, surrogates = 0;
    for (const wchar_t unit : units) {
        const std::uint32_t code = static_cast<std::uint32_t>(unit) & 0xFFFF;
        size += 1 + (code >= 0x80) + (code >= 0x800);
        surrogates += (code - 0xD800) < 0x800;
    }
    if (surrogates == 0) return size;
    for (std::size_t i = 0; i + 1 < units.size(); ++i) {
        const std::uint32_t code = static_cast<std::uint32_t>(units[i]) & 0xFFFF;
        const std::uint32_t next = static_cast<std::uint32_t>(units[i + 1]) & 0xFFFF;
        if (code >= 0xD800 && code <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            size -= 2;
            ++i;
        }
    }
    return size;
}

constexpr std::size_t kPieceSize = 1 << 16;

// Encodes from units[i] on until the piece has less room than eight ASCII units or one code point
// need; returns the bytes written and leaves `i` at the first unit not encoded.
std::size_t EncodePiece(std::wstring_view units, std::size_t& i, char* piece) {
    char* out = piece;
    const char* const last = piece + kPieceSize - 8;
    while (i < units.size() && out <= last) {
        if (units.size() - i >= 8 && EightAsciiUnits(units.data() + i)) {
            for (int k = 0; k < 8; ++k) out[k] = static_cast<char>(units[i + k]);
            out += 8;
            i += 8;
            continue;
        }
        if ((static_cast<char32_t>(units[i]) & 0xFFFF) < 0x80) {
            *out++ = static_cast<char>(units[i++] & 0x7F);
            continue;
        }
        out = WriteUtf8CodePoint(out, ReadCodePoint(units, i));
    }
    return static_cast<std::size_t>(out - piece);
}

// Hands the UTF-8 form to `take(bytes, count)` a piece at a time; stops when it returns false.
template <typename Take>
bool EncodeInPieces(std::wstring_view units, Take take) {
    char piece[kPieceSize];
    for (std::size_t i = 0; i < units.size();)
        if (!take(piece, EncodePiece(units, i, piece))) return false;
    return true;
}

}  // namespace

std::string EncodeUtf8(std::wstring_view units) {
    // Measured first, so the result is made once at its size.
    std::string bytes;
    bytes.reserve(Utf8Size(units));
    EncodeInPieces(units, [&bytes](const char* piece, std::size_t count) {
        bytes.append(piece, count);
        return true;
    });
    return bytes;
}

bool WriteUtf8(std::FILE* stream, std::wstring_view units) {
    return EncodeInPieces(units, [stream](const char* piece, std::size_t count) {
        return std::fwrite(piece, 1, count, stream) == count;
    });
}
