#pragma once
// Numbers read from and written to text the way the user types them: integers
// in decimal or hexadecimal, and decimals with the decimal separator of the
// user's regional settings (the process-wide number format, taken from the
// system when first needed).

#include <QChar>
#include <QString>

namespace pv {

// The regional decimal separator.
QChar DecimalSeparator();
// Replaces the regional decimal separator for the whole process (tests, and a
// future setting); a null QChar goes back to the system's.
void SetDecimalSeparator(QChar separator);

// An integer: blanks before it, an optional sign, then decimal digits or a
// hexadecimal number written "$1F" or "0x1F" (up to 8 digits, read as a 32-bit
// pattern). False for anything else or a decimal outside the int range.
bool TryStrToInt(const QString& text, int& value);

// A decimal number with the regional separator: blanks around it, an optional
// sign, digits with at most one separator, an optional exponent ("1e9").
// False for anything else and for values outside the float range, so a value
// read here is always finite.
bool TryStrToFloat(const QString& text, float& value);

// The value with at most maxDecimals decimals (the patterns "0.#" and "0.##"):
// no trailing zeros, no separator without decimals, the regional separator.
QString FormatDecimal(double value, int maxDecimals);

} // namespace pv
