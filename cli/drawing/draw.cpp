#include "cli/drawing/draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>

#include "analysis/run_analysis.h"
#include "cli/analysisrun.h"
#include "cli/commands.h"
#include "cli/drawoptions.h"
#include "model/model.h"
#include "model/samples.h"
#include "numeric/numbertext.h"
#include "platform/paintersurface.h"
#include "platform/pictureexport.h"
#include "view3d/animation.h"
#include "view3d/sceneview.h"
#include "view3d/structure.h"

namespace cli {

namespace {

// The magnification box of the program after the input was read: the sample's, else the
// box's first value.
double StaticMagnification(const std::string& input) {
    if (input.rfind("sample:", 0) == 0) {
        fem::Model sample;
        return fem::BuildSample(sample, input[7] - '0').Magnification;
    }
    return 100.0;
}

}  // namespace

int RunDraw(const std::vector<std::string>& args) {
    DrawOptions o;
    const std::string why = ParseDrawOptions(args, o);
    if (!why.empty()) return UsageError(why);
    if (o.help) {
        std::fputs(kDrawUsage, stdout);
        return 0;
    }

    fem::Model model;
    double te = 0.0;
    if (const int code = LoadInput(o.analysis, model, te)) return code;
    if (o.timeGiven && o.time > te)
        return UsageError("--time must be within 0 .. Te = " + numeric::FormatGeneral(te, 6) +
                          " s");
    fem::AnalysisResult analysis;
    if (o.deformed || o.timeGiven) {
        analysis = AnalyseStructure(model, o.analysis, te);
        // The reasons are on standard error.
        if (o.deformed && !(analysis.Static && analysis.Static->Complete())) return 1;
        if (o.timeGiven && !analysis.Impact->Complete()) return 1;
    }

    // The scene is built as the view window builds it, on a stand-in picture of the
    // picture's size (nothing of it is kept), then replayed onto the picture.
    QImage scratchImage(1, 1, QImage::Format_RGB32);
    QPainter scratchPainter(&scratchImage);
    const QSize size(o.width, o.height);
    platform::PainterSurface scratch(scratchPainter, size);
    scratch.SetScale(-o.width / 2.0, o.height / 2.0, o.width, -o.height);
    view3d::SceneView view;
    view.SetPicture(&scratch);
    view.SetPictureSize(o.width, o.height);
    view.SetDefaultView();
    view3d::PanelLink panel;
    if (o.deformed) panel.StaticDisplacements = &analysis.Static->NodeDisp;
    panel.DeformationMode = 0;
    panel.Magnification =
        o.magnificationGiven ? o.magnification : StaticMagnification(o.analysis.input);
    try {
        view.BeginBatch();
        view3d::ShowNewStructure(view, model, panel);
        view.EndBatch();
        if (o.timeGiven) {
            view3d::Animation animation;
            animation.SetFrames(std::make_shared<view3d::HistoryFrames>(analysis.Impact));
            const view3d::FrameSource& frames = *animation.Frames();
            animation.Magnification = o.magnificationGiven ? o.magnification
                                                           : view3d::DefaultMagnification(
                                                                 frames.LargestTranslation(),
                                                                 view3d::BoundingDiagonal(model));
            // The nearest time point; Te itself is nearest to the last one.
            const int nw = frames.FrameCount();
            animation.SetFrame(static_cast<int>(std::lround(o.time / te * nw)));
            animation.Draw(view, model, view.StructureItems);
            if (o.analysis.verbose)
                std::fprintf(
                    stderr, "impactframe-cli: drawn at t = %s s (j = %d), magnification %s\n",
                    numeric::FormatGeneral(frames.FrameTime(animation.Frame()), 6).c_str(),
                    animation.Frame(), numeric::FormatGeneral(animation.Magnification, 6).c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "impactframe-cli: cannot draw: %s\n", e.what());
        return 1;
    }

    const platform::ExportResult written = platform::ExportPicture(
        QString::fromLocal8Bit(o.output.c_str()), size, [&view](platform::PainterSurface& s) {
            view.DrawOnto(s, s.Size().width(), s.Size().height(), true);
        });
    if (!written) {
        std::fprintf(stderr, "impactframe-cli: %s: %s\n", o.output.c_str(),
                     written.detail.toLocal8Bit().constData());
        return 1;
    }
    const bool impactOk = !analysis.Impact || analysis.Impact->Complete();
    const bool staticOk = !analysis.Impact || (analysis.Static && analysis.Static->Complete());
    return impactOk && staticOk ? 0 : 1;
}

}  // namespace cli
