#include "analysis/element.h"

#include <cmath>
#include <type_traits>
#include <vector>

#include "numeric/constants.h"
#include "numeric/failure.h"

namespace fem {

using numeric::CCosh;
using numeric::CDiv;
using numeric::CExp;
using numeric::CheckFinite;
using numeric::CMul;
using numeric::CNeg;
using numeric::Complex;
using numeric::ComplexMatrix;
using numeric::CScale;
using numeric::CSinh;
using numeric::RealMatrix;

namespace {

template <class T>
void EnsureSize(numeric::Matrix<T>& m, int rows, int cols) {
    if (m.Rows() != rows || m.Cols() != cols) m.Resize(rows, cols);
}

// Plane 1 (bending in local x-z) differs from plane 0 by the sign of every coupling
// between a deflection and a rotation: the entries whose indices have an odd sum.
template <class T>
void NegateOddEntries(numeric::Matrix<T>& k4) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if ((i + j) % 2 == 1) {
                if constexpr (std::is_same_v<T, Complex>) {
                    k4(i, j) = CNeg(k4(i, j));
                } else {
                    k4(i, j) = -k4(i, j);
                }
            }
}

// Adds block entry (i, j) into k(map[i], map[j]).
template <class T>
void PlaceBlock(const numeric::Matrix<T>& block, const int* map, int n, numeric::Matrix<T>& k) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) k(map[i], map[j]) = block(i, j);
}

const int kAxialMap[2] = {0, 6};
const int kTorsionMap[2] = {3, 9};
const int kPlane0Map[4] = {1, 5, 7, 11};
const int kPlane1Map[4] = {2, 4, 8, 10};

// Fixed work arrays of the element matrices, one set per thread, so that the dynamic
// solution allocates nothing per transform point.
struct DynScratch {
    ComplexMatrix A{4, 4};     // end displacements of the four exponential solutions
    ComplexMatrix B{4, 4};     // end forces of the four exponential solutions
    ComplexMatrix Ainv{4, 4};  // inverse of A
    ComplexMatrix W{4, 4};     // copy of A consumed by each column solution
    std::vector<Complex> e = std::vector<Complex>(4);
    std::vector<Complex> z = std::vector<Complex>(4);
    numeric::SolverWork work;
    ComplexMatrix k2{2, 2};
    ComplexMatrix k4{4, 4};
    ComplexMatrix local{12, 12};
    ComplexMatrix t{12, 12};
};

struct StatScratch {
    RealMatrix k2{2, 2};
    RealMatrix k4{4, 4};
    RealMatrix local{12, 12};
    RealMatrix t{12, 12};
};

DynScratch& Dyn() {
    thread_local DynScratch s;
    return s;
}

StatScratch& Stat() {
    thread_local StatScratch s;
    return s;
}

// A^-1 column by column through the complex solver, as the library's InvertComplex
// does, but on the fixed work arrays.
void Invert4(DynScratch& w) {
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) w.e[i] = (i == j) ? Complex{1.0, 0.0} : Complex{};
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k) w.W(i, k) = w.A(i, k);
        numeric::GaussSolveComplex(4, w.W, w.e, w.z, nullptr, &w.work);
        for (int i = 0; i < 4; ++i) w.Ainv(i, j) = w.z[i];
    }
}

