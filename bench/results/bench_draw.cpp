// Drawing all twelve force histories of an element into the result plot, and writing
// them as a picture file.
#include <benchmark/benchmark.h>

#include <cmath>

#include <QApplication>
#include <QDir>
#include <QFile>

#include "model/model.h"
#include "platform/paintersurface.h"
#include "platform/picturebox.h"
#include "platform/pictureexport.h"
#include "results/forcegraphwindow.h"
#include "results/graphpicture.h"

namespace {

fem::Model OneBar() {
    fem::Model m;
    m.Nodes.resize(2);
    fem::ElementRecord e;
    e.EndNode = {0, 1};
    m.Elements.push_back(e);
    return m;
}

numeric::RealMatrix Histories(int nw) {
    numeric::RealMatrix h(12, nw);
    for (int c = 0; c < 12; ++c)
        for (int i = 0; i < nw; ++i)
            h(c, i) = (c + 1) * std::sin(0.002 * (c + 3) * i) * std::exp(-1.0 * i / nw);
    return h;
}

// DrawAll: clear, busy indicator, one pass of the event loop, 12 x Nw dots.
void BM_DrawAll(benchmark::State& state) {
    const int nw = static_cast<int>(state.range(0));
    const fem::Model model = OneBar();
    results::ForceGraphWindow w;
    w.resize(1200, 800);
    w.show();
    QApplication::processEvents();
    w.SetForceHistories(12, nw, 0.001, 0, Histories(nw), 1, model, nullptr);  // no statics
    for (auto _ : state) {
        w.DrawAll();
        benchmark::DoNotOptimize(w.plotPicture->Image().constBits());
    }
    state.counters["dots/s"] =
        benchmark::Counter(12.0 * nw, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DrawAll)->Arg(512)->Arg(8192)->Unit(benchmark::kMillisecond);

// The same dots through one Dot call each (any platform::Surface).
void BM_DrawDotByDot(benchmark::State& state) {
    const int nw = static_cast<int>(state.range(0));
    platform::PictureBox box;
    box.resize(900, 700);
    box.SetScale(0.0, 2.2, 1.0, -4.4);
    const numeric::RealMatrix h = Histories(nw);
    results::PenTable pens;
    results::ComputeScales(h, nw, 1.0, pens);
    for (auto _ : state) {
        box.Clear();
        results::DrawComponents(box, h, nw, nw, pens, 0, 11);
        benchmark::DoNotOptimize(box.Image().constBits());
    }
}
BENCHMARK(BM_DrawDotByDot)->Arg(8192)->Unit(benchmark::kMillisecond);

// The picture of a 12 x Nw graph (title, legend, curves) written at 1200 x 800 pixels:
// PNG with rows of dots, SVG with one polyline per curve.
void ExportGraph(benchmark::State& state, const char* extension) {
    const int nw = static_cast<int>(state.range(0));
    const numeric::RealMatrix h = Histories(nw);
    results::PenTable pens;
    results::GraphPicture graph;
    graph.histories = &h;
    graph.nw = nw;
    graph.shownPoints = results::ComputeScales(h, nw, 1.0, pens);
    graph.pens = &pens;
    graph.title = "要素番号 0　節点 0　節点 1　［全体座標系］　Te=0.001 s";
    const QString path = QDir::temp().filePath(QStringLiteral("impactframe_bench_graph.") +
                                               QLatin1String(extension));
    for (auto _ : state) {
        const platform::ExportResult r = platform::ExportPicture(
            path, QSize(1200, 800),
            [&graph](platform::PainterSurface& s) { results::DrawGraphPicture(s, graph); });
        if (!r) state.SkipWithError("the picture could not be written");
    }
    state.counters["bytes"] = static_cast<double>(QFile(path).size());
    QFile::remove(path);
}
void BM_ExportPng(benchmark::State& state) {
    ExportGraph(state, "png");
}
void BM_ExportSvg(benchmark::State& state) {
    ExportGraph(state, "svg");
}
BENCHMARK(BM_ExportPng)->Arg(8192)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportSvg)->Arg(8192)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
