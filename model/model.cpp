#include "model/model.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>

#include "numeric/constants.h"
#include "numeric/failure.h"
#include "numeric/numbertext.h"

namespace fem {

using numeric::CheckFinite;
using numeric::ComputationFailure;

NodeRecord DefaultNode() {
    NodeRecord n;
    for (auto& code : n.BcCode) code = "p";
    return n;
}

ElementRecord DefaultElement() {
    ElementRecord e;
    e.EndNode = {0, 1};
    e.Young = 21000.0;
    e.Shear = 8000.0;
    e.Density = 7.86E-06;
    e.CrossSection.Shape = SectionShape::Round;
    e.CrossSection.Diameter = 10.0;
    return e;
}

const char* ReleaseName(int k) {
    static const char* const kNames[6] = {"N", "Vy", "Vz", "T", "My", "Mz"};
    return k >= 0 && k < 6 ? kNames[k] : "";
}

bool HasReleases(const ElementRecord& e) {
    for (const bool r : e.Released)
        if (r) return true;
    return false;
}

std::string ReleaseFault(const ElementRecord& e) {
    const auto& r = e.Released;
    // Axial and torsion: a rod released at both ends slides or spins freely.
    for (const int k : {0, 3})
        if (r[k] && r[6 + k])
            return std::string("both ends of the element release ") + ReleaseName(k) +
                   ", so that it is free to " + (k == 0 ? "slide along itself" : "spin");
    // A bending plane (deflection k, rotation m): the rigid motions are a translation
    // (1, 0, 1, 0) and a turn (0, 1, L, 1) of (v1, theta1, v2, theta2). The plane holds
    // when no combination of them vanishes on the dofs kept: both deflections kept, or
    // a deflection and a rotation kept.
    for (const auto& [k, m] : {std::pair<int, int>{1, 5}, std::pair<int, int>{2, 4}}) {
        const bool keepV1 = !r[k], keepT1 = !r[m], keepV2 = !r[6 + k], keepT2 = !r[6 + m];
        const bool holds = (keepV1 && keepV2) || ((keepV1 || keepV2) && (keepT1 || keepT2));
        if (!holds)
            return std::string("the releases of ") + ReleaseName(k) + " and " + ReleaseName(m) +
                   " leave the element free to move in that bending plane";
    }
    return "";
}

bool HasSpringOrMass(const NodeRecord& n) {
    for (const double k : n.Springs)
        if (k != 0.0) return true;
    for (const double j : n.RotaryInertia)
        if (j != 0.0) return true;
    return n.MassWeight != 0.0;
}

namespace {

std::string NumberShown(double x) {
    return numeric::FormatGeneral(x, 15, numeric::ExponentLetter::Lower);
}

ValueFault Fault(const std::string& key, const std::string& reason, FaultKind kind, double value) {
    ValueFault f;
    f.Key = key;
    f.Reason = reason;
    f.Kind = std::isfinite(value) ? kind : FaultKind::NotFinite;
    f.Value = value;
    return f;
}

}  // namespace

ValueFault FindNodeFault(const NodeRecord& n) {
    for (const double k : n.Springs)
        if (!(k >= 0.0) || !std::isfinite(k))
            return Fault("springs",
                         "a spring stiffness must be 0 or a positive number, not " + NumberShown(k),
                         FaultKind::Negative, k);
    if (!(n.MassWeight >= 0.0) || !std::isfinite(n.MassWeight))
        return Fault("mass",
                     "a weight must be 0 or a positive number, not " + NumberShown(n.MassWeight),
                     FaultKind::Negative, n.MassWeight);
    for (const double j : n.RotaryInertia)
        if (!(j >= 0.0) || !std::isfinite(j))
            return Fault("mass",
                         "a rotary inertia must be 0 or a positive number, not " + NumberShown(j),
                         FaultKind::Negative, j);
    return {};
}

ValueFault FindImpactFault(const DroppedWeight& d, int nodeCount) {
    if (d.Node < 0 || d.Node >= nodeCount)
        return Fault(
            "node",
            "the dropped weight strikes node " + std::to_string(d.Node) + ", which does not exist",
            FaultKind::Exceeds, d.Node);
    if (!(d.Weight > 0.0) || !std::isfinite(d.Weight))
        return Fault("weight",
                     "the dropped weight must be a positive number, not " + NumberShown(d.Weight),
                     FaultKind::NotPositive, d.Weight);
    double speed = 0.0;
    for (const double v : d.Velocity) {
        if (!std::isfinite(v))
            return Fault("velocity",
                         "the velocity of the dropped weight must be finite, not " + NumberShown(v),
                         FaultKind::NotFinite, v);
        speed = std::max(speed, std::fabs(v));
    }
    if (speed == 0.0)
        return Fault("velocity", "the dropped weight needs a velocity other than 0",
                     FaultKind::NotPositive, 0.0);
    return {};
}

bool SameMaterial(const Material& a, const Material& b) {
    return a.Young == b.Young && a.Shear == b.Shear && a.Density == b.Density && a.Damp == b.Damp;
}

ValueFault FindMaterialFault(const Material& m) {
    const std::pair<const char*, double> values[] = {
        {"E", m.Young}, {"G", m.Shear}, {"density", m.Density}};
    const char* const meanings[] = {"Young's modulus E", "the shear modulus G", "the density"};
    for (int k = 0; k < 3; ++k) {
        const double v = values[k].second;
        if (!(v > 0.0) || !std::isfinite(v)) {
            ValueFault f;
            f.Key = values[k].first;
            f.Reason = std::string(meanings[k]) + " must be a positive number, not " +
                       numeric::FormatGeneral(v, 15, numeric::ExponentLetter::Lower);
            f.Kind = std::isfinite(v) ? FaultKind::NotPositive : FaultKind::NotFinite;
            f.Value = v;
            return f;
        }
    }
    if (m.Damp) {
        const std::string why = DampingProblem(*m.Damp);
        if (!why.empty()) {
            ValueFault f;
            f.Key = "damping";
            f.Reason = "the damping: " + why;
            f.Kind = FaultKind::NotPositive;
            return f;
        }
    }
    return {};
}

namespace {

double Checked(double x, const char* what) {
    CheckFinite(x, what);
    return x;
}

double Divide(double a, double b, const char* what) {
    if (b == 0.0)
        throw ComputationFailure(numeric::kDivisionByZero,
                                 std::string("division by zero: ") + what);
    return Checked(a / b, what);
}

double Root(double x, const char* what) {
    if (x < 0.0)
        throw ComputationFailure(numeric::kInvalidArgument,
                                 std::string("square root of a negative number: ") + what);
    return Checked(std::sqrt(x), what);
}

// A quantity the analysis multiplies or divides by: finite, positive and not so small
// that it has lost its digits (below the smallest normal double).
void Usable(double x, const std::string& what) {
    CheckFinite(x, what.c_str());
    if (!(std::isnormal(x) && x > 0.0))
        throw ComputationFailure(numeric::kInvalidArgument,
                                 what + " vanishes (" +
                                     numeric::FormatGeneral(x, 15, numeric::ExponentLetter::Lower) +
                                     ")");
}

std::string VectorText(const Vec3& v) {
    std::string s;
    for (double x : v)
        s += (s.empty() ? "(" : ", ") +
             numeric::FormatGeneral(x, 15, numeric::ExponentLetter::Lower);
    return s + ")";
}

}  // namespace

// The local axes: those of BuildRotation, turned as the element asks unless its section
// is the same in every direction. Built apart, so that a refusal leaves e as it was.
void BuildElementAxes(ElementRecord& e) {
    Mat3 R;
    BuildRotation(e.AxisCos, R);
    CheckFinite(e.Roll, "roll");
    if (e.ZTowards) {
        for (double c : *e.ZTowards) CheckFinite(c, "z_towards");
        if (e.Roll != 0.0)
            throw ComputationFailure(numeric::kInvalidArgument,
                                     "roll and z_towards cannot both turn an element");
    }
    if (IsOriented(e.CrossSection.Shape)) {
        if (e.ZTowards) {
            if (!AimLocalZ(*e.ZTowards, R))
                throw ComputationFailure(numeric::kInvalidArgument,
                                         "z_towards " + VectorText(*e.ZTowards) +
                                             " runs along the element, so it cannot aim local z");
        } else if (e.Roll != 0.0) {
            RollAxes(e.Roll, R);
        }
    }
    e.RotMatrix = R;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) e.RotMatrixT[i][j] = R[j][i];
}