void BeamStiffDynInto(DynScratch& w, double beta, double EI, Complex s, double L, int plane,
                      ComplexMatrix& k4) {
    // The four roots lambda of lambda^4 = -s^2 / beta.
    const Complex k4v = CScale(-1.0 / beta, CMul(s, s));
    double phi = 0.0;
    const double rho = numeric::CPolar(k4v, phi);
    const double r = std::sqrt(std::sqrt(rho));
    for (int b = 0; b < 4; ++b) {
        const double theta = (b * numeric::TwoPi + phi) / 4.0;
        const Complex lam{r * std::cos(theta), r * std::sin(theta)};
        const Complex E = CExp(CScale(L, lam));
        const Complex lamE = CMul(lam, E);
        const Complex lam2 = CMul(lam, lam);
        const Complex lam2E = CMul(lam2, E);
        w.A(0, b) = Complex{1.0, 0.0};
        w.A(1, b) = lam;
        w.A(2, b) = E;
        w.A(3, b) = lamE;
        w.B(0, b) = CScale(EI, CMul(lam2, lam));
        w.B(1, b) = CScale(-EI, lam2);
        w.B(2, b) = CScale(-EI, CMul(lam, lam2E));
        w.B(3, b) = CScale(EI, lam2E);
    }
    Invert4(w);
    EnsureSize(k4, 4, 4);
    numeric::MatMulComplex(4, k4, w.B, w.Ainv);
    // The end-2 forces due to end-1 displacements (rows 2, 3 by columns 0, 1) multiply
    // the growing exponentials e^(L lambda) by coefficients of size e^(-L lambda): once
    // L |lambda| is large (a long element, a high frequency) all their digits are lost,
    // while the rows of end 1 and the end-2 diagonal block stay exact. The matrix is
    // symmetric (reciprocity), so the lower triangle is taken from the upper one.
    for (int i = 1; i < 4; ++i)
        for (int j = 0; j < i; ++j) k4(i, j) = k4(j, i);
    if (plane == 1) NegateOddEntries(k4);
}

}  // namespace

void RodStiffStat(double Y, double L, RealMatrix& k2) {
    EnsureSize(k2, 2, 2);
    const double k = Y / L;
    CheckFinite(k, "RodStiffStat");
    k2(0, 0) = k;
    k2(0, 1) = -k;
    k2(1, 0) = -k;
    k2(1, 1) = k;
}

void BeamStiffStat(double EI, double L, int plane, RealMatrix& k4) {
    EnsureSize(k4, 4, 4);
    const double a = EI / L;
    const double b = a / L;
    const double c = b / L;
    CheckFinite(c, "BeamStiffStat");
    const double v[4][4] = {{12 * c, 6 * b, -12 * c, 6 * b},
                            {6 * b, 4 * a, -6 * b, 2 * a},
                            {-12 * c, -6 * b, 12 * c, -6 * b},
                            {6 * b, 2 * a, -6 * b, 4 * a}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) k4(i, j) = v[i][j];
    if (plane == 1) NegateOddEntries(k4);
}

void RodStiffDyn(double c, double Y, Complex s, double L, ComplexMatrix& k2) {
    EnsureSize(k2, 2, 2);
    const Complex c1 = CScale(Y / c, s);
    const Complex lam = CScale(L / c, s);
    const Complex sh = CSinh(lam);
    const Complex ch = CCosh(lam);
    const Complex d = CMul(c1, CDiv(ch, sh));
    const Complex o = CNeg(CDiv(c1, sh));
    k2(0, 0) = d;
    k2(0, 1) = o;
    k2(1, 0) = o;
    k2(1, 1) = d;
}

void BeamStiffDyn(double beta, double EI, Complex s, double L, int plane, ComplexMatrix& k4) {
    BeamStiffDynInto(Dyn(), beta, EI, s, L, plane, k4);
}

void RotateBlocks(const Mat3& R, const Mat3& RT, const RealMatrix& k, RealMatrix& t,
                  RealMatrix& K) {
    EnsureSize(t, 12, 12);
    EnsureSize(K, 12, 12);
    for (int row = 0; row < 12; ++row)
        for (int J = 0; J < 4; ++J)
            for (int j = 0; j < 3; ++j) {
                double sum = 0.0;
                for (int b = 0; b < 3; ++b) sum += k(row, 3 * J + b) * R[b][j];
                t(row, 3 * J + j) = sum;
            }
    for (int I = 0; I < 4; ++I)
        for (int i = 0; i < 3; ++i)
            for (int col = 0; col < 12; ++col) {
                double sum = 0.0;
                for (int n = 0; n < 3; ++n) sum += RT[i][n] * t(3 * I + n, col);
                CheckFinite(sum, "RotateBlocks");
                K(3 * I + i, col) = sum;
            }
}

