#include "decimal_number.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

// Just enough unsigned big-integer arithmetic to compare and print doubles exactly.
class BigUnsigned {
public:
    explicit BigUnsigned(std::uint64_t value) {
        while (value) {
            limbs_.push_back(static_cast<std::uint32_t>(value));
            value >>= 32;
        }
    }

    void MultiplySmall(std::uint32_t factor) {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : limbs_) {
            const std::uint64_t product = static_cast<std::uint64_t>(limb) * factor + carry;
            limb = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry) limbs_.push_back(static_cast<std::uint32_t>(carry));
    }

    void AddSmall(std::uint32_t addend) {
        std::uint64_t carry = addend;
        for (std::size_t i = 0; carry && i < limbs_.size(); ++i) {
            const std::uint64_t sum = static_cast<std::uint64_t>(limbs_[i]) + carry;
            limbs_[i] = static_cast<std::uint32_t>(sum);
            carry = sum >> 32;
        }
        if (carry) limbs_.push_back(static_cast<std::uint32_t>(carry));
    }

    void MultiplyPow10(unsigned exponent) {
        for (; exponent >= 9; exponent -= 9) MultiplySmall(1000000000u);
        MultiplySmall(kPow10[exponent]);
    }

    void MultiplyPow5(unsigned exponent) {
        for (; exponent >= 13; exponent -= 13) MultiplySmall(1220703125u);  // 5^13
        std::uint32_t rest = 1;
        while (exponent--) rest *= 5;
        MultiplySmall(rest);
    }

    void ShiftLeft(unsigned bits) {
        if (limbs_.empty()) return;
        const unsigned whole = bits / 32, part = bits % 32;
        if (part) {
            std::uint32_t carry = 0;
            for (std::uint32_t& limb : limbs_) {
                const std::uint32_t next = limb >> (32 - part);
                limb = (limb << part) | carry;
                carry = next;
            }
            if (carry) limbs_.push_back(carry);
        }
        limbs_.insert(limbs_.begin(), whole, 0u);
    }

    // Decimal digits, most significant first; "0" for zero. Consumes the value.
    std::string TakeDecimalDigits() {
        std::string reversed;
        while (!limbs_.empty()) {
            std::uint64_t remainder = 0;
            for (std::size_t i = limbs_.size(); i-- > 0;) {
                const std::uint64_t current = (remainder << 32) | limbs_[i];
                limbs_[i] = static_cast<std::uint32_t>(current / 1000000000u);
                remainder = current % 1000000000u;
            }
            while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
            for (int i = 0; i < 9; ++i) {
                reversed += static_cast<char>('0' + remainder % 10);
                remainder /= 10;
            }
        }
        while (reversed.size() > 1 && reversed.back() == '0') reversed.pop_back();
        if (reversed.empty()) reversed = "0";
        return {reversed.rbegin(), reversed.rend()};
    }

    friend int Compare(const BigUnsigned& a, const BigUnsigned& b) {
        if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
        for (std::size_t i = a.limbs_.size(); i-- > 0;)
            if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
        return 0;
    }

private:
    static constexpr std::uint32_t kPow10[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    std::vector<std::uint32_t> limbs_;  // least significant first, no zero limb at the top
};

// A double as mantissa * 2^exponent, exactly.
struct BinaryValue {
    std::uint64_t mantissa;
    int exponent;
};

BinaryValue Decompose(double value) {
    int exponent = 0;
    const double fraction = std::frexp(value, &exponent);
    return {static_cast<std::uint64_t>(std::ldexp(fraction, 53)), exponent - 53};
}

// The exact point halfway between two neighbouring finite doubles, low < high.
BinaryValue Midpoint(double low, double high) {
    BinaryValue a = Decompose(low);
    const BinaryValue b = Decompose(high);
    if (a.mantissa == 0) a.exponent = b.exponent;
    const int common = std::min(a.exponent, b.exponent);
    const std::uint64_t sum = (a.mantissa << (a.exponent - common)) + (b.mantissa << (b.exponent - common));
    return {sum, common - 1};
}

bool HasOddMantissa(double value) { return std::bit_cast<std::uint64_t>(value) & 1; }