void UpdateElement(ElementRecord& e, const Vec3& a, const Vec3& b) {
    ElementRecord r = e;  // computed on a copy so that a failure leaves e unchanged
    const ValueFault fault = FindSectionFault(r.CrossSection);
    if (!fault.Empty()) throw ComputationFailure(numeric::kInvalidArgument, fault.Reason);
    const SectionProperties section = PropertiesOf(r.CrossSection);
    r.Radius = section.Radius;
    r.Area = section.Area;
    r.Poisson = Checked(Divide(r.Young, r.Shear * 2.0, "Poisson's ratio (shear modulus)") - 1.0,
                        "Poisson's ratio");
    const double dx = b[0] - a[0];
    const double dy = b[1] - a[1];
    const double dz = b[2] - a[2];
    r.Length = Checked(std::sqrt(dx * dx + dy * dy + dz * dz), "element length");
    r.AxisCos = {Divide(dx, r.Length, "element length"), Divide(dy, r.Length, "element length"),
                 Divide(dz, r.Length, "element length")};
    Usable(r.Length, "the element length");
    r.PolarJ = section.J;
    r.PolarMoment = section.PolarMoment;
    r.Iz = section.Iz;
    r.Iy = section.Iy;
    r.EA = Checked(r.Young * r.Area, "axial rigidity");
    r.EIz = Checked(r.Iz * r.Young, "bending rigidity");
    r.EIy = Checked(r.Iy * r.Young, "bending rigidity");
    r.GJ = Checked(r.PolarJ * r.Shear, "torsional rigidity");
    r.WaveAxial = Root(Divide(r.Young * kGravity, r.Density, "density"), "axial wave speed");
    // G J / (rho (Iy + Iz)); J / (Iy + Iz) is exactly 1 for round bars and tubes.
    r.WaveTorsion =
        Root(Divide(r.Shear * kGravity * (r.PolarJ / r.PolarMoment), r.Density, "density"),
             "torsional wave speed");
    r.BendCoefZ = Divide(r.EIz * kGravity, r.Density * r.Area, "density or area");
    r.BendCoefY = Divide(r.EIy * kGravity, r.Density * r.Area, "density or area");
    const ShearAreas shear = ShearAreasOf(r.CrossSection, r.Poisson);
    r.ShearAreaY = shear.Ay;
    r.ShearAreaZ = shear.Az;

    // What the analysis builds from these must neither overflow nor vanish.
    const double L = r.Length;
    if (r.WaveAxial == 0.0 || r.WaveTorsion == 0.0)
        throw ComputationFailure(numeric::kDivisionByZero,
                                 r.WaveAxial == 0.0 ? "division by zero: axial wave speed"
                                                    : "division by zero: torsional wave speed");
    Usable(r.EA / L, "the axial stiffness E A / L");
    Usable(r.GJ / L, "the torsional stiffness G J / L");
    Usable(r.EIz / L, "the bending stiffness E Iz / L");
    Usable(r.EIz / L / L / L, "the bending stiffness E Iz / L^3");
    Usable(r.EIy / L, "the bending stiffness E Iy / L");
    Usable(r.EIy / L / L / L, "the bending stiffness E Iy / L^3");
    Usable(r.Density * r.Area / kGravity, "the mass per length");
    Usable(r.Density * r.PolarMoment / kGravity, "the torsional inertia per length");
    Usable(L / r.WaveAxial, "the time an axial wave takes along the element");
    Usable(L / r.WaveTorsion, "the time a torsional wave takes along the element");
    Usable(L * L / std::sqrt(r.BendCoefZ), "the time scale of bending about local z");
    Usable(L * L / std::sqrt(r.BendCoefY), "the time scale of bending about local y");
    if (r.CrossSection.Shape != SectionShape::General || r.ShearAreaY != 0.0)
        Usable(r.ShearAreaY, "the shear area Ay");
    if (r.CrossSection.Shape != SectionShape::General || r.ShearAreaZ != 0.0)
        Usable(r.ShearAreaZ, "the shear area Az");
    if (const std::string why = ReleaseFault(r); !why.empty())
        throw ComputationFailure(numeric::kInvalidArgument, why);
    if (r.Timoshenko) {
        Usable(r.Density * r.Iz / kGravity, "the rotary inertia per length about local z");
        Usable(r.Density * r.Iy / kGravity, "the rotary inertia per length about local y");
        if (r.ShearAreaY != 0.0) Usable(r.Shear * r.ShearAreaY, "the shear stiffness G Ay");
        if (r.ShearAreaZ != 0.0) Usable(r.Shear * r.ShearAreaZ, "the shear stiffness G Az");
    }

    BuildElementAxes(r);
    e = r;
}

