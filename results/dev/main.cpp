// Runs the whole analysis on a built-in sample, computes one element's end-force
// histories and shows them in the result-graph window inside a frame, so that
// the graphs can be looked at without the main program.
//
//   impactframe-resultdev [element] [--sample N] [--nw N] [--element-axes]
//                         [--gamma G] [--tau T] [--size WxH] [--synthetic] [--fill]
//                         [--node N]
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include "analysis/histories.h"
#include "analysis/run_analysis.h"
#include "model/model.h"
#include "model/samples.h"
#include "numeric/numbertext.h"
#include "results/forcegraphwindow.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: impactframe-resultdev [element] [--sample N] [--nw N] [--element-axes]\n"
                 "                             [--gamma G] [--tau T] [--size WxH] [--synthetic]\n"
                 "                             [--fill] [--node N]\n");
}

// Damped oscillations of different sizes, when the engine is not wanted.
void SyntheticHistories(numeric::RealMatrix& h, int nw) {
    h.Resize(12, nw);
    for (int c = 0; c < 12; ++c) {
        const double size = std::pow(10.0, c % 6 < 3 ? 1 + c % 3 : 3 + c % 3);
        for (int i = 0; i < nw; ++i) {
            const double t = static_cast<double>(i) / nw;
            h(c, i) = size * std::exp(-2.0 * t) * std::sin(6.2832 * (3 + c) * t + 0.3 * c) *
                      (c >= 6 ? -1.0 : 1.0);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int element = 0;
    int sample = 1;
    int nw = 512;
    int globalFlag = 1;
    double gammaTe = 5.0;
    double tau = 0.0;
    int width = 1400;
    int height = 850;
    bool synthetic = false;
    bool fill = false;  // the result window fills the frame
    int node = -1;      // a node's displacements instead of the element's forces
    // Numbers are read with "." whatever the locale the application took over.
    bool valid = true;
    for (int a = 1; a < argc && valid; ++a) {
        const std::string arg = argv[a];
        const bool hasValue = a + 1 < argc;
        if (arg == "--sample" && hasValue) {
            valid = numeric::ParseWholeNumber(argv[++a], sample);
        } else if (arg == "--nw" && hasValue) {
            valid = numeric::ParseWholeNumber(argv[++a], nw);
        } else if (arg == "--gamma" && hasValue) {
            valid = numeric::ParseNumber(argv[++a], gammaTe);
        } else if (arg == "--tau" && hasValue) {
            valid = numeric::ParseNumber(argv[++a], tau);
        } else if (arg == "--size" && hasValue) {
            const std::string size = argv[++a];
            const std::size_t x = size.find('x');
            valid = x != std::string::npos && numeric::ParseWholeNumber(size.substr(0, x), width) &&
                    numeric::ParseWholeNumber(size.substr(x + 1), height);
        } else if (arg == "--node" && hasValue) {
            valid = numeric::ParseWholeNumber(argv[++a], node);
        } else if (arg == "--element-axes") {
            globalFlag = 0;
        } else if (arg == "--fill") {
            fill = true;
        } else if (arg == "--synthetic") {
            synthetic = true;
        } else if (!arg.empty() && arg[0] != '-') {
            valid = numeric::ParseWholeNumber(arg, element);
        } else {
            valid = false;
        }
    }
    if (!valid) {
        Usage();
        return 2;
    }

    fem::Model model;
    numeric::RealMatrix histories;
    std::shared_ptr<const fem::StaticSolution> statics;
    double te = 0.001;
    try {
        const fem::SampleSettings settings = fem::BuildSample(model, sample);
        if (settings.Te > 0.0) te = settings.Te;
        if (synthetic) {
            SyntheticHistories(histories, nw);
            statics = fem::SolveStatic(model);
        } else {
            fem::AnalysisSettings run;
            run.Nw = nw;
            run.GammaTe = gammaTe;
            run.Te = te;
            run.Tau = tau;
            const fem::AnalysisResult r = fem::RunAnalysis(model, run);
            statics = r.Static;
            const std::string dynamic = fem::EnglishText(r.Impact->Result());
            const std::string still = statics ? fem::EnglishText(statics->Result) : "";
            if (!dynamic.empty() || !still.empty())
                std::fprintf(stderr, "analysis: %s %s\n", dynamic.c_str(), still.c_str());
            const fem::ForceAxes axes =
                globalFlag != 0 ? fem::ForceAxes::Global : fem::ForceAxes::Element;
            histories = node >= 0 ? fem::NodeDisplacementHistory(*r.Impact, node).Best()
                                  : fem::ElementForceHistory(*r.Impact, element, axes).Best();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "impactframe-resultdev: %s\n", e.what());
        return 1;
    }

    QMainWindow frame;
    frame.setWindowTitle("ImpactFrame result graphs");
    auto* area = new QMdiArea(&frame);
    frame.setCentralWidget(area);
    frame.resize(width, height);
    frame.show();

    auto* result = new results::ForceGraphWindow;
    QMdiSubWindow* sub = area->addSubWindow(result);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    try {
        if (node >= 0)
            result->SetNodeDisplacements(nw, te, node, histories, model, statics.get());
        else
            result->SetForceHistories(12, nw, te, element, histories, globalFlag, model,
                                      statics.get());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "impactframe-resultdev: %s\n", e.what());
        return 1;
    }
    sub->show();
    sub->raise();
    if (fill) sub->setGeometry(area->viewport()->rect());
    QTimer::singleShot(0, result, [result] { result->DrawAll(); });
    return app.exec();
}
