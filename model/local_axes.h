#pragma once
// Element local axes: row 0 = local x (along the element), rows 1 and 2 = local y, z,
// each in global components.
#include <array>

namespace fem {

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<std::array<double, 3>, 3>;

// Fills R from the unit axis vector v (first node towards second node).
void BuildRotation(const Vec3& v, Mat3& R);

// Turns local y and z of R by `degrees` about local x, positive from y towards z. Whole
// multiples of 90 degrees turn exactly (the axes' components are only exchanged).
void RollAxes(double degrees, Mat3& R);

// Makes local z of R the part of `towards` perpendicular to local x, and local y = z x x.
// Returns false and leaves R unchanged when that part is shorter than 1E-9 of `towards`
// (a vector along the member, or none at all).
bool AimLocalZ(const Vec3& towards, Mat3& R);

}  // namespace fem