std::uint64_t Model::NewRevision() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

void Model::Touch() {
    revision_ = NewRevision();
}

void Model::ClearModel() {
    Touch();
    Nodes.clear();
    Nodes.shrink_to_fit();
    Elements.clear();
    Elements.shrink_to_fit();
    materials_.clear();
    sections_.clear();
    impact_.reset();
    histories_.clear();
    ground_.reset();
    damping_.reset();
}

void Model::CheckNode(int i) const {
    if (i < 0 || i >= NodeCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "node " + std::to_string(i) + " does not exist");
}

void Model::CheckElement(int i) const {
    if (i < 0 || i >= ElementCount())
        throw ComputationFailure(numeric::kOutOfRange,
                                 "element " + std::to_string(i) + " does not exist");
}

NodeRecord Model::GetNode(int i) const {
    CheckNode(i);
    return Nodes[i];
}

ElementRecord Model::GetElement(int i) const {
    CheckElement(i);
    return Elements[i];
}

namespace {

void CheckNodeValues(const NodeRecord& n) {
    const ValueFault fault = FindNodeFault(n);
    if (!fault.Empty()) throw ComputationFailure(numeric::kInvalidArgument, fault.Reason);
}

}  // namespace

void Model::CheckHistories(const NodeRecord& n) const {
    for (const std::string& name : n.History)
        if (!name.empty() && histories_.count(name) == 0)
            throw ComputationFailure(numeric::kOutOfRange,
                                     "history \"" + name + "\" does not exist");
}

