#pragma once

#include <QString>
#include <cstdint>

namespace gudang {

// The number read from the leading part of a typed text, 0 when there is none. Blanks, tabs
// and line feeds are ignored wherever they stand; a sign, digits, a comma or a point as the
// decimal separator and an exponent (E or D) make a decimal number; "&H" and "&O" start a
// hexadecimal or octal whole number. The locale is not consulted. A number too large for a
// double fails with AppError.
double leadingNumber(const QString &text);

// Rounds to the nearest whole number, halves to even; a result outside [min, max] fails with
// AppError.
int64_t wholeNumber(double value, int64_t min, int64_t max);
inline int16_t wholeNumber16(double value)
{
    return int16_t(wholeNumber(value, INT16_MIN, INT16_MAX));
}
inline int32_t wholeNumber32(double value)
{
    return int32_t(wholeNumber(value, INT32_MIN, INT32_MAX));
}

} // namespace gudang
