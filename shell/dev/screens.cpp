// impactframe-screens: drives the main window through a typical session and saves a
// picture of the whole screen at each step, for looking at the windows as a user meets
// them (run it under Xvfb at the screen size to look at):
//
//   xvfb-run -s "-screen 0 1280x800x24" impactframe-screens OUTDIR PREFIX SCENE
//
// SCENE is "portal" (a 3 m portal frame, each member in four elements: start, analysis,
// graphs, a changed structure, the node sheet, the menu, modes, the question about
// unsaved changes, the pen dialog), "motion" (the same frame undivided and divided: the
// animation at the same instant) or "tower" (a grid of about 2,000 nodes: start, the
// progress of its analysis and a stop). The data files are written into OUTDIR.
#include <cstdio>
#include <functional>
#include <string>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QThread>
#include <QTimer>

#include "bench/analysis/grid_frame.h"
#include "model/datafile.h"
#include "model/model.h"
#include "platform/messagebox.h"
#include "shell/analysispanel.h"
#include "shell/document.h"
#include "shell/mainwindow.h"
#include "shell/modeswindow.h"
#include "shell/runcontroller.h"
#include "view3d/viewwindow.h"

namespace {

QString outDir;
QString prefix;

void Pump(int ms = 300) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void Grab(const char* name) {
    Pump(200);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    const QString path = QStringLiteral("%1/%2_%3.png").arg(outDir, prefix, QLatin1String(name));
    shot.save(path);
    std::printf("%s\n", path.toUtf8().constData());
}

// Grabs the screen once the modal dialog about to open is shown, then closes it.
void GrabModal(const char* name) {
    QTimer::singleShot(600, [name] {
        Grab(name);
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* d = qobject_cast<QDialog*>(modal))
                d->reject();
            else
                modal->close();
        }
    });
}

void Settle(shell::AnalysisPanel* panel) {
    if (!panel->Busy()) return;
    QEventLoop loop;
    QObject::connect(panel, &shell::AnalysisPanel::ComputationFinished, &loop, &QEventLoop::quit);
    loop.exec();
}

void Write(const fem::Model& m, const QString& path) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray::fromStdString(fem::StructDataText(m)));
}

// A portal of 3 m columns and a 3 m beam, each member in `pieces` elements, clamped at the
// feet, a step load of 100 kgf along x at the top of the left column; round bars of 100 mm.
fem::Model Portal(int pieces) {
    fem::Model m;
    m.ClearModel();
    auto node = [&](double x, double y, bool fixed, bool loaded) {
        fem::NodeRecord n = fem::DefaultNode();
        n.Coord = {x, y, 0.0};
        for (auto& code : n.BcCode) code = fixed ? "u" : "p";
        if (loaded) {
            n.BcCode[0] = "pf";
            n.LoadValue[0] = 100.0;
        }
        m.AddNode(n);
    };
    const double step = 3000.0 / pieces;
    for (int i = 0; i <= pieces; ++i) node(0.0, i * step, i == 0, i == pieces);
    for (int i = 1; i <= pieces; ++i) node(i * step, 3000.0, false, false);
    for (int i = pieces - 1; i >= 0; --i) node(3000.0, i * step, i == 0, false);
    for (int e = 0; e < 3 * pieces; ++e) {
        fem::ElementRecord r = fem::DefaultElement();
        r.EndNode = {e, e + 1};
        r.CrossSection.Diameter = 100.0;
        m.AddElement(r);
    }
    return m;
}

template <class T>
T* Find(QObject* root, const char* name) {
    return root->findChild<T*>(QLatin1String(name));
}

