#pragma once
// Constants shared by the whole program.
#include <cmath>

namespace numeric {

inline const double Pi = 4.0 * std::atan(1.0);
inline const double TwoPi = 2.0 * Pi;
inline constexpr const char* NL = "\r\n";  // line break of messages and data files

}  // namespace numeric
