// The numeric rules for texts the user types (port number, refresh time) and for the numbers
// kept in the settings file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qel {

// The number at the start of a text. Blanks (space, tab, LF, CR) anywhere in the text are
// ignored; then come an optional sign, digits with at most one decimal point, and an optional
// exponent (E or D, either case) with an optional sign. Reading stops at the first character
// that cannot continue the number; a text without a number gives 0. A number too large for a
// double gives plus or minus infinity.
//   "10abc" -> 10, " 3" -> 3, "1 2" -> 12, "-2.5" -> -2.5, "1D2" -> 100, "" -> 0, "abc" -> 0
double NumericValue(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 ->
// -2); nullopt when the result does not fit the type (or the value is not a number).
std::optional<std::int16_t> RoundToInt16(double value);
std::optional<std::uint8_t> RoundToByte(double value);

// The number in general format without blanks: whole numbers without a decimal point ("3",
// "-2", "0"), others with up to 15 significant digits ("3.5"), very large and very small ones
// with an exponent ("1E+15", "1.5E-05").
std::string GeneralNumber(double value);

// The number in decimal with a blank where a minus would stand: " 7" for 7, "-7" for -7.
std::string NumberWithSignBlank(long long value);

}  // namespace qel
