#include "results/graphcore.h"

#include "analysis/statics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "model/model.h"
#include "numeric/numbertext.h"

namespace results {

using platform::RGB;

std::string FormatSingle(double value) {
    const float f = static_cast<float>(value);
    if (f == 0.0f) return "0";  // also for -0
    return numeric::FormatGeneral(static_cast<double>(f), 7);
}

std::string FormatDouble(double value) {
    if (value == 0.0) return "0";
    return numeric::FormatGeneral(value, 15);
}

float TruncateTwoDigits(double x) {
    if (!(x > 0.0) || !std::isfinite(x)) return static_cast<float>(x);
    // The decimal digits and the exponent are taken from the value written with
    // fifteen significant digits rather than from log10 and a division: those
    // misjudge exact powers of ten (log10(1000) may come out as 2.9999...) and cut
    // exact two-digit values such as 0.3 down to 0.29.
    char buf[40];
    const std::to_chars_result written =
        std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    *written.ptr = '\0';  // d.dddddddddddddde+XX
    const int first = buf[0] - '0';
    const int second = buf[2] - '0';
    const char* e = std::strchr(buf, 'e');
    int exponent = 0;
    if (e) std::from_chars(e + (e[1] == '+' ? 2 : 1), written.ptr, exponent);
    const double digits = 10.0 * first + second;  // 10..99
    const int shift = exponent - 1;               // result = digits * 10^shift
    const double r = shift >= 0 ? digits * std::pow(10.0, shift) : digits / std::pow(10.0, -shift);
    return static_cast<float>(r);
}

PenTable::PenTable(platform::Color plotBack) {
    struct Default {
        platform::Color curve, labelText;
        const char* title;
        const char* displacementTitle;
    };
    const Default defaults[kComponentCount] = {
        {RGB(255, 0, 0), RGB(255, 255, 255), "Fx=", "Ｕx="},
        {RGB(0, 255, 0), RGB(0, 0, 0), "Fy=", "Ｕy="},
        {RGB(255, 255, 0), RGB(0, 0, 0), "Fz=", "Ｕz="},
        {RGB(0, 0, 255), RGB(255, 255, 255), "Mx=", "θx="},
        {RGB(255, 0, 255), RGB(255, 255, 255), "My=", "θy="},
        {RGB(0, 255, 255), RGB(0, 0, 0), "Mz=", "θz="},
        {RGB(128, 0, 0), RGB(255, 255, 255), "Fx=", "Ｕx="},
        {RGB(0, 128, 0), RGB(255, 255, 255), "Fy=", "Ｕy="},
        {RGB(128, 128, 0), RGB(255, 255, 255), "Fz=", "Ｕz="},
        {RGB(0, 0, 128), RGB(255, 255, 255), "Mx=", "θx="},
        {RGB(128, 0, 128), RGB(255, 255, 255), "My=", "θy="},
        {RGB(0, 128, 128), RGB(255, 255, 255), "Mz=", "θz="},
    };
    for (int c = 0; c < kComponentCount; ++c) {
        GraphPen& p = pens_[c];
        p.CurveColor = defaults[c].curve;
        p.LabelTextColor = defaults[c].labelText;
        p.Title = defaults[c].title;
        p.DisplacementTitle = defaults[c].displacementTitle;
    }
    GraphPen& rel = pens_[kRelativePen];
    rel.CurveColor = plotBack;
    rel.LabelTextColor = RGB(0, 0, 0);
    rel.Title = "   y=";
    rel.DisplacementTitle = "";
    rel.Scale = 1.0f;
}

void PenTable::SetTitles(GraphKind kind) {
    static const char* const kForceTitles[6] = {"Fx=", "Fy=", "Fz=", "Mx=", "My=", "Mz="};
    static const char* const kDisplacementTitles[6] = {"ux=", "uy=", "uz=", "θx=", "θy=", "θz="};
    const char* const* titles =
        kind == GraphKind::ElementForces ? kForceTitles : kDisplacementTitles;
    for (int c = 0; c < kComponentCount; ++c) pens_[static_cast<size_t>(c)].Title = titles[c % 6];
}

GraphPen& PenTable::operator[](int i) {
    if (i < 0 || i >= kPenCount) throw std::out_of_range("pen index " + std::to_string(i));
    return pens_[static_cast<std::size_t>(i)];
}

const GraphPen& PenTable::operator[](int i) const {
    if (i < 0 || i >= kPenCount) throw std::out_of_range("pen index " + std::to_string(i));
    return pens_[static_cast<std::size_t>(i)];
}

std::string PenTable::ScaleCaption(int i) const {
    const GraphPen& p = (*this)[i];
    return p.Title + FormatSingle(p.Negated ? -p.Scale : p.Scale) +
           (p.BelowError ? " 誤差以下" : "");
}

float PenTable::LargestForceScale() const {
    float f = 0.0f;
    for (int c : {0, 1, 2, 6, 7, 8}) f = std::max(f, pens_[static_cast<std::size_t>(c)].Scale);
    return f;
}

float MaxAbsValue(const numeric::RealMatrix& history, int n, int c) {
    double m = 0.0;
    if (c >= 0 && c < history.Rows()) {
        const int count = std::min(n, history.Cols());
        const double* row = history.Row(c);
        for (int i = 0; i < count; ++i) m = std::max(m, std::fabs(row[i]));
    }
    if (!(m >= 1e-10)) m = 1.0;
    return TruncateTwoDigits(m);
}

int ShownPointsFor(double rightEnd, int nw) {
    // The factor is read as a single and the product formed in single precision.
    const float p = static_cast<float>(rightEnd) * static_cast<float>(nw);
    const long n = std::lrint(p);  // nearest, halves to even
    return static_cast<int>(std::clamp<long>(n, 0, std::max(nw, 0)));
}

int SearchLengthFor(int shownPoints, int nw) {
    if (0.99 * nw >= shownPoints) return shownPoints;
    return static_cast<int>(std::lrint(0.8 * shownPoints));
}

int GroupOf(GraphKind, int component) {
    return (component % 6) < 3 ? 0 : 1;
}

std::string GroupUnit(GraphKind kind, int group) {
    if (kind == GraphKind::ElementForces) return group == 0 ? "kgf" : "kgf·mm";
    return group == 0 ? "mm" : "rad";
}

int GroupLead(int group) {
    return group == 0 ? 0 : 3;
}

double CommonScales::Of(GraphKind kind, int group) const {
    if (kind == GraphKind::ElementForces) return group == 0 ? Force : Moment;
    return group == 0 ? Translation : Rotation;
}

CommonScales StaticCommonScales(const fem::StaticSolution* statics) {
    CommonScales common;
    if (!statics || !statics->Complete()) return common;
    for (const fem::StaticElementResult& r : statics->Elements)
        for (int c = 0; c < 12; ++c) {
            double& largest = (c % 6) < 3 ? common.Force : common.Moment;
            largest = std::max({largest, std::fabs(r.EndForceLocal[static_cast<std::size_t>(c)]),
                                std::fabs(r.EndForceGlobal[static_cast<std::size_t>(c)])});
        }
    for (const auto& u : statics->NodeDisp)
        for (int c = 0; c < 6; ++c) {
            double& largest = c < 3 ? common.Translation : common.Rotation;
            largest = std::max(largest, std::fabs(u[static_cast<std::size_t>(c)]));
        }
    for (double* v : {&common.Force, &common.Moment, &common.Translation, &common.Rotation})
        *v = std::isfinite(*v) ? 2.0 * *v : 0.0;
    return common;
}

int ComputeScales(const numeric::RealMatrix& history, int nw, double rightEnd, PenTable& pens,
                  GraphKind kind, const std::vector<double>& relativeErrors,
                  const CommonScales& common) {
    const int shown = ShownPointsFor(rightEnd, nw);
    const int n = std::min(SearchLengthFor(shown, nw), history.Cols());
    const int count = ComponentCount(kind);
    double peak[kComponentCount] = {};
    for (int c = 0; c < kComponentCount; ++c) {
        if (c < history.Rows())
            for (int i = 0; i < n; ++i) peak[c] = std::max(peak[c], std::fabs(history(c, i)));
        // A relative error of 1 or more: the peak lies below the estimated error.
        pens[c].BelowError = c < count && c < static_cast<int>(relativeErrors.size()) &&
                             relativeErrors[static_cast<std::size_t>(c)] >= 1.0;
    }
    for (int group = 0; group < 2; ++group) {
        double genuine = 0.0, any = 0.0;
        for (int c = 0; c < kComponentCount; ++c) {
            if (GroupOf(kind, c) != group || (c >= count && kind == GraphKind::NodeDisplacements))
                continue;
            any = std::max(any, peak[c]);
            if (!pens[c].BelowError) genuine = std::max(genuine, peak[c]);
        }
        double largest = genuine;
        if (!(genuine >= 1e-10)) {
            const double kindScale = common.Of(kind, group);
            largest = kindScale > 0.0 ? kindScale : any;
        }
        const float scale = largest >= 1e-10 ? TruncateTwoDigits(largest) : 1.0f;
        for (int c = 0; c < kComponentCount; ++c)
            if (GroupOf(kind, c) == group) pens[c].Scale = scale;
    }
    return shown;
}

bool GrowsTowardsEnd(const numeric::RealMatrix& history, int n, int count) {
    n = std::min(n, history.Cols());
    const int split = n - n / 4;
    if (split <= 0 || split >= n) return false;
    for (int c = 0; c < std::min(count, history.Rows()); ++c) {
        double early = 0.0, late = 0.0;
        for (int i = 0; i < split; ++i) early = std::max(early, std::fabs(history(c, i)));
        for (int i = split; i < n; ++i) late = std::max(late, std::fabs(history(c, i)));
        if (late > 1e-10 && late > 2.0 * early) return true;
    }
    return false;
}

namespace {

// The static results of an element and the displacements of a node, 0 where statics
// holds none.
const fem::StaticElementResult& ElementStatics(const fem::StaticSolution* statics, int element) {
    static const fem::StaticElementResult kNone{};
    if (!statics || element >= static_cast<int>(statics->Elements.size())) return kNone;
    return statics->Elements[static_cast<std::size_t>(element)];
}
const std::array<double, 6>& NodeStatics(const fem::StaticSolution* statics, int node) {
    static const std::array<double, 6> kNone{};
    if (!statics || node >= static_cast<int>(statics->NodeDisp.size())) return kNone;
    return statics->NodeDisp[static_cast<std::size_t>(node)];
}

// The largest static values of each kind in the structure, below 1E-9 of which a value of
// the lists is rounding: element end forces and moments (kgf, kgf mm), node translations
// and rotations.
struct StaticSizes {
    double force = 0.0, moment = 0.0, translation = 0.0, rotation = 0.0;
};
StaticSizes SizesOf(const fem::StaticSolution* statics) {
    StaticSizes z;
    if (!statics) return z;
    for (const fem::StaticElementResult& r : statics->Elements)
        for (int c = 0; c < 12; ++c) {
            double& v = (c % 6) < 3 ? z.force : z.moment;
            v = std::max({v, std::fabs(r.EndForceGlobal[static_cast<std::size_t>(c)]),
                          std::fabs(r.EndForceLocal[static_cast<std::size_t>(c)])});
        }
    for (const auto& u : statics->NodeDisp)
        for (int c = 0; c < 6; ++c) {
            double& v = c < 3 ? z.translation : z.rotation;
            v = std::max(v, std::fabs(u[static_cast<std::size_t>(c)]));
        }
    return z;
}
std::string ListValue(double v, double largest) {
    return FormatSingle(std::fabs(v) < 1e-9 * largest ? 0.0 : v);
}

}  // namespace

StaticLists MakeStaticLists(const fem::Model& model, const fem::StaticSolution* statics,
                            int element, bool global, const PenTable& pens) {
    const fem::ElementRecord& e = model.Elements.at(static_cast<std::size_t>(element));
    model.Nodes.at(static_cast<std::size_t>(e.EndNode[0]));
    model.Nodes.at(static_cast<std::size_t>(e.EndNode[1]));
    const fem::StaticElementResult& r = ElementStatics(statics, element);
    const std::array<double, 6>& a = NodeStatics(statics, e.EndNode[0]);
    const std::array<double, 6>& b = NodeStatics(statics, e.EndNode[1]);
    StaticLists s;
    s.ElementCaption = "要素番号 " + std::to_string(element);
    s.NodeCaption[0] = "　節点 " + std::to_string(e.EndNode[0]);
    s.NodeCaption[1] = "　節点 " + std::to_string(e.EndNode[1]);
    s.SystemCaption = global ? "［全体座標系］" : "［要素座標系］";
    s.DisplacementHeading = global ? "静的節点変位" : "要素の変形";
    const auto& force = global ? r.EndForceGlobal : r.EndForceLocal;
    const StaticSizes z = SizesOf(statics);
    const auto forceValue = [&](int c) {
        return ListValue(force[static_cast<std::size_t>(c)], (c % 6) < 3 ? z.force : z.moment);
    };
    const auto displacementValue = [&](int c, double d) {
        return ListValue(d, (c % 6) < 3 ? z.translation : z.rotation);
    };

    s.Forces.push_back(s.NodeCaption[0]);
    if (global) s.Displacements.push_back(s.NodeCaption[0]);
    for (int c = 0; c < 6; ++c) {
        s.Forces.push_back(pens[c].Title + forceValue(c));
        // In element components the second list holds the second end's
        // displacement relative to the first: the element's deformation.
        const double d = global ? a[c] : r.EndDispLocal[c + 6] - r.EndDispLocal[c];
        s.Displacements.push_back(pens[c].DisplacementTitle + displacementValue(c, d));
    }
    s.Forces.push_back(s.NodeCaption[1]);
    if (global) s.Displacements.push_back(s.NodeCaption[1]);
    for (int c = 6; c < 12; ++c) {
        s.Forces.push_back(pens[c].Title + forceValue(c));
        if (global)
            s.Displacements.push_back(pens[c].DisplacementTitle + displacementValue(c, b[c - 6]));
    }
    return s;
}

StaticLists MakeNodeStaticLists(const fem::Model& model, const fem::StaticSolution* statics,
                                int node, const PenTable& pens) {
    model.Nodes.at(static_cast<std::size_t>(node));
    const std::array<double, 6>& n = NodeStatics(statics, node);
    // The node's static force: what its elements' ends take from it.
    double force[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < model.ElementCount(); ++i) {
        const fem::ElementRecord& e = model.Elements[static_cast<std::size_t>(i)];
        for (int side = 0; side < 2; ++side) {
            if (e.EndNode[static_cast<std::size_t>(side)] != node) continue;
            const fem::StaticElementResult& r = ElementStatics(statics, i);
            for (int c = 0; c < 6; ++c)
                force[c] += r.EndForceGlobal[static_cast<std::size_t>(6 * side + c)];
        }
    }
    static const char* const kForceTitles[6] = {"Fx=", "Fy=", "Fz=", "Mx=", "My=", "Mz="};
    StaticLists s;
    s.ElementCaption = "節点番号 " + std::to_string(node);
    s.NodeCaption[0] = "　節点 " + std::to_string(node);
    s.SystemCaption = "［全体座標系］";
    s.DisplacementHeading = "静的節点変位";
    s.Forces.push_back(s.NodeCaption[0]);
    s.Displacements.push_back(s.NodeCaption[0]);
    const StaticSizes z = SizesOf(statics);
    for (int c = 0; c < 6; ++c) {
        s.Forces.push_back(kForceTitles[c] + ListValue(force[c], c < 3 ? z.force : z.moment));
        s.Displacements.push_back(pens[c].Title +
                                  ListValue(n[c], c < 3 ? z.translation : z.rotation));
    }
    return s;
}

std::vector<double> RelativeErrors(const numeric::RealMatrix& history,
                                   const numeric::RealMatrix& errors, int n) {
    const int rows = std::min(history.Rows(), errors.Rows());
    const int count = std::max(0, std::min({n, history.Cols(), errors.Cols()}));
    std::vector<double> relative(static_cast<std::size_t>(std::max(rows, 0)), -1.0);
    for (int c = 0; c < rows; ++c) {
        double peak = 0.0;
        double error = 0.0;
        for (int j = 0; j < count; ++j) {
            peak = std::max(peak, std::fabs(history(c, j)));
            error = std::max(error, std::fabs(errors(c, j)));
        }
        if (peak > 0.0) relative[static_cast<std::size_t>(c)] = error / peak;
    }
    return relative;
}

std::vector<std::string> ErrorListLines(const StaticLists& lists,
                                        const std::vector<double>& relative, const PenTable& pens) {
    // An element's list is headed by each end's node, a node's by the node, as the
    // static end forces are.
    const bool element = !lists.NodeCaption[1].empty();
    const int count = element ? 12 : 6;
    std::vector<std::string> lines;
    for (int c = 0; c < count; ++c) {
        if (c % 6 == 0) lines.push_back(lists.NodeCaption[c / 6]);
        const double r =
            c < static_cast<int>(relative.size()) ? relative[static_cast<std::size_t>(c)] : -1.0;
        lines.push_back(pens[c].Title + (r < 0.0 ? std::string("-") : FormatSingle(r)));
    }
    return lines;
}

std::string GraphTitle(const StaticLists& lists, double te) {
    std::string title = lists.ElementCaption;
    // An element's graph names its two nodes; a node's graph is captioned by the node.
    if (!lists.NodeCaption[1].empty()) title += lists.NodeCaption[0] + lists.NodeCaption[1];
    return title + "　" + lists.SystemCaption + "　Te=" + FormatDouble(te) + " s";
}

void SetPlotScale(platform::Surface& surface, const PlotArea& area) {
    const PlotMargins& m = area.Margins;
    const double dataWidth = std::max(1, area.Width - m.Left - m.Right);
    const double dataHeight = std::max(1, area.Height - m.Top - m.Bottom);
    const double perPixelX = (area.Right - area.Left) / dataWidth;
    const double perPixelY = 2.0 * kPlotTop / dataHeight;
    surface.SetScale(area.Left - m.Left * perPixelX, kPlotTop + m.Top * perPixelY,
                     area.Width * perPixelX, -area.Height * perPixelY);
}

double NiceStep(double x) {
    if (!(x > 0.0) || !std::isfinite(x)) return 1.0;
    const double decade = std::pow(10.0, std::floor(std::log10(x)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * decade <= x * (1.0 + 1e-12)) return step * decade;
    return decade;
}

namespace {

// A tick value: its digits without the rounding of i * step.
std::string TickText(double value, double step) {
    if (std::fabs(value) < 1e-9 * step) return "0";
    return numeric::FormatGeneral(value, 4);
}

}  // namespace

void DrawAxes(platform::Surface& surface, const PlotArea& area, GraphKind kind,
              const PenTable& pens, double te) {
    const PlotMargins& m = area.Margins;
    const double dataWidth = std::max(1, area.Width - m.Left - m.Right);
    const double dataHeight = std::max(1, area.Height - m.Top - m.Bottom);
    const double px = (area.Right - area.Left) / dataWidth;  // one pixel along x
    const double py = 2.0 * kPlotTop / dataHeight;           // and along y
    const double left = area.Left, right = area.Right;
    const platform::Color black = RGB(0, 0, 0);
    const platform::Color grey = RGB(160, 160, 160);
    surface.SetDrawWidth(1);
    surface.SetForeColor(black);
    const double line = surface.TextHeight("0");
    // Text placed with its top-left corner at (x, y); aligned right of x when right.
    auto text = [&](double x, double y, const std::string& t, bool alignRight) {
        surface.SetCurrentX(alignRight ? x - surface.TextWidth(t) : x);
        surface.SetCurrentY(y);
        surface.Print(t);
    };

    // The zero line and the frame of the data area.
    surface.Line(left, 0.0, right, 0.0, grey);
    surface.Line(left, kPlotTop, right, kPlotTop, black);
    surface.Line(right, kPlotTop, right, -kPlotTop, black);
    surface.Line(right, -kPlotTop, left, -kPlotTop, black);
    surface.Line(left, -kPlotTop, left, kPlotTop, black);

    // The time axis in ms below 1 s, else in s.
    const bool ms = te < 1.0;
    const double unit = ms ? 1000.0 : 1.0;
    const double t0 = left * te * unit, t1 = right * te * unit;
    if (te > 0.0 && t1 > t0) {
        const double step = NiceStep((t1 - t0) / 5.0);
        for (double k = std::ceil(t0 / step - 1e-9); k * step <= t1 * (1.0 + 1e-12); k += 1.0) {
            const double x = k * step / (te * unit);
            surface.Line(x, -kPlotTop, x, -kPlotTop + 5 * py, black);
            const std::string label = TickText(k * step, step);
            text(x - 0.5 * surface.TextWidth(label), -kPlotTop - 3 * py, label, false);
        }
        const std::string caption = ms ? "t [ms]" : "t [s]";
        text(right, -kPlotTop - 3 * py - std::fabs(line), caption, true);
    }

    // The value axes of the two groups at the scales of their lead pens.
    for (int group = 0; group < 2; ++group) {
        const double scale = pens[GroupLead(group)].Scale;
        if (!(scale > 0.0) || !std::isfinite(scale)) continue;
        const double step = NiceStep(kPlotTop * scale / 2.5);
        const double x = group == 0 ? left : right;
        const double tick = (group == 0 ? 5 : -5) * px;
        for (double k = -std::floor(kPlotTop * scale / step); k * step <= kPlotTop * scale;
             k += 1.0) {
            const double y = k * step / scale;
            surface.Line(x, y, x + tick, y, black);
            const std::string label = TickText(k * step, step);
            if (group == 0)
                text(x - 4 * px, y + 0.5 * std::fabs(line), label, true);
            else
                text(x + 4 * px, y + 0.5 * std::fabs(line), label, false);
        }
        const std::string caption = GroupUnit(kind, group);
        if (group == 0)
            text(x - 4 * px, kPlotTop + 2 * py + std::fabs(line), caption, true);
        else
            text(x + 4 * px, kPlotTop + 2 * py + std::fabs(line), caption, false);
    }

    // Every step load starts at Te/10.
    if (kLoadStart >= left && kLoadStart <= right) {
        for (double y = -kPlotTop; y < kPlotTop; y += 8 * py)
            surface.Line(kLoadStart, y, kLoadStart, std::min(y + 4 * py, kPlotTop), grey);
        text(kLoadStart + 3 * px, kPlotTop - 2 * py, "荷重開始", false);
    }
}

std::string ReadoutText(double x, double y, double te, const GraphPen& pen) {
    // Time is quantised to a thousandth of Te (a 16-bit count of thousandths).
    const double q = std::clamp(std::nearbyint(x * 1000.0), -32768.0, 32767.0);
    const double t = q * te / 1000.0;
    const float value = pen.Scale * static_cast<float>(y);
    return "　t=" + FormatDouble(t) + "\n" + pen.Title + FormatSingle(value);
}

void DrawComponents(platform::Surface& surface, const numeric::RealMatrix& history, int nw,
                    int shownPoints, const PenTable& pens, int first, int last,
                    const CurveSink& sink) {
    if (first < 0 || last >= kComponentCount || first > last)
        throw std::out_of_range("component range");
    if (nw <= 0) return;
    const int n = std::max(0, std::min(shownPoints, history.Cols()));
    std::vector<double> xs(static_cast<std::size_t>(n));
    std::vector<double> ys(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) xs[static_cast<std::size_t>(i)] = static_cast<double>(i) / nw;
    for (int c = first; c <= last && c < history.Rows(); ++c) {
        const GraphPen& pen = pens[c];
        const double s = pen.Negated ? -static_cast<double>(pen.Scale) : pen.Scale;
        const double* row = history.Row(c);
        // A curve beyond its scale runs along the edge of the data area.
        for (int i = 0; i < n; ++i)
            ys[static_cast<std::size_t>(i)] = std::clamp(row[i] / s, -kPlotTop, kPlotTop);
        surface.SetDrawWidth(pen.DotWidth);
        if (sink) {
            sink(xs.data(), ys.data(), n, pen.CurveColor);
        } else {
            for (int i = 1; i < n; ++i)
                surface.Line(xs[i - 1], ys[i - 1], xs[i], ys[i], pen.CurveColor);
        }
    }
}

}  // namespace results
