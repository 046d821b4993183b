#include "view3d/structure.h"

#include <algorithm>
#include <cmath>

#include "analysis/element.h"
#include "numeric/failure.h"
#include "view3d/framesource.h"

namespace view3d {
namespace {

// Target that mirrors the structure and gives the sizes of loads and supports.
platform::Surface& MirrorTarget(SceneView& view, PanelLink& panel) {
    return panel.SmallPicture != nullptr ? *panel.SmallPicture : view.Picture();
}

void Mirror(SceneView& view, PanelLink& panel) {
    if (panel.SmallPicture != nullptr) view.CopyCurrentItem(*panel.SmallPicture);
}

Vec3 Midpoint(const Vec3& a, const Vec3& b) {
    return {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2};
}

// Element numbers carry a leading blank, as non-negative numbers do in the lists.
std::string ElementLabel(int e) {
    return (e >= 0 ? " " : "") + std::to_string(e);
}

// A structure of more nodes and elements than kMaxNumbersShown: numbers hidden at first,
// thin lines and small node marks.
bool IsLarge(const fem::Model& model) {
    return model.NodeCount() + model.ElementCount() > kMaxNumbersShown;
}

}  // namespace

void DrawStructure(SceneView& view, const fem::Model& model, PanelLink& panel) {
    std::vector<Vec3> points;
    points.reserve(model.Nodes.size());
    for (const fem::NodeRecord& n : model.Nodes) points.push_back(n.Coord);
    view.SetStructure(std::move(points));
    // Nodes behind the eye are left out of the extent; without any the scale stays.
    double xmin, xmax, ymin, ymax;
    if (!view.ProjectedExtent(xmin, xmax, ymin, ymax)) {
        xmin = ymin = 10000.0;
        xmax = ymax = -10000.0;
    }
    view.ClearAll();
    view.FitPicture(xmin, xmax, ymin, ymax);
    if (!view.NumbersChosen()) view.SetNumbersShown(!IsLarge(model), false);

    if (panel.SmallPicture != nullptr) {
        platform::Surface& pic = *panel.SmallPicture;
        const double f = (ymax - ymin > xmax - xmin) ? 2.0 * (ymax - ymin) : 2.0 * (xmax - xmin);
        // Only a real extent fits the square system; without nodes the scale stays.
        if (f > 0.0) pic.SetScale((xmin + xmax) / 2 - f / 2, (ymin + ymax) / 2 + f / 2, f, -f);
        pic.Clear();
        view.ForgetLabels(pic);
    }
    DrawNodes(view, model, panel);
    DrawElements(view, model, panel);
    // The axes last, so that their letters find the numbers' places taken.
    view.DrawAxes();
    view.StructureItems = view.ItemCount();
}

double TypicalElementLength(const fem::Model& model) {
    std::vector<double> lengths;
    lengths.reserve(model.Elements.size());
    for (const fem::ElementRecord& e : model.Elements)
        if (e.Length > 0.0 && std::isfinite(e.Length)) lengths.push_back(e.Length);
    if (lengths.empty()) return 0.0;
    const auto middle = lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2);
    std::nth_element(lengths.begin(), middle, lengths.end());
    return *middle;
}

