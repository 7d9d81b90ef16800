// Fuzzes the number reading and "%g" writing of the table stage. Input: UTF-16LE units of one cell.
// A written number must read back to within its six digits, and writing is stable once rounded.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "decimal_number.h"

namespace {

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring cell;
    for (std::size_t i = 0; i + 1 < size; i += 2) cell.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
    const double value = ReadDecimalNumber(cell);
    Require(!std::isnan(value));
    const std::wstring text = FormatGeneral(value);
    Require(text.size() < 100);  // the original's buffer
    const double back = ReadDecimalNumber(text);
    if (std::isinf(value)) {
        Require(back == 0);  // "inf" is no number by the rule, so a rewritten overflow stays as it is
        return 0;
    }
    if (value == 0 || std::fabs(value) < 1e-300) return 0;  // subnormals keep fewer than six digits
    Require(std::fabs(back - value) <= std::fabs(value) * 5.000001e-6);
    Require(FormatGeneral(back) == text);
    return 0;
}
