// impactframe-viewdev: opens the view window on a built-in sample, solves the static
// problem and draws the structure with its static deformation, beside a small picture
// that mirrors the structure as the analysis panel's does. For looking at the view
// without the main program.
//
//   impactframe-viewdev [sample 1..4] [--simple | --none] [--axes] [--space]
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>

#include "analysis/statics.h"
#include "model/samples.h"
#include "platform/picturebox.h"
#include "platform/twips.h"
#include "view3d/structure.h"
#include "view3d/viewwindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int sample = 3;
    view3d::PanelLink panel;
    bool space = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--simple") == 0) {
            panel.DeformationMode = 1;
        } else if (std::strcmp(argv[i], "--none") == 0) {
            panel.DeformationMode = 2;
        } else if (std::strcmp(argv[i], "--axes") == 0) {
            panel.ShowElementAxes = true;
        } else if (std::strcmp(argv[i], "--space") == 0) {
            space = true;
        } else if (argv[i][0] >= '1' && argv[i][0] <= '4' && argv[i][1] == '\0') {
            sample = argv[i][0] - '0';
        } else {
            std::fprintf(stderr,
                         "usage: impactframe-viewdev [1..4] [--simple | --none] [--axes] "
                         "[--space]\n");
            return 2;
        }
    }

    fem::Model model;
    const fem::SampleSettings settings = fem::BuildSample(model, sample);
    const std::shared_ptr<const fem::StaticSolution> statics = fem::SolveStatic(model);
    if (!statics->Complete()) {
        std::fprintf(stderr, "static solution: %s\n", fem::EnglishText(statics->Result).c_str());
        return 1;
    }
    panel.Magnification = settings.Magnification;
    panel.StaticDisplacements = &statics->NodeDisp;

    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("三次元衝撃骨組み構造解析"));
    auto* area = new QMdiArea(&frame);
    frame.setCentralWidget(area);
    frame.resize(1560, 960);

    // The analysis panel's small picture, font size 8.
    auto* smallPicture = new platform::PictureBox;
    smallPicture->SetFontSize(8);
    smallPicture->setWindowTitle(QStringLiteral("smallPicture"));
    QMdiSubWindow* small = area->addSubWindow(smallPicture);
    small->resize(platform::TwipsToPixels(3600), platform::TwipsToPixels(3600));
    small->move(0, 0);
    panel.SmallPicture = smallPicture;

    auto* view = new view3d::ViewWindow;
    QMdiSubWindow* sub = area->addSubWindow(view);
    sub->move(small->width() + 8, 0);
    if (space) view->spaceModeButton->setChecked(true);
    panel.ShowViewWindow = [sub] { sub->show(); };
    frame.show();
    small->show();

    // As after building a sample: draw, then the default view, draw again and show.
    view3d::DrawStructure(view->Scene(), model, panel);
    view3d::ShowNewStructure(view->Scene(), model, panel);
    return app.exec();
}