void DrawNodes(SceneView& view, const fem::Model& model, PanelLink& panel) {
    platform::Surface& target = MirrorTarget(view, panel);
    // Arrows and marks are sized by the picture; in a structure of many short elements
    // they stay within a fraction of an element, clear of the neighbouring nodes.
    const double typical = TypicalElementLength(model);
    // In a large structure the nodes stand close together in the picture: small marks
    // keep the bars between them visible.
    const double mark = IsLarge(model) ? -0.002 : -0.005;
    // The largest load of each kind draws the full arrow; the others in proportion.
    LoadSizes largest;
    for (const fem::NodeRecord& n : model.Nodes)
        for (int c = 0; c < 6; ++c) {
            double& size = c < 3 ? largest.Force : largest.Moment;
            const double value = std::fabs(n.LoadValue[static_cast<std::size_t>(c)]);
            if (std::isfinite(value)) size = std::max(size, value);
        }
    for (int i = 0; i < model.NodeCount(); ++i) {
        const fem::NodeRecord& n = model.Nodes[i];
        view.AddCircle(n.Coord, mark, kNodeColor);
        Mirror(view, panel);
        view.AddNumber(n.Coord, std::to_string(i), kNodeNumberColor, 11);
        Mirror(view, panel);
        DrawNodeLoads(view, panel, target, n.Coord, n.LoadValue, 0.5 * typical, largest);
        DrawLoadHistoryNames(view, panel, target, n, 0.5 * typical);
        DrawSupports(view, panel, target, n.Coord, n.BcCode, 0.35 * typical);
        if (fem::HasSpringOrMass(n)) DrawSpringsAndMass(view, panel, target, n, 0.25 * typical);
    }
    DrawDroppedWeight(view, model, panel, target, typical);
    if (panel.RefillNodeList) panel.RefillNodeList(model.NodeCount());
}

void DrawNodeLoads(SceneView& view, PanelLink& panel, platform::Surface& target, const Vec3& point,
                   const std::array<double, 6>& loads, double maxLength, const LoadSizes& largest) {
    double full = target.ScaleWidth() / panel.VectorSize;
    if (maxLength > 0.0) full = std::min(full, maxLength);
    for (int group = 0; group < 2; ++group) {  // forces, then moments
        const Color col = group == 0 ? kForceColor : kMomentColor;
        for (int k = 0; k < 3; ++k) {
            const double p = loads[3 * group + k];
            if (p == 0.0) continue;
            // In proportion to the largest load of its kind, never so short that it
            // cannot be seen.
            const double biggest = group == 0 ? largest.Force : largest.Moment;
            const double len =
                biggest > 0.0 ? full * std::clamp(std::fabs(p) / biggest, 0.2, 1.0) : full;
            Vec3 v{0.0, 0.0, 0.0};
            v[k] = (p > 0.0 ? 1.0 : -1.0) * len;
            // A negative component points at the node and ends on it.
            Vec3 start = point;
            if (p < 0.0) start[k] = point[k] - v[k];
            view.AddVector(start, v, col);
            Mirror(view, panel);
        }
    }
}

void DrawLoadHistoryNames(SceneView& view, PanelLink& panel, platform::Surface& target,
                          const fem::NodeRecord& node, double maxLength) {
    double len = target.ScaleWidth() / panel.VectorSize;
    if (maxLength > 0.0) len = std::min(len, maxLength);
    for (int j = 0; j < 6; ++j) {
        const double p = node.LoadValue[j];
        if (p == 0.0 || node.BcCode[j] != "pf" || node.History[j].empty()) continue;
        // Just beyond the arrow's far end (its tip for a positive load, its tail for a
        // negative one), clear of the arrow's head.
        Vec3 end = node.Coord;
        end[j % 3] += (p > 0.0 ? 1.0 : -1.0) * 1.15 * len;
        view.AddText(end, node.History[j], j < 3 ? kForceColor : kMomentColor, 9);
    }
}

void DrawSupports(SceneView& view, PanelLink& panel, platform::Surface& target, const Vec3& point,
                  const std::array<std::string, 6>& codes, double maxSize) {
    double m = target.ScaleWidth() / 40.0;
    if (maxSize > 0.0) m = std::min(m, maxSize);
    for (int k = 0; k < 3; ++k) {
        if (codes[k] != "u") continue;
        view.AddMark(3, point, k, m, 1, kFixedTranslationColor);
        Mirror(view, panel);
    }
    for (int k = 0; k < 3; ++k) {
        if (codes[k + 3] != "u") continue;
        view.AddMark(2, point, k, m, 2, kFixedRotationColor);
        Mirror(view, panel);
    }
}

