#pragma once
// The structure model: nodes, elements with their derived quantities, and the named
// materials and sections the elements may refer to. It holds what the user entered and
// what follows from it alone; results are values of their own (analysis/). Units: mm,
// kgf, s.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/damping.h"
#include "model/load_history.h"
#include "model/local_axes.h"
#include "model/section.h"
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
    // Springs to the ground on ux, uy, uz (kgf/mm) and rx, ry, rz (kgf mm/rad); a spring
    // on a fixed dof changes nothing.
    std::array<double, 6> Springs{};
    // A lumped weight (kgf) on the translations and its rotary inertias about x, y, z
    // (weight times radius of gyration squared, kgf mm^2); both become masses divided
    // by kGravity, as the bars' density does.
    double MassWeight = 0.0;
    std::array<double, 3> RotaryInertia{};
    // Of a "pf" dof: the name of its load history, or "" for the step with the run's rise
    // time. Ignored on other dofs.
    std::array<std::string, 6> History{};
};
// Whether the node holds a spring, a weight or a rotary inertia.
bool HasSpringOrMass(const NodeRecord& n);
// Refuses springs, weights and inertias that are negative or not finite (key "springs"
// or "mass").
ValueFault FindNodeFault(const NodeRecord& n);

// A weight dropped on a node: it strikes at the step time Te/10 with Velocity and stays
// attached (a plastic impact). Its mass joins the node from the start (the structure is
// at rest before the strike) and its momentum Weight Velocity / g enters as an impulse
// at the strike. With Gravity its own weight also acts from the strike on, as a sudden
// step load of Weight along the velocity's direction (the weight falls along it).
struct DroppedWeight {
    int Node = 0;
    double Weight = 0.0;  // kgf
    Vec3 Velocity{};      // mm/s, global components
    bool Gravity = false;
};
// Refuses a node the model lacks, a weight that is not positive and finite, and a
// velocity that is not finite or is zero (key "node", "weight" or "velocity").
ValueFault FindImpactFault(const DroppedWeight& d, int nodeCount);

// A material: its moduli and its weight per unit volume.
struct Material {
    double Young = 0.0;    // E, kgf/mm^2
    double Shear = 0.0;    // G, kgf/mm^2
    double Density = 0.0;  // kgf/mm^3
    // Its own damping; none: the model's (Model::ModelDamping), if any.
    std::optional<fem::Damping> Damp{};
};
bool SameMaterial(const Material& a, const Material& b);
// Refuses moduli and densities that are not positive finite numbers (key "E", "G" or
// "density"; kind NotFinite or NotPositive), and a damping that cannot be used (key
// "damping").
ValueFault FindMaterialFault(const Material& m);

// Why a name cannot name a material or a section: names that files and lists could not
// show as they are.
enum class NameFault {
    None,
    Empty,
    TooLong,           // longer than kMaxNameBytes
    NotUtf8,           // not well-formed UTF-8
    ControlCharacter,  // holds a character below U+0020 or U+007F
};
inline constexpr int kMaxNameBytes = 200;
NameFault FindNameFault(const std::string& name);