void Model::AddNode(const NodeRecord& n) {
    CheckNodeValues(n);
    if (NodeCount() >= kMaxCount)
        throw ComputationFailure(numeric::kOverflow,
                                 "too many nodes (at most " + std::to_string(kMaxCount) + ")");
    CheckHistories(n);
    Nodes.push_back(n);
    Touch();
}

void Model::PutNode(int i, const NodeRecord& n) {
    CheckNode(i);
    CheckNodeValues(n);
    CheckHistories(n);
    // Refresh the attached elements on copies first, so that a node position that
    // makes an element degenerate is refused as a whole.
    std::vector<std::pair<int, ElementRecord>> updated;
    for (int j = 0; j < ElementCount(); ++j) {
        const ElementRecord& e = Elements[j];
        if (e.EndNode[0] != i && e.EndNode[1] != i) continue;
        ElementRecord copy = e;
        const Vec3& a = e.EndNode[0] == i ? n.Coord : Nodes[e.EndNode[0]].Coord;
        const Vec3& b = e.EndNode[1] == i ? n.Coord : Nodes[e.EndNode[1]].Coord;
        fem::UpdateElement(copy, a, b);
        updated.emplace_back(j, copy);
    }
    Nodes[i] = n;
    for (auto& [j, e] : updated) Elements[j] = std::move(e);
    Touch();
}

void Model::DeleteNode(int i) {
    CheckNode(i);
    for (int k = 0; k < ElementCount();) {
        if (Elements[k].EndNode[0] == i || Elements[k].EndNode[1] == i)
            DeleteElement(k);
        else
            ++k;
    }
    Nodes.erase(Nodes.begin() + i);
    for (auto& e : Elements) {
        if (e.EndNode[0] > i) --e.EndNode[0];
        if (e.EndNode[1] > i) --e.EndNode[1];
    }
    if (impact_ && impact_->Node == i)
        impact_.reset();
    else if (impact_ && impact_->Node > i)
        --impact_->Node;
    if (Nodes.empty()) Nodes.shrink_to_fit();
    Touch();
}

