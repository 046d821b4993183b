#pragma once
// The displacements inside a member from the displacements of its ends, in the Laplace
// domain: between its nodes a member carries no load, so its displacements are the exact
// solutions of the rod (axial, torsion) and of the Euler-Bernoulli beam (two bending
// planes) through its end values, the same solutions the dynamic stiffness is made of
// (element.h). Inverted like the node histories they give the motion inside the members,
// as a member divided into several elements would show it at its inner nodes. No Qt.
#include <array>
#include <complex>
#include <vector>

#include "analysis/histories.h"
#include "analysis/impact.h"
#include "model/model.h"
#include "numeric/complex.h"
#include "numeric/matrix.h"

namespace fem {

// The displacement field of one member at s for twelve end displacements in element
// components (ux, uy, uz, rx, ry, rz at the first node, then at the second). Accurate to
// rounding for any length and any s off the imaginary axis (and on it away from the
// member's own clamped frequencies): power series where the member is short against its
// waves, otherwise solutions that decay from either end, none of which overflows.
class MemberField {
  public:
    MemberField(const ElementRecord& e, numeric::Complex s, const numeric::Complex* ends);
    // u, v, w, rx, ry, rz in element components at x (mm from the first node), 0 <= x <= L.
    [[nodiscard]] std::array<std::complex<double>, 6> At(double x) const;

  private:
    // u(x) = u1 sinh(k (L - x)) / sinh(k L) + u2 sinh(k x) / sinh(k L).
    struct Rod {
        std::complex<double> k, u1, u2;
        [[nodiscard]] std::complex<double> At(double x, double L) const;
    };
    // w(x) from its end values and slopes: Series holds the coefficients of the four
    // power series in Lambda x^4 (Lambda = -s^2 / beta), Waves those of e^(-mu1 x),
    // e^(-mu1 (L - x)), e^(-mu2 x), e^(-mu2 (L - x)).
    struct Beam {
        bool series = true;
        std::complex<double> lambda4;  // Lambda = -s^2 / beta
        std::complex<double> mu1, mu2;
        std::array<std::complex<double>, 4> c{};
        // Deflection and slope.
        [[nodiscard]] std::array<std::complex<double>, 2> At(double x, double L) const;
    };
    static Beam SolveBeam(double beta, std::complex<double> s, double L,
                          const std::array<std::complex<double>, 4>& ends);

    double length_;
    Rod axial_, torsion_;
    Beam plane0_, plane1_;
};

// Evenly spaced stations inside a member of length L: x_i = i L / (count + 1), i = 1 ..
// count.
[[nodiscard]] std::vector<double> InnerStations(double length, int count);

// Which displacements at the stations.
enum class StationValues {
    Translations,  // ux, uy, uz: 3 rows per station
    All,           // ux, uy, uz, rx, ry, rz: 6 rows per station
};

// The spectra of the displacements (global components) at stations x_1 .. x_m (mm from the
// element's first node) inside element, on line 0 or 1 of the solution's transform
// points: row (3 or 6) i + c for station i and component c, column k for point k. Raises
// numeric::ComputationFailure when the element does not exist, the solution does not hold
// its nodes, or the line does not exist.
[[nodiscard]] numeric::ComplexMatrix StationSpectra(const ImpactSolution& solution, int element,
                                                    const std::vector<double>& stations,
                                                    StationValues values, int line);

// Their time histories, inverted (and corrected) as the node histories are, in the same
// rows. The same refusals, and those of NodeDisplacementHistory for a solution that is
// not complete or tables made for other settings.
[[nodiscard]] HistoryResult StationHistories(const ImpactSolution& solution, int element,
                                             const std::vector<double>& stations,
                                             StationValues values, const InverseTransform& inverse);

}  // namespace fem
