#pragma once
// Number texts of the panel and the sheets: parsing the boxes and writing values back.
#include <optional>

#include <QString>

namespace shell {

// A box's text as a finite double (blanks around it allowed), or nothing.
std::optional<double> ParseDouble(const QString& text);
// A box's text as a 16-bit integer (blanks around it allowed), or nothing.
std::optional<int> ParseInt16(const QString& text);
// A double as the boxes show it: up to 15 significant digits, exponent form for
// very large or small magnitudes (7.86E-06, 21000, 0.0004).
QString NumberText(double x);

}  // namespace shell