void Model::UpdateElement(ElementRecord& e) const {
    CheckNode(e.EndNode[0]);
    CheckNode(e.EndNode[1]);
    ElementRecord r = e;
    if (!r.MaterialName.empty()) {
        const auto m = materials_.find(r.MaterialName);
        if (m == materials_.end())
            throw ComputationFailure(numeric::kOutOfRange,
                                     "material \"" + r.MaterialName + "\" does not exist");
        r.Young = m->second.Young;
        r.Shear = m->second.Shear;
        r.Density = m->second.Density;
    }
    if (!r.SectionName.empty()) {
        const auto s = sections_.find(r.SectionName);
        if (s == sections_.end())
            throw ComputationFailure(numeric::kOutOfRange,
                                     "section \"" + r.SectionName + "\" does not exist");
        r.CrossSection = s->second;
    }
    fem::UpdateElement(r, Nodes[e.EndNode[0]].Coord, Nodes[e.EndNode[1]].Coord);
    e = std::move(r);
}

namespace {

// Whether s is well-formed UTF-8: no stray or overlong sequences, no surrogates.
bool IsUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        int more = 0;
        unsigned least = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1, least = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2, least = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3, least = 0x10000;
        } else {
            return false;
        }
        if (s.size() - i <= static_cast<size_t>(more)) return false;
        unsigned code = c & (0x3Fu >> more);
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += 1 + more;
    }
    return true;
}

// Refuses names that files and lists could not show as they are.
void CheckName(const std::string& name, const char* what) {
    const char* why = nullptr;
    switch (FindNameFault(name)) {
        case NameFault::None:
            return;
        case NameFault::Empty:
            why = "is empty";
            break;
        case NameFault::TooLong:
            why = "is longer than 200 bytes";
            break;
        case NameFault::NotUtf8:
            why = "is not UTF-8 text";
            break;
        case NameFault::ControlCharacter:
            why = "holds a control character";
            break;
    }
    throw ComputationFailure(numeric::kInvalidArgument,
                             std::string("the name of a ") + what + " " + why);
}

}  // namespace

NameFault FindNameFault(const std::string& name) {
    if (name.empty()) return NameFault::Empty;
    if (name.size() > static_cast<size_t>(kMaxNameBytes)) return NameFault::TooLong;
    if (!IsUtf8(name)) return NameFault::NotUtf8;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return NameFault::ControlCharacter;
    return NameFault::None;
}

template <class Change>
void Model::ChangeElements(Change change) {
    std::vector<std::pair<int, ElementRecord>> updated;
    for (int j = 0; j < ElementCount(); ++j) {
        ElementRecord copy = Elements[j];
        if (!change(copy)) continue;
        CheckNode(copy.EndNode[0]);
        CheckNode(copy.EndNode[1]);
        fem::UpdateElement(copy, Nodes[copy.EndNode[0]].Coord, Nodes[copy.EndNode[1]].Coord);
        updated.emplace_back(j, std::move(copy));
    }
    for (auto& [j, e] : updated) Elements[j] = std::move(e);
}

void Model::PutMaterial(const std::string& name, const Material& m) {
    CheckName(name, "material");
    const ValueFault fault = FindMaterialFault(m);
    if (!fault.Empty())
        throw ComputationFailure(numeric::kInvalidArgument,
                                 "material \"" + name + "\": " + fault.Reason);
    std::map<std::string, Material> materials = materials_;
    materials[name] = m;
    ChangeElements([&](ElementRecord& e) {
        if (e.MaterialName != name) return false;
        e.Young = m.Young;
        e.Shear = m.Shear;
        e.Density = m.Density;
        return true;
    });
    materials_.swap(materials);
    Touch();
}