// A decimal number as significant digits times a power of ten.
struct DecimalValue {
    bool negative = false;
    std::string digits;  // no leading or trailing zeros; empty means zero
    std::int64_t exponent = 0;
};

// Enough digits to decide every rounding; the ones beyond are kept as one sticky digit.
constexpr std::size_t kMaxSignificantDigits = 800;
constexpr std::int64_t kExponentLimit = 100000;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool IsSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// Parses the number rule; false when the text does not start with a number.
bool ParseDecimal(std::wstring_view text, DecimalValue& out) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) out.negative = text[i++] == L'-';
    bool sawDigit = false, sticky = false;
    auto takeDigit = [&](wchar_t c, bool fraction) {
        sawDigit = true;
        if (out.digits.empty() && c == L'0') {
            if (fraction) --out.exponent;
        } else if (out.digits.size() < kMaxSignificantDigits) {
            out.digits += static_cast<char>(c);
            if (fraction) --out.exponent;
        } else {
            sticky = sticky || c != L'0';
            if (!fraction) ++out.exponent;
        }
    };
    for (; i < text.size() && IsDigit(text[i]); ++i) takeDigit(text[i], false);
    if (i < text.size() && text[i] == L'.')
        for (++i; i < text.size() && IsDigit(text[i]); ++i) takeDigit(text[i], true);
    if (!sawDigit) return false;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E' || text[i] == L'd' || text[i] == L'D')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == L'+' || text[j] == L'-')) negativeExponent = text[j++] == L'-';
        std::int64_t exponent = 0;
        for (; j < text.size() && IsDigit(text[j]); ++j)
            exponent = std::min<std::int64_t>(exponent * 10 + (text[j] - L'0'), kExponentLimit);
        if (j > i + 1 && IsDigit(text[j - 1])) out.exponent += negativeExponent ? -exponent : exponent;
    }
    if (sticky) {
        out.digits += '1';
        --out.exponent;
    }
    while (!out.digits.empty() && out.digits.back() == '0') {
        out.digits.pop_back();
        ++out.exponent;
    }
    return true;
}

// Sign of (digits * 10^exponent) - (mantissa * 2^binaryExponent), all exact.
int CompareExact(const BigUnsigned& digits, std::int64_t exponent, BinaryValue binary) {
    BigUnsigned left = digits, right(binary.mantissa);
    if (exponent >= 0) left.MultiplyPow10(static_cast<unsigned>(exponent));
    else right.MultiplyPow10(static_cast<unsigned>(-exponent));
    if (binary.exponent >= 0) right.ShiftLeft(static_cast<unsigned>(binary.exponent));
    else left.ShiftLeft(static_cast<unsigned>(-binary.exponent));
    return Compare(left, right);
}

double PowerOfTen(int exponent) {
    double result = 1;
    for (int i = 0; i < exponent; ++i) result *= 10;  // exact up to 10^22
    return result;
}

// A starting point within a few units in the last place of the true value.
double ApproximateValue(const DecimalValue& value) {
    const std::size_t taken = std::min<std::size_t>(value.digits.size(), 19);
    std::uint64_t leading = 0;
    for (std::size_t i = 0; i < taken; ++i) leading = leading * 10 + static_cast<unsigned>(value.digits[i] - '0');
    double result = static_cast<double>(leading);
    std::int64_t scale = value.exponent + static_cast<std::int64_t>(value.digits.size() - taken);
    for (; scale > 22; scale -= 22) result *= 1e22;
    for (; scale < -22; scale += 22) result /= 1e22;
    return scale >= 0 ? result * PowerOfTen(static_cast<int>(scale)) : result / PowerOfTen(static_cast<int>(-scale));
}