void PortalScene(const QString& file) {
    auto* frame = shell::StartUp(file);
    auto* panel = frame->analysisPanel();
    Grab("01_start");
    panel->RunAnalysis();
    Settle(panel);
    Grab("02_analysed");
    // The foot of the right column: far from the load.
    const int far = frame->CurrentDocument().Model().ElementCount() - 1;
    panel->ComputeElementForces(far);
    Settle(panel);
    Grab("03_graph_far_member");
    panel->ComputeElementForces(0);
    Settle(panel);
    Grab("04_graph_loaded_member");
    panel->ComputeNodeDisplacements(4);
    Settle(panel);
    Grab("05_graph_node");
    // A change of the structure, as the node sheet makes it.
    fem::Model& model = frame->CurrentDocument().Model();
    fem::NodeRecord n = model.GetNode(2);
    n.Coord[0] += 10.0;
    model.PutNode(2, n);
    panel->DrawStructure();
    Grab("06_changed_structure");
    GrabModal("07_node_sheet");
    panel->EditNode(4);
    Pump();
    if (QMenu* fileMenu = Find<QMenu>(frame, "fileMenu")) {
        frame->menuBar()->setActiveAction(fileMenu->menuAction());
        Pump();
        Grab("08_file_menu");
        fileMenu->close();
        frame->menuBar()->setActiveAction(nullptr);
    }
    if (QMenu* calcMenu = Find<QMenu>(frame, "analysisMenu")) {
        frame->menuBar()->setActiveAction(calcMenu->menuAction());
        Pump();
        Grab("09_analysis_menu");
        calcMenu->close();
        frame->menuBar()->setActiveAction(nullptr);
    }
    // Back to the structure analysed, then the natural frequencies.
    n.Coord[0] -= 10.0;
    model.PutNode(2, n);
    panel->DrawStructure();
    shell::ModesWindow* modes = frame->OpenModesWindow();
    modes->Run();
    {
        QEventLoop loop;
        QObject::connect(modes, &shell::ModesWindow::SearchFinished, &loop, &QEventLoop::quit);
        if (modes->Running()) loop.exec();
    }
    modes->ChooseMode(0);
    Grab("10_modes");
    // Unsaved changes, then a sample.
    platform::SetMessageHandler(nullptr);
    GrabModal("11_unsaved_question");
    panel->LoadSample(3);
    Pump();
    platform::SetMessageHandler([](const QString& text, bool) {
        std::printf("message: %s\n", text.toUtf8().constData());
        return false;
    });
    delete frame;
}

void MotionScene(const QString& whole, const QString& divided) {
    for (const QString& file : {whole, divided}) {
        auto* frame = shell::StartUp(file);
        auto* panel = frame->analysisPanel();
        panel->RunAnalysis();
        Settle(panel);
        auto* view = qobject_cast<view3d::ViewWindow*>(frame->ViewWindow());
        view->ShowFrame(60);
        if (view->InvertingHistories()) {
            QEventLoop loop;
            QObject::connect(view, &view3d::ViewWindow::InversionEnded, &loop, &QEventLoop::quit);
            loop.exec();
        }
        view->ShowFrame(60);
        Grab(file == whole ? "20_motion_undivided" : "21_motion_divided");
        delete frame;
    }
}

void TowerScene(const QString& file) {
    auto* frame = shell::StartUp(file);
    auto* panel = frame->analysisPanel();
    Grab("30_tower_start");
    frame->Runs().SetPaced(true);
    bool grabbed = false;
    QObject::connect(panel, &shell::AnalysisPanel::Progressed, panel, [&](int k) {
        if (grabbed || k < 40) return;
        grabbed = true;
        Grab("31_tower_progress");
        if (auto* stop = Find<QPushButton>(panel, "stopButton")) stop->click();
        Grab("32_tower_stopping");
    });
    panel->RunAnalysis();
    Settle(panel);
    Grab("33_tower_stopped");
    delete frame;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("impactframe"));
    for (const char* name : {"Noto Sans CJK JP", "Noto Sans JP"})
        if (QFontDatabase::families().contains(QLatin1String(name))) {
            QFont font{QString::fromLatin1(name)};
            font.setPointSize(QApplication::font().pointSize());
            QApplication::setFont(font);
            break;
        }
    if (argc < 4) {
        std::fprintf(stderr, "usage: impactframe-screens OUTDIR PREFIX portal|motion|tower\n");
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    prefix = QString::fromLocal8Bit(argv[2]);
    const std::string scene = argv[3];
    QDir().mkpath(outDir);
    platform::SetMessageHandler([](const QString& text, bool) {
        std::printf("message: %s\n", text.toUtf8().constData());
        return false;
    });
    if (scene == "portal") {
        const QString path = outDir + QStringLiteral("/portal.txt");
        Write(Portal(4), path);
        PortalScene(path);
    } else if (scene == "motion") {
        const QString whole = outDir + QStringLiteral("/portal1.txt");
        const QString divided = outDir + QStringLiteral("/portal.txt");
        Write(Portal(1), whole);
        Write(Portal(4), divided);
        MotionScene(whole, divided);
    } else if (scene == "tower") {
        fem::Model m;
        benchgrid::BuildGrid(m, 9, 9, 19);
        const QString path = outDir + QStringLiteral("/tower.txt");
        Write(m, path);
        TowerScene(path);
    }
    return 0;
}