void Model::PutSection(const std::string& name, const Section& s) {
    CheckName(name, "section");
    const ValueFault fault = FindSectionFault(s);
    if (!fault.Empty())
        throw ComputationFailure(numeric::kInvalidArgument,
                                 "section \"" + name + "\": " + fault.Reason);
    std::map<std::string, Section> sections = sections_;
    sections[name] = s;
    ChangeElements([&](ElementRecord& e) {
        if (e.SectionName != name) return false;
        e.CrossSection = s;
        return true;
    });
    sections_.swap(sections);
    Touch();
}

namespace {

template <class Table>
void CheckUnused(const Table& table, const std::string& name, const char* what,
                 const std::vector<ElementRecord>& elements,
                 std::string ElementRecord::*reference) {
    if (table.count(name) == 0)
        throw ComputationFailure(numeric::kOutOfRange,
                                 std::string(what) + " \"" + name + "\" does not exist");
    for (size_t k = 0; k < elements.size(); ++k)
        if (elements[k].*reference == name)
            throw ComputationFailure(
                numeric::kInvalidArgument,
                std::string(what) + " \"" + name + "\" is used by element " + std::to_string(k));
}

template <class Table>
void Rename(Table& table, const std::string& from, const std::string& to, const char* what,
            std::vector<ElementRecord>& elements, std::string ElementRecord::*reference) {
    const auto found = table.find(from);
    if (found == table.end())
        throw ComputationFailure(numeric::kOutOfRange,
                                 std::string(what) + " \"" + from + "\" does not exist");
    if (from == to) return;
    CheckName(to, what);
    if (table.count(to) != 0)
        throw ComputationFailure(numeric::kInvalidArgument,
                                 std::string(what) + " \"" + to + "\" exists already");
    Table renamed = table;
    renamed.emplace(to, found->second);
    renamed.erase(from);
    table.swap(renamed);
    for (ElementRecord& e : elements)
        if (e.*reference == from) e.*reference = to;
}

}  // namespace

void Model::DeleteMaterial(const std::string& name) {
    CheckUnused(materials_, name, "material", Elements, &ElementRecord::MaterialName);
    materials_.erase(name);
    Touch();
}

void Model::DeleteSection(const std::string& name) {
    CheckUnused(sections_, name, "section", Elements, &ElementRecord::SectionName);
    sections_.erase(name);
    Touch();
}

void Model::RenameMaterial(const std::string& from, const std::string& to) {
    Rename(materials_, from, to, "material", Elements, &ElementRecord::MaterialName);
    Touch();
}

void Model::RenameSection(const std::string& from, const std::string& to) {
    Rename(sections_, from, to, "section", Elements, &ElementRecord::SectionName);
    Touch();
}

void Model::AddElement(const ElementRecord& e) {
    if (ElementCount() >= kMaxCount)
        throw ComputationFailure(numeric::kOverflow,
                                 "too many elements (at most " + std::to_string(kMaxCount) + ")");
    ElementRecord copy = e;
    UpdateElement(copy);
    Elements.push_back(std::move(copy));
    Touch();
}

void Model::PutElement(int i, const ElementRecord& e) {
    CheckElement(i);
    ElementRecord copy = e;
    UpdateElement(copy);
    Elements[i] = std::move(copy);
    Touch();
}

void Model::DeleteElement(int i) {
    CheckElement(i);
    Elements.erase(Elements.begin() + i);
    if (Elements.empty()) Elements.shrink_to_fit();
    Touch();
}

void Model::SetImpact(const std::optional<DroppedWeight>& impact) {
    if (impact) {
        const ValueFault fault = FindImpactFault(*impact, NodeCount());
        if (!fault.Empty()) throw ComputationFailure(numeric::kInvalidArgument, fault.Reason);
    }
    impact_ = impact;
    Touch();
}

void Model::PutHistory(const std::string& name, const LoadHistory& h) {
    CheckName(name, "history");
    const std::string why = HistoryProblem(h);
    if (!why.empty())
        throw ComputationFailure(numeric::kInvalidArgument, "history \"" + name + "\": " + why);
    histories_[name] = h;
    Touch();
}