void DrawSpringsAndMass(SceneView& view, PanelLink& panel, platform::Surface& target,
                        const fem::NodeRecord& node, double maxSize) {
    double m = target.ScaleWidth() / 60.0;
    if (maxSize > 0.0) m = std::min(m, maxSize);
    const Vec3& at = node.Coord;
    for (int j = 0; j < 6; ++j) {
        if (!(node.Springs[j] > 0.0)) continue;
        const int axis = j % 3;
        const int across = axis == 0 ? 1 : 0;  // the zigzag swings along this axis
        const double swing = (j < 3 ? 0.25 : 0.4) * m;
        // A straight lead, four zigs, a straight end: 2 m long in all.
        std::vector<Vec3> points;
        const auto point = [&](double along, double aside) {
            Vec3 p = at;
            p[axis] -= along * m;
            p[across] += aside;
            points.push_back(p);
        };
        point(0.4, 0.0);
        for (int z = 0; z < 4; ++z) point(0.5 + 0.3 * z, z % 2 == 0 ? swing : -swing);
        point(1.6, 0.0);
        point(2.0, 0.0);
        view.AddPolyline(at, std::move(points), j < 3 ? kSpringColor : kRotarySpringColor, 1,
                         false);
        Mirror(view, panel);
    }
    if (node.MassWeight > 0.0 || node.RotaryInertia != std::array<double, 3>{}) {
        view.AddDisc(at, -kMassRadius, kMassColor);
        Mirror(view, panel);
    }
}

void DrawDroppedWeight(SceneView& view, const fem::Model& model, PanelLink& panel,
                       platform::Surface& target, double maxLength) {
    const auto& weight = model.Impact();
    if (!weight || weight->Node < 0 || weight->Node >= model.NodeCount()) return;
    // The direction, scaled first so that no square overflows.
    const Vec3& v = weight->Velocity;
    const double largest = std::max({std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])});
    if (!(largest > 0.0) || !std::isfinite(largest)) return;
    const Vec3 u{v[0] / largest, v[1] / largest, v[2] / largest};
    const double size = std::hypot(u[0], u[1], u[2]);
    double len = 2.0 * target.ScaleWidth() / panel.VectorSize;
    if (maxLength > 0.0) len = std::min(len, maxLength);
    const Vec3& at = model.Nodes[static_cast<std::size_t>(weight->Node)].Coord;
    const Vec3 arrow{len * u[0] / size, len * u[1] / size, len * u[2] / size};
    const Vec3 tail{at[0] - arrow[0], at[1] - arrow[1], at[2] - arrow[2]};
    view.AddVector(tail, arrow, kDroppedWeightColor);
    Mirror(view, panel);
    view.AddDisc(tail, -kMassRadius, kDroppedWeightColor);
    Mirror(view, panel);
}

void DrawElements(SceneView& view, const fem::Model& model, PanelLink& panel) {
    // Thick lines would run together into a black block in a large frame.
    const int width = IsLarge(model) ? 1 : panel.ElementPenWidth;
    for (int e = 0; e < model.ElementCount(); ++e) {
        const fem::ElementRecord& el = model.Elements[e];
        const Vec3& a = model.Nodes.at(el.EndNode[0]).Coord;
        const Vec3& b = model.Nodes.at(el.EndNode[1]).Coord;
        view.AddLine(a, b, kElementColor, width);
        Mirror(view, panel);
        view.AddNumber(Midpoint(a, b), ElementLabel(e), kElementNumberColor, 11);
        Mirror(view, panel);
        if (fem::HasReleases(el)) {
            const int before = view.ItemCount();
            DrawReleases(view, model, e);
            // Mirror each circle: CopyCurrentItem copies the item drawn last.
            for (int k = before; k < view.ItemCount(); ++k) {
                view.CurrentItem = k;
                Mirror(view, panel);
            }
        }
        if (panel.ShowElementAxes) DrawElementAxes(view, model, e);
        if (!IsLarge(model) && fem::IsOriented(el.CrossSection.Shape))
            DrawSectionMark(view, model, e);
    }
    if (panel.RefillElementList) panel.RefillElementList(model.ElementCount());
}