struct ElementRecord {
    std::array<int, 2> EndNode{0, 1};
    // The material and the section by name, or empty for the element's own values below.
    // An element that names them holds their values too, as the model's tables give them.
    std::string MaterialName;
    std::string SectionName;
    double Young = 0.0;    // E, kgf/mm^2
    double Shear = 0.0;    // G, kgf/mm^2
    double Poisson = 0.0;  // derived: E / (2 G) - 1
    double Density = 0.0;  // weight per unit volume, kgf/mm^3
    Section CrossSection;  // shape and dimensions
    // Orientation of local y and z about the member (ignored by round bars and tubes):
    // the axes of BuildRotation turned by Roll degrees about local x, or, when ZTowards
    // is given (Roll must then be 0), local z towards ZTowards.
    double Roll = 0.0;
    std::optional<Vec3> ZTowards;
    // Released end forces (hinges): Released[6 * end + k] for the first (end 0) or the
    // second node (end 1) and component k = N, Vy, Vz, T, My, Mz in element axes. A
    // released end force is zero and the member's end moves on its own in that
    // component. Releases that leave the member free to move as a rigid body are refused.
    std::array<bool, 12> Released{};
    // Timoshenko's theory in both bending planes: shear deformation where the section has
    // a shear area (ShearAreaY for deflection along local y, ShearAreaZ along local z) and
    // the rotary inertia of the section; false: Euler-Bernoulli bending.
    bool Timoshenko = false;
    double Length = 0.0;
    Vec3 AxisCos{};
    double Area = 0.0;
    double Radius = 0.0;       // d / 2 of a round bar or a tube, else 0
    double PolarJ = 0.0;       // torsion constant J
    double PolarMoment = 0.0;  // Iy + Iz: the torsional inertia per unit density
    double Iz = 0.0;
    double Iy = 0.0;
    double ShearAreaY = 0.0;   // Ay: Cowper's, or as given (0: no shear deformation)
    double ShearAreaZ = 0.0;   // Az
    double WaveAxial = 0.0;    // sqrt(E g / w), mm/s
    double WaveTorsion = 0.0;  // sqrt(G J g / (w (Iy + Iz))), mm/s
    double BendCoefZ = 0.0;    // EIz g / (w A)
    double BendCoefY = 0.0;
    double EA = 0.0;
    double EIz = 0.0;
    double EIy = 0.0;
    double GJ = 0.0;
    Mat3 RotMatrix{};
    Mat3 RotMatrixT{};
};

// "N", "Vy", "Vz", "T", "My", "Mz": the end force k (0 .. 5) an element end can release.
const char* ReleaseName(int k);
bool HasReleases(const ElementRecord& e);
// Why the releases of e leave it free to move as a rigid body ("" when they do not):
// both ends releasing N or T, or releases in a bending plane that leave no pair of a
// deflection and a rotation, or both deflections, held.
std::string ReleaseFault(const ElementRecord& e);

// Templates for new nodes and elements.
NodeRecord DefaultNode();        // at the origin, all six codes "p", all values 0
ElementRecord DefaultElement();  // nodes (0, 1), steel bar of 10 mm diameter, own values

// Derived quantities of e from its entered fields and the coordinates a and b of its
// first and second node (names are not looked up here). Raises
// numeric::ComputationFailure, whose text names the value, when they cannot be computed:
// coincident nodes, moduli or density not positive, a section fault (FindSectionFault),
// a ZTowards along the member or with a Roll, releases that make it a mechanism
// (ReleaseFault), non-finite input, and any derived quantity
// the analysis uses (stiffnesses such as E Iz / L^3, wave speeds, mass per length) that
// overflows or vanishes; e is then unchanged.
void UpdateElement(ElementRecord& e, const Vec3& a, const Vec3& b);