void Model::DeleteHistory(const std::string& name) {
    if (histories_.count(name) == 0)
        throw ComputationFailure(numeric::kOutOfRange, "history \"" + name + "\" does not exist");
    for (int i = 0; i < NodeCount(); ++i)
        for (const std::string& h : Nodes[i].History)
            if (h == name)
                throw ComputationFailure(
                    numeric::kInvalidArgument,
                    "history \"" + name + "\" is used by node " + std::to_string(i));
    if (ground_ && ground_->History == name)
        throw ComputationFailure(numeric::kInvalidArgument,
                                 "history \"" + name + "\" is used by the ground motion");
    histories_.erase(name);
    Touch();
}

void Model::RenameHistory(const std::string& from, const std::string& to) {
    const auto found = histories_.find(from);
    if (found == histories_.end())
        throw ComputationFailure(numeric::kOutOfRange, "history \"" + from + "\" does not exist");
    if (from == to) return;
    CheckName(to, "history");
    if (histories_.count(to) != 0)
        throw ComputationFailure(numeric::kInvalidArgument,
                                 "history \"" + to + "\" exists already");
    std::map<std::string, LoadHistory> renamed = histories_;
    renamed.emplace(to, found->second);
    renamed.erase(from);
    histories_.swap(renamed);
    for (NodeRecord& n : Nodes)
        for (std::string& h : n.History)
            if (h == from) h = to;
    if (ground_ && ground_->History == from) ground_->History = to;
    Touch();
}

void Model::SetGround(const std::optional<GroundMotion>& ground) {
    if (!ground) {
        ground_.reset();
        Touch();
        return;
    }
    const GroundMotion& g = *ground;
    if (histories_.count(g.History) == 0)
        throw ComputationFailure(numeric::kOutOfRange,
                                 "history \"" + g.History + "\" does not exist");
    double length = 0.0;
    for (const double c : g.Direction) {
        if (!std::isfinite(c))
            throw ComputationFailure(numeric::kInvalidArgument,
                                     "the direction of the ground motion is not finite");
        length = std::hypot(length, c);
    }
    if (!(length > 0.0) || !std::isfinite(length))
        throw ComputationFailure(numeric::kInvalidArgument,
                                 "the direction of the ground motion has no length");
    ground_ = g;
    Touch();
}

void Model::SetModelDamping(const std::optional<Damping>& damping) {
    if (damping) {
        const std::string why = DampingProblem(*damping);
        if (!why.empty())
            throw ComputationFailure(numeric::kInvalidArgument, "the damping: " + why);
    }
    damping_ = damping;
    Touch();
}

RayleighCoefficients Model::DampingOf(const ElementRecord& e) const {
    if (!e.MaterialName.empty()) {
        const auto m = materials_.find(e.MaterialName);
        if (m != materials_.end() && m->second.Damp) return RayleighOf(*m->second.Damp);
    }
    return damping_ ? RayleighOf(*damping_) : RayleighCoefficients{};
}

bool Model::Damped() const {
    for (const ElementRecord& e : Elements)
        if (!DampingOf(e).None()) return true;
    return false;
}

double Model::NodeDistance(int a, int b) const {
    CheckNode(a);
    CheckNode(b);
    const Vec3& p = Nodes[a].Coord;
    const Vec3& q = Nodes[b].Coord;
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                     (p[2] - q[2]) * (p[2] - q[2]));
}

int UseTimoshenkoWhereShearAreas(Model& model) {
    // Checked on copies first, so that an element that cannot take it leaves all as they were.
    std::vector<std::pair<int, ElementRecord>> changed;
    int on = 0;
    for (int k = 0; k < model.ElementCount(); ++k) {
        const ElementRecord& e = model.Elements[k];
        if (!e.Timoshenko && (e.ShearAreaY > 0.0 || e.ShearAreaZ > 0.0)) {
            ElementRecord copy = e;
            copy.Timoshenko = true;
            fem::UpdateElement(copy, model.Nodes[e.EndNode[0]].Coord,
                               model.Nodes[e.EndNode[1]].Coord);
            changed.emplace_back(k, std::move(copy));
        }
        if (e.Timoshenko) ++on;
    }
    for (auto& [k, e] : changed) model.Elements[k] = std::move(e);
    if (!changed.empty()) model.Touch();
    return on + static_cast<int>(changed.size());
}

}  // namespace fem