namespace {

// The length of the strokes drawn across an element: short at the picture's scale and
// shorter than the element itself.
double StrokeLength(const SceneView& view, const fem::ElementRecord& el) {
    double L = 0.03 * view.Picture().ScaleWidth();
    if (el.Length > 0.0) L = std::min(L, 0.4 * el.Length);
    return L;
}

}  // namespace

double ReleaseOffset(const SceneView& view, const fem::ElementRecord& el) {
    // Clear of the node mark, and within the first quarter of a short member.
    double d = 1.25 * kReleaseRadius * view.Picture().ScaleWidth();
    if (el.Length > 0.0) d = std::min(d, 0.25 * el.Length);
    return d;
}

void DrawReleases(SceneView& view, const fem::Model& model, int e) {
    const fem::ElementRecord& el = model.Elements.at(e);
    const double d = ReleaseOffset(view, el);
    for (int end = 0; end < 2; ++end) {
        bool released = false;
        for (int k = 0; k < 6; ++k) released = released || el.Released[6 * end + k];
        if (!released) continue;
        const Vec3& at = model.Nodes.at(el.EndNode[end]).Coord;
        const double sign = end == 0 ? 1.0 : -1.0;  // towards the other end
        const Vec3 centre{at[0] + sign * d * el.AxisCos[0], at[1] + sign * d * el.AxisCos[1],
                          at[2] + sign * d * el.AxisCos[2]};
        view.AddCircle(centre, -kReleaseRadius, kReleaseColor);
    }
}

void DrawElementAxes(SceneView& view, const fem::Model& model, int e) {
    static constexpr Color kAxisColor[3] = {platform::RGB(255, 0, 0), platform::RGB(0, 128, 0),
                                            platform::RGB(0, 0, 255)};
    const fem::ElementRecord& el = model.Elements.at(e);
    const double L = StrokeLength(view, el);
    const Vec3 M =
        Midpoint(model.Nodes.at(el.EndNode[0]).Coord, model.Nodes.at(el.EndNode[1]).Coord);
    for (int k = 0; k < 3; ++k) {
        // Local axis k in global components: row k of RotMatrix.
        const Vec3 end{M[0] + L * el.RotMatrix[k][0], M[1] + L * el.RotMatrix[k][1],
                       M[2] + L * el.RotMatrix[k][2]};
        view.AddLine(M, end, kAxisColor[k], 1);
        if (k == 1) view.AddText(end, "y", kAxisColor[1], 8);
    }
}

double StaticMagnification(const fem::Model& model,
                           const std::vector<std::array<double, 6>>& displacements) {
    double extent = 0.0;
    for (int k = 0; k < 3 && !model.Nodes.empty(); ++k) {
        double low = model.Nodes[0].Coord[k], high = low;
        for (const fem::NodeRecord& n : model.Nodes) {
            low = std::min(low, n.Coord[k]);
            high = std::max(high, n.Coord[k]);
        }
        extent = std::max(extent, high - low);
    }
    double largest = 0.0;
    for (const auto& u : displacements)
        largest = std::max(largest, std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]));
    // DefaultMagnification draws it as a fifth of the size it is given.
    return DefaultMagnification(largest, 0.5 * extent);
}