double MagnitudeOf(const DecimalValue& value) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    constexpr double kMax = std::numeric_limits<double>::max();
    const std::int64_t size = static_cast<std::int64_t>(value.digits.size());
    if (size == 0 || size + value.exponent < -324) return 0;  // below half the smallest subnormal
    if (size + value.exponent > 310) return kInfinity;
    if (size <= 15 && value.exponent >= -22 && value.exponent <= 22) {
        // Both operands are exact doubles, so the one operation rounds correctly.
        std::uint64_t integer = 0;
        for (char c : value.digits) integer = integer * 10 + static_cast<unsigned>(c - '0');
        const double leading = static_cast<double>(integer);
        return value.exponent >= 0 ? leading * PowerOfTen(static_cast<int>(value.exponent))
                                   : leading / PowerOfTen(static_cast<int>(-value.exponent));
    }
    BigUnsigned digits(0);
    for (char c : value.digits) {
        digits.MultiplySmall(10);
        digits.AddSmall(static_cast<std::uint32_t>(c - '0'));
    }
    double x = std::clamp(ApproximateValue(value), std::numeric_limits<double>::denorm_min(), kMax);
    // Step to the neighbour while the value lies beyond the midpoint; ties go to the even mantissa.
    for (;;) {
        const BinaryValue upper = x == kMax ? BinaryValue{(std::uint64_t{1} << 54) - 1, 970}
                                            : Midpoint(x, std::nextafter(x, kInfinity));
        const int above = CompareExact(digits, value.exponent, upper);
        if (above > 0 || (above == 0 && HasOddMantissa(x))) {
            if (x == kMax) return kInfinity;
            x = std::nextafter(x, kInfinity);
            continue;
        }
        if (x == 0) return x;
        const double lower = std::nextafter(x, 0.0);
        const int below = CompareExact(digits, value.exponent, Midpoint(lower, x));
        if (below < 0 || (below == 0 && HasOddMantissa(x))) {
            x = lower;
            continue;
        }
        return x;
    }
}

// Exact decimal digits of a positive finite double and the power of ten of its first digit.
std::string ExactDigits(double value, int& firstDigitExponent) {
    const BinaryValue binary = Decompose(value);
    BigUnsigned big(binary.mantissa);
    int scale = 0;
    if (binary.exponent >= 0) {
        big.ShiftLeft(static_cast<unsigned>(binary.exponent));
    } else {
        big.MultiplyPow5(static_cast<unsigned>(-binary.exponent));  // m / 2^k = m * 5^k / 10^k
        scale = binary.exponent;
    }
    std::string digits = big.TakeDecimalDigits();
    firstDigitExponent = static_cast<int>(digits.size()) - 1 + scale;
    return digits;
}

// Rounds to `count` significant digits, ties to even; a carry out of the first digit moves the exponent.
void RoundDigits(std::string& digits, std::size_t count, int& firstDigitExponent) {
    if (digits.size() <= count) return;
    const char next = digits[count];
    const bool restNonZero = digits.find_first_not_of('0', count + 1) != std::string::npos;
    const bool lastOdd = (digits[count - 1] - '0') % 2 == 1;
    const bool up = next > '5' || (next == '5' && (restNonZero || lastOdd));
    digits.resize(count);
    if (!up) return;
    std::size_t i = count;
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++firstDigitExponent;
    } else {
        ++digits[i - 1];
    }
}

std::wstring Widen(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

double ReadDecimalNumber(std::wstring_view text) {
    DecimalValue value;
    if (!ParseDecimal(text, value)) return 0;
    const double magnitude = MagnitudeOf(value);
    return value.negative ? -magnitude : magnitude;
}

std::wstring FormatGeneral(double value) {
    constexpr std::size_t kPrecision = 6;
    if (std::isnan(value)) return L"nan";
    std::string text = std::signbit(value) ? "-" : "";
    value = std::fabs(value);
    if (std::isinf(value)) return Widen(text + "inf");
    if (value == 0) return Widen(text + "0");
    int exponent = 0;
    std::string digits = ExactDigits(value, exponent);
    RoundDigits(digits, kPrecision, exponent);
    digits.erase(digits.find_last_not_of('0') + 1);  // the first digit is never 0
    if (exponent < -4 || exponent >= static_cast<int>(kPrecision)) {
        text += digits[0];
        if (digits.size() > 1) text += "." + digits.substr(1);
        const std::string magnitude = std::to_string(std::abs(exponent));
        text += exponent < 0 ? "e-" : "e+";
        text += std::string(magnitude.size() < 3 ? 3 - magnitude.size() : 0, '0') + magnitude;
    } else if (exponent >= 0) {
        const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= integerDigits) {
            text += digits + std::string(integerDigits - digits.size(), '0');
        } else {
            text += digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
        }
    } else {
        text += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    return Widen(text);
}
