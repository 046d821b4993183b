#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/local_axes.h"

using fem::Mat3;
using fem::Vec3;

namespace {

void ExpectRows(const Mat3& R, const Mat3& expected, double tol = 1e-15) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(R[i][j], expected[i][j], tol) << i << "," << j;
}

// |R R^T - I| and det R, computed independently.
void ExpectProperRotation(const Mat3& R, double tol) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k) s += R[i][k] * R[j][k];
            EXPECT_NEAR(s, i == j ? 1.0 : 0.0, tol);
        }
    }
    const double det = R[0][0] * (R[1][1] * R[2][2] - R[1][2] * R[2][1]) -
                       R[0][1] * (R[1][0] * R[2][2] - R[1][2] * R[2][0]) +
                       R[0][2] * (R[1][0] * R[2][1] - R[1][1] * R[2][0]);
    EXPECT_NEAR(det, 1.0, tol);
}

}  // namespace

TEST(BuildRotation, AxisDirections) {
    Mat3 R;
    fem::BuildRotation({1, 0, 0}, R);
    ExpectRows(R, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}});
    fem::BuildRotation({0, 1, 0}, R);
    ExpectRows(R, {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}});
    fem::BuildRotation({0, 0, 1}, R);
    ExpectRows(R, {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}});
    fem::BuildRotation({0, -1, 0}, R);
    ExpectRows(R, {{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}});
    ExpectProperRotation(R, 1e-15);
}

TEST(BuildRotation, EqualComponentsTakeTheFirstBranch) {
    const double s3 = 1 / std::sqrt(3.0);
    Mat3 R;
    fem::BuildRotation({s3, s3, s3}, R);
    const double s2 = 1 / std::sqrt(2.0);
    const double s6 = 1 / std::sqrt(6.0);
    ExpectRows(R, {{{s3, s3, s3}, {0, -s2, s2}, {2 * s6, -s6, -s6}}}, 1e-15);
    ExpectProperRotation(R, 1e-15);
}

TEST(BuildRotation, ProperRotationForManyDirections) {
    std::mt19937 rng(31);
    std::normal_distribution<double> g(0, 1);
    for (int t = 0; t < 2000; ++t) {
        Vec3 v{g(rng), g(rng), g(rng)};
        // Some directions in coordinate planes and along axes too.
        if (t % 7 == 0) v[t % 3] = 0;
        if (t % 11 == 0) v[(t + 1) % 3] = 0;
        const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (n == 0) continue;
        for (double& c : v) c /= n;
        Mat3 R;
        fem::BuildRotation(v, R);
        for (int j = 0; j < 3; ++j) EXPECT_EQ(R[0][j], v[j]);
        ExpectProperRotation(R, 1e-14);
    }
}