void DrawSectionMark(SceneView& view, const fem::Model& model, int e) {
    const fem::ElementRecord& el = model.Elements.at(e);
    const fem::Section& s = el.CrossSection;
    const double L = StrokeLength(view, el);
    const Vec3 M =
        Midpoint(model.Nodes.at(el.EndNode[0]).Coord, model.Nodes.at(el.EndNode[1]).Coord);
    const Mat3& R = el.RotMatrix;
    // A point of the section plane, y along local y and z along local z.
    const auto at = [&](double y, double z) {
        return Vec3{M[0] + y * R[1][0] + z * R[2][0], M[1] + y * R[1][1] + z * R[2][1],
                    M[2] + y * R[1][2] + z * R[2][2]};
    };
    const auto line = [&](double y0, double z0, double y1, double z1) {
        view.AddLine(at(y0, z0), at(y1, z1), kSectionColor, 1);
    };
    const auto outline = [&](double b, double h) {
        line(-b / 2, -h / 2, b / 2, -h / 2);
        line(b / 2, -h / 2, b / 2, h / 2);
        line(b / 2, h / 2, -b / 2, h / 2);
        line(-b / 2, h / 2, -b / 2, -h / 2);
    };
    // Model units per section unit (a general section has no width or height).
    const double size = std::max(s.Width, s.Height);
    const double k = size > 0.0 ? L / size : 0.0;
    const double b = k * s.Width, h = k * s.Height;
    switch (s.Shape) {
        case fem::SectionShape::Rectangle:
            outline(b, h);
            break;
        case fem::SectionShape::Box:
            outline(b, h);
            outline(b - 2 * k * s.Thickness, h - 2 * k * s.Thickness);
            break;
        case fem::SectionShape::I:
            line(-b / 2, -h / 2, b / 2, -h / 2);
            line(-b / 2, h / 2, b / 2, h / 2);
            line(0, -h / 2, 0, h / 2);
            break;
        case fem::SectionShape::General:
            line(0, 0, 0, L);
            break;
        default:
            break;
    }
}

void DrawDeformationSimple(SceneView& view, const fem::Model& model,
                           const std::vector<std::array<double, 6>>& displacements,
                           double magnification) {
    DrawDisplacedStructure(view, model, displacements, magnification, false);
}

Deflection ElementDeflection(const fem::ElementRecord& e, const std::array<double, 12>& s) {
    const double L = e.Length;
    if (L == 0.0)
        throw numeric::ComputationFailure(numeric::kDivisionByZero, "element of zero length");
    // Cubic through values and slopes at both ends.
    auto cubic = [L](double v1, double p1, double v2, double p2, std::array<double, 4>& k) {
        k[0] = v1;
        k[1] = p1;
        k[2] = -3 * v1 / (L * L) - 2 * p1 / L + 3 * v2 / (L * L) - p2 / L;
        k[3] = 2 * v1 / (L * L * L) + p1 / (L * L) - 2 * v2 / (L * L * L) + p2 / (L * L);
    };
    Deflection d;
    d.a = {s[0], (s[6] - s[0]) / L};
    cubic(s[1], s[5], s[7], s[11], d.b);    // v' = theta z
    cubic(s[2], -s[4], s[8], -s[10], d.c);  // w' = -theta y
    return d;
}