// RotMatrix and RotMatrixT of e from its AxisCos, section, Roll and ZTowards, as
// UpdateElement builds them; raises numeric::ComputationFailure as it does.
void BuildElementAxes(ElementRecord& e);

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

    // Nodes, elements, materials, sections, histories, ground, damping, dropped weight.
    void ClearModel();
    [[nodiscard]] NodeRecord GetNode(int i) const;
    [[nodiscard]] ElementRecord GetElement(int i) const;

    // The operations below either succeed completely or raise
    // numeric::ComputationFailure and leave the model as it was. A node's springs and
    // masses are checked by FindNodeFault.
    void AddNode(const NodeRecord& n);
    void PutNode(int i, const NodeRecord& n);  // refreshes every element using node i
    // Also deletes the elements using it, and the dropped weight when it strikes there.
    void DeleteNode(int i);
    void AddElement(const ElementRecord& e);
    void PutElement(int i, const ElementRecord& e);
    void DeleteElement(int i);
    // Takes the values of the material and the section e names (refusing names the model
    // does not have) and recomputes the derived fields of e from the current coordinates
    // of its nodes.
    void UpdateElement(ElementRecord& e) const;

    // Named materials and sections, ordered by name. A name is refused when it has a
    // NameFault.
    [[nodiscard]] const std::map<std::string, Material>& Materials() const { return materials_; }
    [[nodiscard]] const std::map<std::string, Section>& Sections() const { return sections_; }
    // Adds the named material or section, or changes it and every element that refers to
    // it; refused as a whole when one of them cannot take it.
    void PutMaterial(const std::string& name, const Material& m);
    void PutSection(const std::string& name, const Section& s);
    // Refused while an element refers to it.
    void DeleteMaterial(const std::string& name);
    void DeleteSection(const std::string& name);
    // Gives it a new name, in the elements that refer to it too; refused when the new
    // name is taken.
    void RenameMaterial(const std::string& from, const std::string& to);
    void RenameSection(const std::string& from, const std::string& to);
    [[nodiscard]] double NodeDistance(int a, int b) const;

    // The dropped weight, if any (see DroppedWeight); SetImpact refuses what
    // FindImpactFault finds.
    [[nodiscard]] const std::optional<DroppedWeight>& Impact() const { return impact_; }
    void SetImpact(const std::optional<DroppedWeight>& impact);
    // Named load histories, ordered by name (names as for materials). A node's History
    // and the ground motion refer to them; AddNode and PutNode refuse a name the model
    // does not have.
    [[nodiscard]] const std::map<std::string, LoadHistory>& Histories() const { return histories_; }
    // Adds or changes the named history (refused when HistoryProblem finds a fault).
    void PutHistory(const std::string& name, const LoadHistory& h);
    // Refused while a node or the ground motion refers to it.
    void DeleteHistory(const std::string& name);
    // In the nodes and the ground motion too; refused when the new name is taken.
    void RenameHistory(const std::string& from, const std::string& to);

    // The motion of the ground, or none. Refused when its history does not exist, its
    // direction is not a finite vector of some length (kept as given).
    [[nodiscard]] const std::optional<GroundMotion>& Ground() const { return ground_; }
    void SetGround(const std::optional<GroundMotion>& ground);

    // The damping of every element whose material has none of its own (elements with
    // their own material values included), or none. Refused when DampingProblem finds a
    // fault.
    [[nodiscard]] const std::optional<Damping>& ModelDamping() const { return damping_; }
    void SetModelDamping(const std::optional<Damping>& damping);
    // The Rayleigh coefficients of element e: its named material's damping, else the
    // model's, else none.
    [[nodiscard]] RayleighCoefficients DampingOf(const ElementRecord& e) const;
    // Whether any element is damped.
    [[nodiscard]] bool Damped() const;

    // Read in place by the analysis and the drawing.
    std::vector<NodeRecord> Nodes;
    std::vector<ElementRecord> Elements;

  private:
    void CheckNode(int i) const;
    void CheckElement(int i) const;
    void CheckHistories(const NodeRecord& n) const;
    // Refreshes, all or none, the elements for which `change` returns true after changing
    // a copy of them.
    template <class Change>
    void ChangeElements(Change change);

    std::map<std::string, Material> materials_;
    std::map<std::string, Section> sections_;
    std::optional<DroppedWeight> impact_;
    std::map<std::string, LoadHistory> histories_;
    std::optional<GroundMotion> ground_;
    std::optional<Damping> damping_;

    std::uint64_t revision_ = NewRevision();
    static std::uint64_t NewRevision();
};

// Turns Timoshenko on for every element whose section has a shear area (Ay or Az above
// 0), as impactframe-cli --timoshenko does; returns how many elements have it on
// afterwards. Raises numeric::ComputationFailure, changing nothing, when an element
// cannot take it (UpdateElement).
int UseTimoshenkoWhereShearAreas(Model& model);

}  // namespace fem
