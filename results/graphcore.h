#pragma once
// Qt-free part of the result graphs: number text, scale computation, pens, the
// static lists beside the plot, the readout text and the drawing of the histories
// onto a platform::Surface.
//
// A graph shows an element's end forces or a node's displacements (GraphKind).
// Component order of end forces, c = 0..11: Fx, Fy, Fz, Mx, My, Mz at the element's
// first node, then the same six at its second node; of displacements, c = 0..5: ux,
// uy, uz, θx, θy, θz. Pen 12 is the relative-value pen.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "numeric/gauss.h"
#include "platform/surface.h"
#include "results/historytable.h"

namespace fem {
class Model;
struct StaticSolution;
}  // namespace fem

namespace results {

inline constexpr int kComponentCount = 12;
inline constexpr int kPenCount = 13;
inline constexpr int kRelativePen = 12;

// Plot coordinates: the data area spans y from -kPlotTop (bottom) to kPlotTop (top) in
// units of each curve's scale (a curve reaches at most 1.1 of its scale), x from the
// left to the right end of the time axis in fractions of Te.
inline constexpr double kPlotTop = 1.2;
// Where the step loads start: every step load starts at t = Te/10.
inline constexpr double kLoadStart = 0.1;

// A value converted to single precision, in general format with up to seven
// significant digits: 1.234568E+07, 3.333333E-21, 0.045, 1200.
std::string FormatSingle(double value);
// A double in general format with up to fifteen significant digits (times).
std::string FormatDouble(double value);

// Cuts x > 0 down (never up) to two significant digits: 1234 -> 1200,
// 0.0456 -> 0.045, 999.9 -> 990. Returns x unchanged when it is not a positive
// finite number.
float TruncateTwoDigits(double x);

struct GraphPen {
    platform::Color CurveColor = 0;      // also the back colour of the scale label
    platform::Color LabelTextColor = 0;  // text colour of the scale label
    int DotWidth = 2;                    // 1..3
    std::string Title;                   // before the scale, in the force list and the readout
    std::string DisplacementTitle;       // in the displacement list
    bool Negated = false;                // curve drawn with the opposite sign
    float Scale = 1.0f;                  // actual value = graph y value * Scale
    // Its peak lies below its estimated aliasing error: it is drawn at the common scale
    // of its kind and its caption says "誤差以下".
    bool BelowError = false;
};

// The thirteen pens with index checking: an index outside 0..12 throws
// std::out_of_range.
class PenTable {
  public:
    // Default pens; pen 12 takes the plot's back colour.
    explicit PenTable(platform::Color plotBack = platform::RGB(255, 255, 255));

    // Titles of the components of a kind of graph ("Fx=" .. "Mz=" or "ux=" .. "θz=");
    // colours, widths, signs and scales stay.
    void SetTitles(GraphKind kind);

    GraphPen& operator[](int i);
    const GraphPen& operator[](int i) const;

    // Caption of a scale label: title and scale, the scale negated when Negated, and
    // " 誤差以下" for a curve below its estimated error.
    [[nodiscard]] std::string ScaleCaption(int i) const;
    // Largest scale of the six force components 0, 1, 2, 6, 7, 8.
    [[nodiscard]] float LargestForceScale() const;

