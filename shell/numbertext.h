#pragma once
// Number texts of the panel and the sheets: parsing the boxes and writing values back,
// with "." as the decimal mark whatever the locale.
#include <optional>

#include <QString>

namespace shell {

// A box's text as a finite double in plain decimal or exponent notation (blanks
// around it allowed), or nothing.
std::optional<double> ParseDouble(const QString& text);
// A box's or list's text as a whole number within the range of int (blanks around it
// allowed), or nothing: node and element numbers, Nw.
std::optional<int> ParseWhole(const QString& text);
// A double as the boxes show it: up to 15 significant digits, exponent form for
// very large or small magnitudes (7.86E-06, 21000, 0.0004); zero as "0".
QString NumberText(double x);
// A derived value as the sheets show it beside the boxes (a section's A, Iy, Iz, J,
// Poisson's ratio): 6 significant digits, exponent form from 1E+06 on ("2612",
// "1.76093E+07", "0.3125"); zero as "0".
QString ReadoutText(double x);
// The value of a box that was filled with NumberText(shown): while its text is still
// that one the value is `shown` itself, digits the text does not show included, so
// that confirming a sheet without editing it changes no stored value; an edited text
// is parsed as ParseDouble does.
std::optional<double> BoxValue(const QString& text, double shown);

}  // namespace shell