void RotateBlocks(const Mat3& R, const Mat3& RT, const ComplexMatrix& k, ComplexMatrix& t,
                  ComplexMatrix& K) {
    EnsureSize(t, 12, 12);
    EnsureSize(K, 12, 12);
    for (int row = 0; row < 12; ++row)
        for (int J = 0; J < 4; ++J)
            for (int j = 0; j < 3; ++j) {
                double re = 0.0;
                double im = 0.0;
                for (int b = 0; b < 3; ++b) {
                    const Complex& v = k(row, 3 * J + b);
                    re += v.re * R[b][j];
                    im += v.im * R[b][j];
                }
                t(row, 3 * J + j) = Complex{re, im};
            }
    for (int I = 0; I < 4; ++I)
        for (int i = 0; i < 3; ++i)
            for (int col = 0; col < 12; ++col) {
                double re = 0.0;
                double im = 0.0;
                for (int n = 0; n < 3; ++n) {
                    const Complex& v = t(3 * I + n, col);
                    re += RT[i][n] * v.re;
                    im += RT[i][n] * v.im;
                }
                // Checked inline: this runs for every element at every transform point.
                if (!std::isfinite(re) || !std::isfinite(im)) {
                    CheckFinite(re, "RotateBlocks");
                    CheckFinite(im, "RotateBlocks");
                }
                K(3 * I + i, col) = Complex{re, im};
            }
}

void RotateVector12(const Mat3& R, const double* in, double* out) {
    for (int I = 0; I < 4; ++I)
        for (int i = 0; i < 3; ++i) {
            double sum = 0.0;
            for (int n = 0; n < 3; ++n) sum += R[i][n] * in[3 * I + n];
            CheckFinite(sum, "RotateVector12");
            out[3 * I + i] = sum;
        }
}

void RotateVector12(const Mat3& R, const Complex* in, Complex* out) {
    for (int I = 0; I < 4; ++I)
        for (int i = 0; i < 3; ++i) {
            double re = 0.0;
            double im = 0.0;
            for (int n = 0; n < 3; ++n) {
                re += R[i][n] * in[3 * I + n].re;
                im += R[i][n] * in[3 * I + n].im;
            }
            CheckFinite(re, "RotateVector12");
            CheckFinite(im, "RotateVector12");
            out[3 * I + i] = Complex{re, im};
        }
}

void ElemStiffStat(const ElementRecord& e, RealMatrix& K12) {
    StatScratch& w = Stat();
    w.local.Fill(0.0);
    RodStiffStat(e.EA, e.Length, w.k2);
    PlaceBlock(w.k2, kAxialMap, 2, w.local);
    RodStiffStat(e.GJ, e.Length, w.k2);
    PlaceBlock(w.k2, kTorsionMap, 2, w.local);
    BeamStiffStat(e.EIz, e.Length, 0, w.k4);
    PlaceBlock(w.k4, kPlane0Map, 4, w.local);
    BeamStiffStat(e.EIy, e.Length, 1, w.k4);
    PlaceBlock(w.k4, kPlane1Map, 4, w.local);
    RotateBlocks(e.RotMatrix, e.RotMatrixT, w.local, w.t, K12);
}

void ElemStiffDyn(Complex s, const ElementRecord& e, ComplexMatrix& K12) {
    DynScratch& w = Dyn();
    w.local.Fill(Complex{});
    RodStiffDyn(e.WaveAxial, e.EA, s, e.Length, w.k2);
    PlaceBlock(w.k2, kAxialMap, 2, w.local);
    RodStiffDyn(e.WaveTorsion, e.GJ, s, e.Length, w.k2);
    PlaceBlock(w.k2, kTorsionMap, 2, w.local);
    BeamStiffDynInto(w, e.BendCoefZ, e.EIz, s, e.Length, 0, w.k4);
    PlaceBlock(w.k4, kPlane0Map, 4, w.local);
    if (e.BendCoefY == e.BendCoefZ && e.EIy == e.EIz) {
        // A circular section bends alike in both planes: the same block with the
        // plane-1 signs, identical to computing it again.
        NegateOddEntries(w.k4);
    } else {
        BeamStiffDynInto(w, e.BendCoefY, e.EIy, s, e.Length, 1, w.k4);
    }
    PlaceBlock(w.k4, kPlane1Map, 4, w.local);
    RotateBlocks(e.RotMatrix, e.RotMatrixT, w.local, w.t, K12);
}

}  // namespace fem
