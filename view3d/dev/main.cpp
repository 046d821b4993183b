// impactframe-viewdev: opens the view window on a built-in sample, solves the static
// problem and draws the structure with its static deformation, beside a small picture
// that mirrors the structure as the analysis form's does. For looking at the view
// without the main program.
//
//   impactframe-viewdev [sample 1..4] [--simple | --none] [--axes] [--space]
#include <cstdio>
#include <cstring>
#include <string>

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>

#include "analysis/engine.h"
#include "model/samples.h"
#include "platform/picturebox.h"
#include "platform/twips.h"
#include "view3d/graphic3d.h"
#include "view3d/structure.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int sample = 3;
    view3d::FormLink form;
    bool space = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--simple") == 0) {
            form.DeformationMode = 1;
        } else if (std::strcmp(argv[i], "--none") == 0) {
            form.DeformationMode = 2;
        } else if (std::strcmp(argv[i], "--axes") == 0) {
            form.Check3 = true;
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

    fem::Model& model = fem::FEM();
    const fem::SampleSettings settings = fem::BuildSample(model, sample);
    fem::NumberDofs(model);
    const std::string message = fem::SolveStatic(model);
    if (!message.empty()) {
        std::fprintf(stderr, "static solution: %s\n", message.c_str());
        return 1;
    }
    for (int e = 0; e < model.ElementCount(); ++e) fem::StaticElementResults(model, e);
    form.Magnification = settings.Magnification;
    form.NoResults = false;

    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("三次元衝撃骨組み構造解析"));
    auto* area = new QMdiArea(&frame);
    frame.setCentralWidget(area);
    frame.resize(1560, 960);

    // The analysis form's small picture, font size 8.
    auto* picture1 = new platform::PictureBox;
    picture1->SetFontSize(8);
    picture1->setWindowTitle(QStringLiteral("Picture1"));
    QMdiSubWindow* small = area->addSubWindow(picture1);
    small->resize(platform::TwipsToPixels(3600), platform::TwipsToPixels(3600));
    small->move(0, 0);
    form.Picture1 = picture1;

    auto* view = new view3d::Graphic3D;
    QMdiSubWindow* sub = area->addSubWindow(view);
    sub->move(small->width() + 8, 0);
    if (space) view->Option1[1]->setChecked(true);
    form.ShowViewWindow = [sub] { sub->show(); };
    frame.show();
    small->show();

    // As after building a sample: draw, then the default view, draw again and show.
    view3d::BDrawStruture(view->Core(), model, form);
    view3d::ShowNewStructure(view->Core(), model, form);
    return app.exec();
}
