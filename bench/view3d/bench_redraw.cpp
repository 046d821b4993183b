// Redrawing the view from its display list, as every slider movement does: a space
// frame of 1,000 elements (a 23 x 23 grid of beams, clamped along one edge, loaded at
// the far corner) with its node circles, numbers, supports, load arrows and element
// numbers, and either its detailed static-deformation curves as the program draws them
// or every element's local axes. Then the animation of its impact response: the node
// histories inverted for the animation, and one frame drawn and shown.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include <QApplication>

#include "analysis/impact.h"
#include "model/model.h"
#include "platform/picturebox.h"
#include "view3d/animation.h"
#include "view3d/sceneview.h"
#include "view3d/structure.h"

namespace {

constexpr int kGrid = 23;
constexpr int kElements = 1000;

fem::Model BuildFrame() {
    fem::Model m;
    for (int i = 0; i < kGrid; ++i) {
        for (int j = 0; j < kGrid; ++j) {
            fem::NodeRecord n = fem::DefaultNode();
            n.Coord = {100.0 * i, 100.0 * j, 20.0 * ((i + j) % 3)};
            for (auto& c : n.BcCode) c = i == 0 ? "u" : "p";
            if (i == kGrid - 1 && j % 5 == 0) {
                n.LoadValue = {0, -1, 0.5, 0, 0, 2};
                // Step loads, for the impact response.
                n.BcCode[1] = n.BcCode[2] = n.BcCode[5] = "pf";
            }
            m.AddNode(n);
        }
    }
    for (int i = 0; i < kGrid && m.ElementCount() < kElements; ++i) {
        for (int j = 0; j < kGrid && m.ElementCount() < kElements; ++j) {
            fem::ElementRecord e = fem::DefaultElement();
            if (i + 1 < kGrid) {
                e.EndNode = {i * kGrid + j, (i + 1) * kGrid + j};
                m.AddElement(e);
            }
            if (j + 1 < kGrid && m.ElementCount() < kElements) {
                e.EndNode = {i * kGrid + j, i * kGrid + j + 1};
                m.AddElement(e);
            }
        }
    }
    return m;
}

// A made-up but smooth deflection of every node, so that the curves have something to
// show.
std::vector<std::array<double, 6>> MadeUpDisplacements(const fem::Model& m) {
    std::vector<std::array<double, 6>> u(static_cast<std::size_t>(m.NodeCount()));
    for (int n = 0; n < m.NodeCount(); ++n)
        u[static_cast<std::size_t>(n)] = {0, 0.01 * n / kGrid, 0, 0, 0, 1e-4};
    return u;
}

struct Scene {
    platform::PictureBox viewPicture;
    platform::PictureBox smallPicture;
    view3d::SceneView view;
    fem::Model model = BuildFrame();
    // 0 the structure, 1 with its deformation, 2 with every element's local axes, 3 the
    // structure with its 1,529 numbers shown (hidden by themselves at this size), each
    // checked against those drawn before it.
    explicit Scene(int what) {
        viewPicture.resize(660, 480);
        viewPicture.show();
        smallPicture.resize(240, 240);
        view.SetPicture(&viewPicture);
        view.SetPictureSize(660, 480);
        // Parallel projection: every item is in front of the eye and drawn.
        view.SetObjectMode(false);
        view.ResetView();
        view.SetAngleSlider(0, 20);
        view3d::PanelLink panel;
        panel.SmallPicture = &smallPicture;
        panel.ShowElementAxes = what == 2;  // axis labels (size 8) alternate with numbers (size 11)
        if (what == 3) view.SetNumbersShown(true, true);
        view3d::DrawStructure(view, model, panel);
        if (what == 1) view3d::DrawDeformation(view, model, MadeUpDisplacements(model), 1000);
        QApplication::processEvents();
    }
};

void BM_RedrawStructure(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        scene.view.SetAngleSlider(1, (scene.view.AngleSlider(1) + 1) % 90);  // redraws
        QApplication::processEvents();                                       // repaint
    }
    state.counters["items"] = scene.view.ItemCount();
}
BENCHMARK(BM_RedrawStructure)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// The frame's impact response at nw time points, solved once for each nw asked for.
std::shared_ptr<const fem::ImpactSolution> AnalysedFrame(int nw) {
    static std::map<int, std::shared_ptr<const fem::ImpactSolution>> solved;
    std::shared_ptr<const fem::ImpactSolution>& solution = solved[nw];
    if (!solution) {
        fem::AnalysisSettings settings;
        settings.Nw = nw;
        settings.Te = 0.01;
        solution = fem::SolveImpact(BuildFrame(), settings);
        if (!solution->Complete())
            std::fprintf(stderr, "analysis: %s\n", fem::EnglishText(solution->Result()).c_str());
    }
    return solution;
}

// Every node's six histories inverted and kept for the animation (529 nodes x Nw points).
// Nw = 256 here; 2048 (Arg(2048)) takes about 0.2 s but its analysis about five minutes.
void BM_InvertNodeHistories(benchmark::State& state) {
    const auto solution = AnalysedFrame(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        view3d::HistoryFrames frames(solution);
        benchmark::DoNotOptimize(frames.LargestTranslation());
    }
}
BENCHMARK(BM_InvertNodeHistories)->Arg(256)->Unit(benchmark::kMillisecond);

// One frame of the animation: the structure drawn as the program draws it, the deformed
// shape of the frame drawn over it (each element along its shape, 20 segments), the
// picture redrawn and repainted, as one tick of the play control does.
void BM_AnimationFrame(benchmark::State& state) {
    const auto solution = AnalysedFrame(256);
    const fem::Model& model = solution->Structure();
    Scene scene(0);
    view3d::Animation animation;
    animation.SetFrames(std::make_shared<view3d::HistoryFrames>(solution));
    animation.Magnification = view3d::DefaultMagnification(animation.Frames()->LargestTranslation(),
                                                           view3d::BoundingDiagonal(model));
    const int structure = scene.view.StructureItems;
    int j = 0;
    for (auto _ : state) {
        animation.SetFrame(j);
        j = (j + 1) % animation.Frames()->FrameCount();
        animation.Draw(scene.view, model, structure);
        QApplication::processEvents();  // repaint
    }
    state.counters["items"] = scene.view.ItemCount();
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AnimationFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
