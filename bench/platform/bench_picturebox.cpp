// Drawing all twelve force histories of 8192 points as dots into a picture box,
// as the result graph does, one dot at a time and as whole curves.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include <QApplication>

#include "platform/picturebox.h"

namespace {

constexpr int kCurves = 12;
constexpr int kPoints = 8192;

struct Curves {
    std::vector<double> t, y[kCurves];
    Curves() {
        for (int i = 0; i < kPoints; ++i) t.push_back(static_cast<double>(i) / kPoints);
        for (int c = 0; c < kCurves; ++c)
            for (int i = 0; i < kPoints; ++i)
                y[c].push_back(std::sin(0.01 * (c + 1) * i) * std::exp(-0.0002 * i));
    }
};

void SetUpPlot(platform::PictureBox& box) {
    box.resize(900, 500);
    box.show();
    box.SetScale(0.0, 2.2, 1.0, -4.4);
    box.SetDrawWidth(2);
    QApplication::processEvents();
}

void BM_TwelveCurvesDotByDot(benchmark::State& state) {
    static const Curves curves;
    platform::PictureBox box;
    SetUpPlot(box);
    for (auto _ : state) {
        box.Clear();
        for (int c = 0; c < kCurves; ++c)
            for (int i = 0; i < kPoints; ++i) box.Dot(curves.t[i], curves.y[c][i], 255 << (c % 3));
        QApplication::processEvents();  // the repaint that shows them
    }
    state.SetItemsProcessed(state.iterations() * kCurves * kPoints);
}
BENCHMARK(BM_TwelveCurvesDotByDot)->Unit(benchmark::kMillisecond);

void BM_TwelveCurvesInOneCall(benchmark::State& state) {
    static const Curves curves;
    platform::PictureBox box;
    SetUpPlot(box);
    for (auto _ : state) {
        box.Clear();
        for (int c = 0; c < kCurves; ++c)
            box.Dots(curves.t.data(), curves.y[c].data(), kPoints, 255 << (c % 3));
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * kCurves * kPoints);
}
BENCHMARK(BM_TwelveCurvesInOneCall)->Unit(benchmark::kMillisecond);

// A structure of a few hundred members drawn as lines, as the view redraw does.
void BM_ThousandLines(benchmark::State& state) {
    platform::PictureBox box;
    SetUpPlot(box);
    for (auto _ : state) {
        box.Clear();
        for (int i = 0; i < 1000; ++i)
            box.Line(0.001 * i, -2.0, 1.0 - 0.001 * i, 2.0 * std::cos(0.01 * i), 0);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ThousandLines)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
