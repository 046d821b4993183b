#include "results/graphpicture.h"

#include <algorithm>
#include <cmath>

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

// The title, the note and the legend from the top-left corner, in pixel coordinates (y
// down): one row of entries per node (wrapped when the picture is narrow), each entry a
// short stroke of the component's pen followed by its scale caption. Returns the bottom
// of the last row.
double DrawLegend(platform::PainterSurface& s, const GraphPicture& g) {
    const PenTable& pens = *g.pens;
    const int count = ComponentCount(g.kind);
    s.SetFontSize(kLegendFontSize);
    s.SetForeColor(TextColourOn(g.back));
    const double line = s.TextHeight("Fx");
    const double left = 6.0;
    const double right = s.Size().width() - 6.0;
    double y = 2.0;
    for (const std::string* text : {&g.title, &g.note}) {
        if (text->empty()) continue;
        s.SetCurrentX(left);
        s.SetCurrentY(y);
        s.Print(*text);
        y += line;
    }
    double widest = 0.0;
    for (int c = 0; c < count; ++c) widest = std::max(widest, s.TextWidth(pens.ScaleCaption(c)));
    const double stroke = 18.0;
    const double entry = stroke + 4.0 + widest + 14.0;
    const int perRow = std::max(1, static_cast<int>((right - left) / entry));
    for (int first = 0; first < count; first += 6) {
        for (int k = 0; k < 6 && first + k < count; ++k) {
            if (k > 0 && k % perRow == 0) y += line;
            const int c = first + k;
            const double x = left + (k % perRow) * entry;
            s.SetDrawWidth(std::max(pens[c].DotWidth, 2));
            s.Line(x, y + 0.5 * line, x + stroke, y + 0.5 * line, pens[c].CurveColor);
            s.SetCurrentX(x + stroke + 4.0);
            s.SetCurrentY(y);
            s.Print(pens.ScaleCaption(c));
        }
        y += line;
    }
    return y;
}

}  // namespace

void DrawGraphPicture(platform::PainterSurface& s, const GraphPicture& g) {
    s.SetBackColor(g.back);
    const QSize size = s.Size();
    PlotArea area;
    area.Left = g.leftEnd;
    area.Right = g.rightEnd;
    area.Width = size.width();
    area.Height = size.height();
    if (g.pens) {
        // The legend above the plot, in pixels.
        s.SetScale(0.0, 0.0, size.width(), size.height());
        const double legend = DrawLegend(s, g);
        s.SetFontSize(kLegendFontSize);
        area.Margins.Top = static_cast<int>(std::ceil(legend + s.TextHeight("kgf") + 4.0));
    }
    SetPlotScale(s, area);
    if (!g.histories || !g.pens) return;
    s.SetFontSize(kLegendFontSize);
    s.SetForeColor(TextColourOn(g.back));
    DrawAxes(s, area, g.kind, *g.pens, g.te);
    const int count = std::min(ComponentCount(g.kind), g.histories->Rows());
    if (count > 0)
        DrawComponents(s, *g.histories, g.nw, g.shownPoints, *g.pens, 0, count - 1,
                       [&s](const double* xs, const double* ys, int n, platform::Color c) {
                           s.Polyline(xs, ys, n, c);
                       });
}

}  // namespace results
