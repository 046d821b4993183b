#include "results/graphpicture.h"

#include <algorithm>

#include "platform/paintersurface.h"

namespace results {

namespace {

constexpr double kLegendFontSize = 9.0;  // points

// Black text on light backs, white on dark ones.
platform::Color TextColourOn(platform::Color back) {
    const int luminance =
        299 * platform::RedOf(back) + 587 * platform::GreenOf(back) + 114 * platform::BlueOf(back);
    return luminance >= 128000 ? platform::RGB(0, 0, 0) : platform::RGB(255, 255, 255);
}

// The title and the legend from the top-left corner: one row of entries per node
// (wrapped when the picture is narrow), each entry a short stroke of the component's
// pen followed by its scale caption.
void DrawLegend(platform::PainterSurface& s, const GraphPicture& g) {
    const PenTable& pens = *g.pens;
    const int count = ComponentCount(g.kind);
    s.SetFontSize(kLegendFontSize);
    s.SetForeColor(TextColourOn(g.back));
    const double line = s.TextHeight("Fx");
    const double unitX = s.ScaleWidth() / s.Size().width();  // one pixel along x
    const double left = s.ScaleLeft() + 6 * unitX;
    const double right = s.ScaleLeft() + s.ScaleWidth() - 6 * unitX;
    double y = s.ScaleTop() - 0.3 * line;
    if (!g.title.empty()) {
        s.SetCurrentX(left);
        s.SetCurrentY(y);
        s.Print(g.title);
        y = s.CurrentY();
    }
    double widest = 0.0;
    for (int c = 0; c < count; ++c) widest = std::max(widest, s.TextWidth(pens.ScaleCaption(c)));
    const double stroke = 18 * unitX;
    const double entry = stroke + 4 * unitX + widest + 14 * unitX;
    const int perRow = std::max(1, static_cast<int>((right - left) / entry));
    for (int first = 0; first < count; first += 6) {
        for (int k = 0; k < 6 && first + k < count; ++k) {
            if (k > 0 && k % perRow == 0) y -= line;
            const int c = first + k;
            const double x = left + (k % perRow) * entry;
            s.SetDrawWidth(std::max(pens[c].DotWidth, 2));
            s.Line(x, y - 0.5 * line, x + stroke, y - 0.5 * line, pens[c].CurveColor);
            s.SetCurrentX(x + stroke + 4 * unitX);
            s.SetCurrentY(y);
            s.Print(pens.ScaleCaption(c));
        }
        y -= line;
    }
}

}  // namespace

void DrawGraphPicture(platform::PainterSurface& s, const GraphPicture& g) {
    s.SetBackColor(g.back);
    SetPlotScale(s, g.leftEnd, g.rightEnd);
    if (!g.histories || !g.pens) return;
    const int count = std::min(ComponentCount(g.kind), g.histories->Rows());
    if (count > 0) {
        DrawComponents(s, *g.histories, g.nw, g.shownPoints, *g.pens, 0, count - 1,
                       [&s](const double* xs, const double* ys, int n, platform::Color c) {
                           if (s.CurvesAsLines())
                               s.Polyline(xs, ys, n, c);
                           else
                               s.Dots(xs, ys, n, c);
                       });
    } else {
        DrawComponents(s, *g.histories, g.nw, 0, *g.pens, 0, 0);  // the axes alone
    }
    DrawLegend(s, g);
}

}  // namespace results
