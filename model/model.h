#pragma once
// The structure model: nodes and bar elements with their derived quantities. It holds
// what the user entered and what follows from it alone; results are values of their own
// (analysis/). Units: mm, kgf, s.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/local_axes.h"
#include "numeric/complex.h"

namespace fem {

using numeric::Complex;

// Turns a weight per unit volume into a mass: the acceleration of gravity, mm/s^2.
inline constexpr double kGravity = 9800.0;
// At most this many nodes and elements: six equation numbers per node stay within an int.
inline constexpr int kMaxCount = 357913941;  // INT_MAX / 6

struct NodeRecord {
    Vec3 Coord{};                         // x, y, z (mm)
    std::array<Complex, 6> FixedDispC{};  // as read from a file; the analysis holds "u" at 0
    std::array<double, 6> FixedDisp{};    // prescribed displacement of "u" dofs, static
    std::array<Complex, 6> LoadC{};       // as read from a file; unused by the analysis
    std::array<double, 6> LoadValue{};    // load (kgf, kgf mm); size of a "pf" step load
    std::array<std::string, 6> BcCode{};  // "p" free, "u" fixed, "pf" step-loaded
};

struct ElementRecord {
    std::array<int, 2> EndNode{0, 1};
    double Young = 0.0;     // E, kgf/mm^2
    double Shear = 0.0;     // G, kgf/mm^2
    double Poisson = 0.0;   // derived: E / (2 G) - 1
    double Density = 0.0;   // weight per unit volume, kgf/mm^3
    double Diameter = 0.0;  // mm
    double Length = 0.0;
    Vec3 AxisCos{};
    double Area = 0.0;
    double Radius = 0.0;
    double PolarJ = 0.0;
    double Iz = 0.0;
    double Iy = 0.0;
    double WaveAxial = 0.0;    // sqrt(E g / w), mm/s
    double WaveTorsion = 0.0;  // sqrt(G g / w), mm/s
    double BendCoefZ = 0.0;    // EIz g / (w A)
    double BendCoefY = 0.0;
    double EA = 0.0;
    double EIz = 0.0;
    double EIy = 0.0;
    double GJ = 0.0;
    Mat3 RotMatrix{};
    Mat3 RotMatrixT{};
};

// Templates for new nodes and elements.
NodeRecord DefaultNode();        // at the origin, all six codes "p", all values 0
ElementRecord DefaultElement();  // nodes (0, 1), steel bar of 10 mm diameter

// Derived quantities of e from its entered fields and the coordinates a and b of its
// first and second node. Raises numeric::ComputationFailure when they cannot be
// computed (coincident nodes, zero or negative density, zero diameter, negative moduli,
// non-finite input); e is then unchanged.
void UpdateElement(ElementRecord& e, const Vec3& a, const Vec3& b);

class Model {
  public:
    [[nodiscard]] int NodeCount() const { return static_cast<int>(Nodes.size()); }
    [[nodiscard]] int ElementCount() const { return static_cast<int>(Elements.size()); }
    // Changes with every change of the structure (each operation below); results keep
    // the revision they were computed for. Revisions are unique over all models of the
    // program, so a model read or built anew never repeats the one it replaces.
    [[nodiscard]] std::uint64_t Revision() const { return revision_; }
    // Marks a change made directly to Nodes or Elements.
    void Touch();

    void ClearModel();
    [[nodiscard]] NodeRecord GetNode(int i) const;
    [[nodiscard]] ElementRecord GetElement(int i) const;

    // The operations below either succeed completely or raise
    // numeric::ComputationFailure and leave the model as it was.
    void AddNode(const NodeRecord& n);
    void PutNode(int i, const NodeRecord& n);  // refreshes every element using node i
    void DeleteNode(int i);                    // also deletes the elements using it
    void AddElement(const ElementRecord& e);
    void PutElement(int i, const ElementRecord& e);
    void DeleteElement(int i);
    // Recomputes the derived fields of e from the current coordinates of its nodes.
    void UpdateElement(ElementRecord& e) const;
    [[nodiscard]] double NodeDistance(int a, int b) const;

    // Read in place by the analysis and the drawing.
    std::vector<NodeRecord> Nodes;
    std::vector<ElementRecord> Elements;

  private:
    void CheckNode(int i) const;
    void CheckElement(int i) const;

    std::uint64_t revision_ = NewRevision();
    static std::uint64_t NewRevision();
};

}  // namespace fem
