#pragma once
// Reading and writing the numbers of the table stage. Both are done here rather than through the
// C library so that every build gives the same text for the same cell.
#include <string>
#include <string_view>

// The value of the decimal number at the start of `text` after leading white space: sign, digits
// with an optional ".", an optional exponent after "e", "E", "d" or "D". Correctly rounded; 0 when
// the text does not start with a number; +-infinity beyond the range of a double.
double ReadDecimalNumber(std::wstring_view text);

// printf "%g" with an exponent of at least three digits ("1.23456e+006"), correctly rounded
// (ties to even). Infinities are written "inf" / "-inf", not-a-number as "nan".
std::wstring FormatGeneral(double value);
