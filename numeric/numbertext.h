#pragma once
// Numbers as text with "." as the decimal mark whatever the locale: for the data file,
// CSV tables, command-line options and the numbers shown in the windows.
#include <string>
#include <string_view>

namespace numeric {

enum class ExponentLetter { Upper, Lower };

// x as C's printf gives it with "%.<significantDigits>G" (Upper) or "%.<...>g" (Lower)
// in the "C" locale: "7.86E-06", "21000", "0.0004", "-0", "INF". significantDigits 0 is
// taken as 1, as printf does.
std::string FormatGeneral(double x, int significantDigits,
                          ExponentLetter letter = ExponentLetter::Upper);

// The whole text as a number in plain decimal or exponent notation ("-1.5", "+2",
// ".5", "7.86E-06"); white space around it is allowed. Refuses everything else: an empty
// text, a decimal comma, hexadecimal, "inf", "nan", and magnitudes beyond the range of
// a double; magnitudes below it read as zero.
[[nodiscard]] bool ParseNumber(std::string_view text, double& value);

// The whole text as a whole number in plain decimal within the range of int ("12",
// "+3", "-4"); white space around it is allowed.
[[nodiscard]] bool ParseWholeNumber(std::string_view text, int& value);

}  // namespace numeric
