#include "analysis/node_terms.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>

#include "analysis/element.h"

namespace fem {

using numeric::Complex;

Complex NodeDynamicDiagonal(double stiffness, double mass, Complex s, const NodeDamping& damping) {
    // k (1 + beta s) + m (s^2 + alpha s)
    const Complex s2{s.re * s.re - s.im * s.im, 2.0 * s.re * s.im};
    const double springRe = stiffness * (1.0 + damping.Beta * s.re);
    const double springIm = stiffness * damping.Beta * s.im;
    return Complex{springRe + mass * (s2.re + damping.Alpha * s.re),
                   springIm + mass * (s2.im + damping.Alpha * s.im)};
}

NodeDamping NodeDampingOf(const Model& model) {
    if (!model.ModelDamping()) return {};
    const RayleighCoefficients r = RayleighOf(*model.ModelDamping());
    return {r.Alpha, r.Beta};
}

std::array<double, 6> NodeMasses(const Model& model, int node) {
    const NodeRecord& n = model.Nodes[node];
    std::array<double, 6> m{};
    double weight = n.MassWeight;
    if (model.Impact() && model.Impact()->Node == node) weight += model.Impact()->Weight;
    for (int j = 0; j < 3; ++j) {
        m[j] = weight / kGravity;
        m[3 + j] = n.RotaryInertia[j] / kGravity;
    }
    return m;
}

std::vector<StrikeLoad> StrikeLoads(const Model& model, const DofNumbering& numbering) {
    std::vector<StrikeLoad> loads;
    if (!model.Impact()) return loads;
    const DroppedWeight& d = *model.Impact();
    const Vec3& v = d.Velocity;
    const double speed = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int j = 0; j < 3; ++j) {
        if (!numbering.IsFree(d.Node, j)) continue;  // a support takes it
        StrikeLoad load;
        load.Equation = numbering.DofMap[d.Node][j];
        load.Impulse = d.Weight / kGravity * v[j];
        load.Step = d.Gravity ? d.Weight * v[j] / speed : 0.0;
        if (load.Impulse != 0.0 || load.Step != 0.0) loads.push_back(load);
    }
    return loads;
}

Complex StrikeTransform(Complex s, double te) {
    return numeric::CExp(numeric::CScale(-0.1 * te, s));
}

namespace {

// Below this fraction of the largest eigenvalue of a joint's block a direction counts as
// held by nothing: what the rotation of exactly zero rows leaves is rounding, about
// 1E-16 of the entries.
constexpr double kLooseJoint = 1e-12;

}  // namespace

std::pair<int, int> FindLooseJoint(const Model& model, const DofNumbering& numbering,
                                   bool withMasses) {
    const int nodes = model.NodeCount();
    std::vector<char> released(nodes, 0);
    bool any = false;
    for (const ElementRecord& e : model.Elements)
        for (int end = 0; end < 2; ++end)
            for (int k = 0; k < 6; ++k)
                if (e.Released[6 * end + k]) released[e.EndNode[end]] = 1, any = true;
    if (!any) return {-1, -1};
    std::vector<Eigen::Matrix<double, 6, 6>> blocks(nodes);
    for (int i = 0; i < nodes; ++i)
        if (released[i]) blocks[i].setZero();
    ElementWork work;
    numeric::RealMatrix K(12, 12);
    for (const ElementRecord& e : model.Elements) {
        if (!released[e.EndNode[0]] && !released[e.EndNode[1]]) continue;
        ElemStiffStat(e, work, K);
        for (int end = 0; end < 2; ++end) {
            const int n = e.EndNode[end];
            if (!released[n]) continue;
            for (int i = 0; i < 6; ++i)
                for (int j = 0; j < 6; ++j) blocks[n](i, j) += K(6 * end + i, 6 * end + j);
        }
    }
    for (int n = 0; n < nodes; ++n) {
        if (!released[n]) continue;
        const std::array<double, 6> masses = NodeMasses(model, n);
        for (int half = 0; half < 2; ++half) {
            int free[3];
            int count = 0;
            for (int j = 3 * half; j < 3 * half + 3; ++j)
                if (numbering.IsFree(n, j)) free[count++] = j;
            if (count == 0) continue;
            Eigen::MatrixXd A(count, count);
            for (int a = 0; a < count; ++a)
                for (int b = 0; b < count; ++b)
                    A(a, b) = blocks[n](free[a], free[b]) +
                              (a == b ? model.Nodes[n].Springs[free[a]] : 0.0);
            const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eigen(A);
            const Eigen::VectorXd& values = eigen.eigenvalues();  // ascending
            const double largest = std::max(std::fabs(values[0]), std::fabs(values[count - 1]));
            for (int v = 0; v < count; ++v) {
                if (values[v] > kLooseJoint * largest) break;
                const Eigen::VectorXd direction = eigen.eigenvectors().col(v);
                double held = 0.0, total = 0.0;
                for (int a = 0; a < count; ++a) {
                    held += masses[free[a]] * direction[a] * direction[a];
                    total += masses[free[a]];
                }
                if (withMasses && held > kLooseJoint * total) continue;
                Eigen::Index at = 0;
                direction.cwiseAbs().maxCoeff(&at);
                return {n, free[at]};
            }
        }
    }
    return {-1, -1};
}

}  // namespace fem
