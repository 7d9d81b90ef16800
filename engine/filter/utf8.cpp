#include "utf8.h"

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

void AppendCodePoint(std::wstring& units, char32_t code) {
    if (code < 0x10000) {
        units += static_cast<wchar_t>(code);
    } else {
        code -= 0x10000;
        units += static_cast<wchar_t>(0xD800 + (code >> 10));
        units += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    }
}

void AppendUtf8(std::string& bytes, char32_t code) {
    if (code < 0x80) {
        bytes += static_cast<char>(code);
    } else if (code < 0x800) {
        bytes += static_cast<char>(0xC0 | (code >> 6));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes += static_cast<char>(0xE0 | (code >> 12));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (code >> 18));
        bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

bool DecodeUtf8(std::string_view bytes, std::wstring& units, std::size_t& errorOffset) {
    units.reserve(units.size() + bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            units += static_cast<wchar_t>(lead);
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
            errorOffset = i;
            return false;
        }
        char32_t code = lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        AppendCodePoint(units, code);
        i += length;
    }
    return true;
}

std::string EncodeUtf8(std::wstring_view units) {
    constexpr char32_t kReplacement = 0xFFFD;
    std::string bytes;
    bytes.reserve(units.size() + units.size() / 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t unit = static_cast<char32_t>(units[i]) & 0xFFFF;
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < units.size()) {
            const char32_t next = static_cast<char32_t>(units[i + 1]) & 0xFFFF;
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(bytes, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(bytes, high || low ? kReplacement : unit);
    }
    return bytes;
}
