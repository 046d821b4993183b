#include "cli/drawing/plot.h"

#include <cstdio>

#include <QSize>
#include <QString>

#include "analysis/run_analysis.h"
#include "cli/analysisrun.h"
#include "cli/commands.h"
#include "cli/plotoptions.h"
#include "model/model.h"
#include "platform/paintersurface.h"
#include "platform/pictureexport.h"
#include "results/graphcore.h"
#include "results/graphpicture.h"

namespace cli {

int RunPlot(const std::vector<std::string>& args) {
    PlotOptions o;
    const std::string why = ParsePlotOptions(args, o);
    if (!why.empty()) return UsageError(why);
    if (o.help) {
        std::fputs(kPlotUsage, stdout);
        return 0;
    }

    fem::Model model;
    double te = 0.0;
    if (const int code = LoadInput(o.analysis, model, te)) return code;
    if (const int code = CheckElementAndNode(model, o.element, o.node)) return code;
    const fem::AnalysisResult analysis = AnalyseStructure(model, o.analysis, te);
    const fem::ImpactSolution& impact = *analysis.Impact;
    if (!impact.Complete()) return 1;  // the reason is on standard error

    // The histories with the window's default pens and scales over the whole span.
    const bool node = o.node >= 0;
    const results::GraphKind kind =
        node ? results::GraphKind::NodeDisplacements : results::GraphKind::ElementForces;
    const fem::HistoryResult result =
        node ? NodeHistories(impact, o.node) : ElementHistories(impact, o.element, o.global);
    const numeric::RealMatrix& histories = result.Best();
    const int nw = impact.Settings().Nw;
    results::PenTable pens;
    pens.SetTitles(kind);
    results::GraphPicture graph;
    graph.kind = kind;
    graph.histories = &histories;
    graph.nw = nw;
    graph.shownPoints = results::ComputeScales(histories, nw, 1.0, pens, kind);
    graph.pens = &pens;
    const fem::StaticSolution* statics = analysis.Static.get();
    const results::StaticLists lists =
        node ? results::MakeNodeStaticLists(model, statics, o.node, pens)
             : results::MakeStaticLists(model, statics, o.element, o.global, pens);
    graph.title = results::GraphTitle(lists, impact.Settings().Te);

    const platform::ExportResult written = platform::ExportPicture(
        QString::fromLocal8Bit(o.output.c_str()), QSize(o.width, o.height),
        [&graph](platform::PainterSurface& s) { results::DrawGraphPicture(s, graph); });
    if (!written) {
        std::fprintf(stderr, "impactframe-cli: %s: %s\n", o.output.c_str(),
                     written.detail.toLocal8Bit().constData());
        return 1;
    }
    return statics && statics->Complete() ? 0 : 1;
}

}  // namespace cli
