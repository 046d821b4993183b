#pragma once
// Element local axes: row 0 = local x (along the element), rows 1 and 2 = local y, z,
// each in global components.
#include <array>

namespace fem {

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<std::array<double, 3>, 3>;

// Fills R from the unit axis vector v (first node towards second node).
void BuildRotation(const Vec3& v, Mat3& R);

}  // namespace fem
