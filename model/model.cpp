#include "model/model.h"

#include <atomic>
#include <cmath>
#include <string>

#include "numeric/constants.h"
#include "numeric/failure.h"

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
    e.Diameter = 10.0;
    return e;
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

}  // namespace

void UpdateElement(ElementRecord& e, const Vec3& a, const Vec3& b) {
    ElementRecord r = e;  // computed on a copy so that a failure leaves e unchanged
    r.Radius = Checked(r.Diameter / 2.0, "radius");
    r.Area = Checked(r.Radius * r.Radius * numeric::Pi, "area");
    r.Poisson = Checked(Divide(r.Young, r.Shear * 2.0, "Poisson's ratio (shear modulus)") - 1.0,
                        "Poisson's ratio");
    const double dx = b[0] - a[0];
    const double dy = b[1] - a[1];
    const double dz = b[2] - a[2];
    r.Length = Checked(std::sqrt(dx * dx + dy * dy + dz * dz), "element length");
    r.AxisCos = {Divide(dx, r.Length, "element length"), Divide(dy, r.Length, "element length"),
                 Divide(dz, r.Length, "element length")};
    r.PolarJ = Checked(std::pow(r.Diameter, 4) * numeric::Pi / 32.0, "polar moment");
    r.Iz = r.PolarJ / 2.0;
    r.Iy = r.Iz;
    r.EA = Checked(r.Young * r.Area, "axial rigidity");
    r.EIz = Checked(r.Iz * r.Young, "bending rigidity");
    r.EIy = Checked(r.Iy * r.Young, "bending rigidity");
    r.GJ = Checked(r.PolarJ * r.Shear, "torsional rigidity");
    r.WaveAxial = Root(Divide(r.Young * kGravity, r.Density, "density"), "axial wave speed");
    r.WaveTorsion = Root(Divide(r.Shear * kGravity, r.Density, "density"), "torsional wave speed");
    r.BendCoefZ = Divide(r.EIz * kGravity, r.Density * r.Area, "density or area");
    r.BendCoefY = r.BendCoefZ;
    BuildRotation(r.AxisCos, r.RotMatrix);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.RotMatrixT[i][j] = r.RotMatrix[j][i];
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

void Model::AddNode(const NodeRecord& n) {
    if (NodeCount() >= kMaxCount)
        throw ComputationFailure(numeric::kOverflow,
                                 "too many nodes (at most " + std::to_string(kMaxCount) + ")");
    Nodes.push_back(n);
    Touch();
}

void Model::PutNode(int i, const NodeRecord& n) {
    CheckNode(i);
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
    if (Nodes.empty()) Nodes.shrink_to_fit();
    Touch();
}

void Model::UpdateElement(ElementRecord& e) const {
    CheckNode(e.EndNode[0]);
    CheckNode(e.EndNode[1]);
    fem::UpdateElement(e, Nodes[e.EndNode[0]].Coord, Nodes[e.EndNode[1]].Coord);
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

double Model::NodeDistance(int a, int b) const {
    CheckNode(a);
    CheckNode(b);
    const Vec3& p = Nodes[a].Coord;
    const Vec3& q = Nodes[b].Coord;
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                     (p[2] - q[2]) * (p[2] - q[2]));
}

}  // namespace fem