  private:
    std::array<GraphPen, kPenCount> pens_;
};

// Largest |history(c, i)| for i = 0..n-1, cut to two digits; 1 when below 1E-10.
float MaxAbsValue(const numeric::RealMatrix& history, int n, int c);

// Number of points drawn for the right end of the time axis (a fraction of Te):
// the nearest integer to rightEnd * nw, halves to even.
int ShownPointsFor(double rightEnd, int nw);
// Number of leading points searched for the scales: all shown points, or 80 % of
// them when the shown range reaches into the last percent of the span.
int SearchLengthFor(int shownPoints, int nw);

// The two groups of curves of a graph, each with a value axis of its own (group 0 on the
// left, 1 on the right) and one scale: an element's six forces (kgf) and six moments
// (kgf·mm), a node's three translations (mm) and three rotations (rad).
int GroupOf(GraphKind kind, int component);
// "kgf", "kgf·mm", "mm", "rad".
std::string GroupUnit(GraphKind kind, int group);
// The pen whose scale the group's axis shows: the group's first component.
int GroupLead(int group);

// The common scale of each kind of value in the structure (0: not known), at which a curve
// whose peak lies below its estimated error is drawn.
struct CommonScales {
    double Force = 0.0;        // kgf
    double Moment = 0.0;       // kgf·mm
    double Translation = 0.0;  // mm
    double Rotation = 0.0;     // rad
    [[nodiscard]] double Of(GraphKind kind, int group) const;
};
// Twice the largest static end force, end moment, translation and rotation of the
// structure (a step load's response reaches up to about twice its static value); all 0
// without a complete static solution.
CommonScales StaticCommonScales(const fem::StaticSolution* statics);

// Sets the scales of the components from the histories (component x point) and returns
// the number of shown points. Each group shares one scale: the largest value of its
// curves, cut to two digits. relativeErrors (RelativeErrors, empty without the aliasing
// correction) marks the curves whose peak lies below their estimated error (BelowError):
// they take no part in their group's scale, and a group of nothing else is drawn at the
// common scale of its kind (else at its own). A group whose values all stay below 1E-10
// gets 1.
int ComputeScales(const numeric::RealMatrix& history, int nw, double rightEnd, PenTable& pens,
                  GraphKind kind = GraphKind::ElementForces,
                  const std::vector<double>& relativeErrors = {}, const CommonScales& common = {});

// Whether a curve of the first count components grows towards the end of the first n
// points as an aliased image does: its largest value over the last quarter is more than
// twice that over the rest (and above 1E-10).
bool GrowsTowardsEnd(const numeric::RealMatrix& history, int n, int count);

// Room around the plot's data area for the values of the axes, pixels.
struct PlotMargins {
    int Left = 64;
    int Right = 70;
    int Top = 22;
    int Bottom = 38;
};
// The plot: the time axis from Left to Right (fractions of Te) across the data area of a
// picture of Width x Height pixels, inside the margins.
struct PlotArea {
    double Left = 0.0;
    double Right = 1.0;
    int Width = 1;
    int Height = 1;
    PlotMargins Margins;
};
// The plot's user coordinates: x from area.Left to area.Right and y from -kPlotTop to
// kPlotTop across the data area.
void SetPlotScale(platform::Surface& surface, const PlotArea& area);
// A tick step of 1, 2 or 5 times a power of ten, the largest not above x (x > 0).
double NiceStep(double x);
// The frame of the data area with the zero line; the time axis along its bottom with
// ticks and values in ms (Te below 1 s) or s; the value axes of the two groups at the
// scale of their lead pens, in their units, with ticks and values (left and right); and
// the start of the step loads at Te/10 as a dashed line ("荷重開始").
void DrawAxes(platform::Surface& surface, const PlotArea& area, GraphKind kind,
              const PenTable& pens, double te);

// The static lists beside the plot, for one element of the model. A value whose size is
// below 1E-9 of the largest static value of its kind in the structure (rounding of the
// static solution) is shown as 0.
struct StaticLists {
    std::string ElementCaption;
    std::string NodeCaption[2];
    std::string SystemCaption;               // global or element components
    std::string DisplacementHeading;         // of the second list
    std::vector<std::string> Forces;         // static end forces
    std::vector<std::string> Displacements;  // node displacements or element deformation
};
// Raises std::out_of_range for an element or node number outside the model. The values
// come from statics (0 where it holds none: null, or a failed solution).
StaticLists MakeStaticLists(const fem::Model& model, const fem::StaticSolution* statics,
                            int element, bool global, const PenTable& pens);
// The same for one node: its caption "節点番号 N" (NodeCaption[0] "　節点 N", heads
// both lists; NodeCaption[1] empty), the static nodal force (the sum of
// the static end forces of the elements that meet there: the load at a free node,
// the reaction at a support) and the static displacements, both in global components
// and titled by pens 0..5 of a displacement graph.
StaticLists MakeNodeStaticLists(const fem::Model& model, const fem::StaticSolution* statics,
                                int node, const PenTable& pens);
// The estimated aliasing error of the uncorrected curves against the curves shown, per
// component c: the largest |errors(c, j)| over j = 0 .. n-1 divided by the largest
// |history(c, j)|; -1 for a component whose curve is zero throughout (or absent).
std::vector<double> RelativeErrors(const numeric::RealMatrix& history,
                                   const numeric::RealMatrix& errors, int n);
// The lines of the list "推定誤差" in the static lists' style: the node captions of lists
// as in its first list, then each component's pen title and relative error ("-" for a
// component without a curve).
std::vector<std::string> ErrorListLines(const StaticLists& lists,
                                        const std::vector<double>& relative, const PenTable& pens);
// One line naming what a graph shows, for pictures: the captions and the time span,
// e.g. "要素番号 3　節点 2　節点 4　［全体座標系］　Te=0.001 s".
std::string GraphTitle(const StaticLists& lists, double te);

// Readout under the mouse at plot position (x, y): the time, quantised to a
// thousandth of Te, and the pen's scale times y (Negated not applied). The two
// lines are separated by '\n'.
std::string ReadoutText(double x, double y, double te, const GraphPen& pen);

// Receives one curve as its points (x, y) in order, of one colour; lets a picture draw
// it as one line.
using CurveSink =
    std::function<void(const double* xs, const double* ys, int count, platform::Color c)>;

// Draws components first..last (of those the history holds) as curves through
// (i / nw, history(c, i) / scale) for i = 0..shownPoints-1, the scale negated when
// Negated, y kept within the data area (+-kPlotTop), each with its pen's width. Curves
// go to sink when given, else to surface.Line.
void DrawComponents(platform::Surface& surface, const numeric::RealMatrix& history, int nw,
                    int shownPoints, const PenTable& pens, int first, int last,
                    const CurveSink& sink = nullptr);

}  // namespace results