namespace {

// The element as a curve of 20 segments bent by the deflection d, magnified.
void DrawBentElement(SceneView& view, const fem::Model& model, const fem::ElementRecord& el,
                     const Deflection& d, double magnification, Color color = kDeformationColor,
                     int width = 1) {
    constexpr int kSegments = 20;
    const double h = el.Length / kSegments;
    const Vec3& N = model.Nodes.at(el.EndNode[0]).Coord;
    const Mat3& R = el.RotMatrix;
    for (int j = 0; j <= kSegments; ++j) {
        const double x = j * h;
        const double local[3] = {d.a[0] + d.a[1] * x,
                                 d.b[0] + x * (d.b[1] + x * (d.b[2] + x * d.b[3])),
                                 d.c[0] + x * (d.c[1] + x * (d.c[2] + x * d.c[3]))};
        Vec3 P;
        for (int i = 0; i < 3; ++i) {
            // RotMatrixT * local: global components of the local displacement.
            const double g = el.RotMatrixT[i][0] * local[0] + el.RotMatrixT[i][1] * local[1] +
                             el.RotMatrixT[i][2] * local[2];
            P[i] = N[i] + x * R[0][i] + magnification * g;
        }
        if (j == 0) {
            view.AddDot(P);
        } else {
            view.AddLineTo(P, color, width);
        }
    }
}

// Where a member is released its end does not turn (or move) with the node: its own end
// values come from the member's static condensation, u_r = -k_rr^-1 k_rc u_c. A member
// whose releases leave it unstable keeps the node's values.
void UseOwnReleasedEnds(const fem::ElementRecord& el, std::array<double, 12>& local) {
    fem::ElementWork work;
    numeric::RealMatrix stiffness(12, 12);
    try {
        fem::ElemStiffStat(el, work, stiffness);
    } catch (const numeric::ComputationFailure&) {
        return;
    }
    std::array<double, 12> own = local;
    for (int c = 0; c < 12; ++c) {
        if (!el.Released[static_cast<std::size_t>(c)]) continue;
        own[c] = 0.0;
        for (int j = 0; j < 12; ++j) own[c] += work.realRecovery(c, j) * local[j];
    }
    local = own;
}

}  // namespace

void DrawDisplacedStructure(SceneView& view, const fem::Model& model,
                            const std::vector<std::array<double, 6>>& displacements,
                            double magnification, bool detailed, Color color, int width) {
    const auto& u = displacements;
    for (const fem::ElementRecord& el : model.Elements) {
        const int n0 = el.EndNode[0];
        const int n1 = el.EndNode[1];
        if (n0 < 0 || n1 < 0 || static_cast<std::size_t>(std::max(n0, n1)) >= u.size()) continue;
        if (!detailed) {
            Vec3 ends[2];
            for (int k = 0; k < 3; ++k) {
                ends[0][k] = model.Nodes.at(n0).Coord[k] + magnification * u[n0][k];
                ends[1][k] = model.Nodes.at(n1).Coord[k] + magnification * u[n1][k];
            }
            view.AddLine(ends[0], ends[1], color, width);
            continue;
        }
        // End displacements in element axes: RotMatrix times each global triple.
        std::array<double, 12> local{};
        for (int t = 0; t < 4; ++t) {
            const std::array<double, 6>& g = u[t < 2 ? n0 : n1];
            const int o = 3 * (t % 2);
            for (int i = 0; i < 3; ++i)
                local[3 * t + i] = el.RotMatrix[i][0] * g[o] + el.RotMatrix[i][1] * g[o + 1] +
                                   el.RotMatrix[i][2] * g[o + 2];
        }
        if (fem::HasReleases(el)) UseOwnReleasedEnds(el, local);
        DrawBentElement(view, model, el, ElementDeflection(el, local), magnification, color, width);
    }
}

void DrawDeformation(SceneView& view, const fem::Model& model,
                     const std::vector<std::array<double, 6>>& displacements,
                     double magnification) {
    DrawDisplacedStructure(view, model, displacements, magnification, true);
}

void ShowNewStructure(SceneView& view, const fem::Model& model, PanelLink& panel) {
    // The default view is set up for this structure: its units follow its size.
    std::vector<Vec3> points;
    for (const fem::NodeRecord& n : model.Nodes) points.push_back(n.Coord);
    view.SetStructure(std::move(points));
    view.ForgetNumbersChoice();
    view.SetDefaultView();
    DrawStructure(view, model, panel);
    if (panel.ShowViewWindow) panel.ShowViewWindow();
    if (!panel.StaticDisplacements || model.ElementCount() < 1) return;
    if (panel.DeformationMode == 0) {
        DrawDeformation(view, model, *panel.StaticDisplacements, panel.Magnification);
    } else if (panel.DeformationMode == 1) {
        DrawDeformationSimple(view, model, *panel.StaticDisplacements, panel.Magnification);
    }
}

}  // namespace view3d
