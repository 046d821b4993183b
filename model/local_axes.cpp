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

void RollAxes(double degrees, Mat3& R) {
    double turn = std::fmod(degrees, 360.0);  // exact
    if (turn < 0.0) turn += 360.0;
    double c, s;
    if (turn == 0.0) {
        c = 1.0, s = 0.0;
    } else if (turn == 90.0) {
        c = 0.0, s = 1.0;
    } else if (turn == 180.0) {
        c = -1.0, s = 0.0;
    } else if (turn == 270.0) {
        c = 0.0, s = -1.0;
    } else {
        const double radians = turn * (std::acos(-1.0) / 180.0);
        c = std::cos(radians), s = std::sin(radians);
    }
    const std::array<double, 3> y = R[1], z = R[2];
    for (int k = 0; k < 3; ++k) {
        R[1][k] = c * y[k] + s * z[k];
        R[2][k] = c * z[k] - s * y[k];
    }
}

bool AimLocalZ(const Vec3& towards, Mat3& R) {
    const std::array<double, 3>& x = R[0];
    const double size = std::hypot(towards[0], towards[1], towards[2]);
    if (!(size > 0.0) || !std::isfinite(size)) return false;
    // Scaled first, so that no product below overflows or vanishes.
    const Vec3 v = {towards[0] / size, towards[1] / size, towards[2] / size};
    const double along = v[0] * x[0] + v[1] * x[1] + v[2] * x[2];
    Vec3 z = {v[0] - along * x[0], v[1] - along * x[1], v[2] - along * x[2]};
    const double n = std::hypot(z[0], z[1], z[2]);
    if (!(n >= 1e-9)) return false;
    for (double& c : z) c /= n;
    R[2] = z;
    R[1] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
    return true;
}

}  // namespace fem
