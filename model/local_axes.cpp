#include "model/local_axes.h"

#include <cmath>

namespace fem {

void BuildRotation(const Vec3& v, Mat3& R) {
    const double vx = v[0];
    const double vy = v[1];
    const double vz = v[2];
    R[0] = {vx, vy, vz};
    R[2] = {0.0, 0.0, 0.0};
    // The special cases compare exactly with zero, so axis-parallel elements get
    // exactly axis-parallel local axes.
    if (vz == 0.0) {
        R[1] = {-vy, vx, 0.0};
        R[2] = {0.0, 0.0, 1.0};
        return;
    }
    if (vy == 0.0) {
        R[1] = {vz, 0.0, -vx};
        R[2] = {0.0, 1.0, 0.0};
        return;
    }
    if (vx == 0.0) {
        R[1] = {0.0, -vz, vy};
        R[2] = {1.0, 0.0, 0.0};
        return;
    }
    const double p = vx * vx;
    const double q = vy * vy;
    const double r = vz * vz;
    const double m0 = p * (q + r);
    const double m1 = q * (p + r);
    const double m2 = r * (p + q);
    if (m0 >= m1 && m0 >= m2) {
        const double n = std::sqrt(q + r);
        R[1] = {0.0, -vz / n, vy / n};
    } else if (m1 >= m0 && m1 >= m2) {
        const double n = std::sqrt(p + r);
        R[1] = {vz / n, 0.0, -vx / n};
    } else {
        const double n = std::sqrt(p + q);
        R[1] = {-vy / n, vx / n, 0.0};
    }
    R[2][0] = R[0][1] * R[1][2] - R[0][2] * R[1][1];
    R[2][1] = R[0][2] * R[1][0] - R[0][0] * R[1][2];
    R[2][2] = R[0][0] * R[1][1] - R[0][1] * R[1][0];
}

}  // namespace fem
