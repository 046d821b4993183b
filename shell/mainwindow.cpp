#include "shell/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>

#include "platform/messagebox.h"
#include "platform/qtcolor.h"
#include "shell/analysispanel.h"
#include "shell/document.h"
#include "shell/numbertext.h"
#include "shell/runcontroller.h"
#include "version/version.h"

namespace shell {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), document_(std::make_unique<Document>()), windows_(NewWindows()) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("三次元衝撃骨組み構造解析"));
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName(QStringLiteral("mdiArea"));
    // Scroll bars rather than a frame that grows past the screen on small screens.
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    mdiArea_->viewport()->installEventFilter(this);

    runs_ = new RunController(*document_, this);
    runs_->setObjectName(QStringLiteral("runController"));
    analysisPanel_ = new AnalysisPanel(this, *document_, *runs_);
    analysisPanelSub_ = mdiArea_->addSubWindow(analysisPanel_, Qt::SubWindow | Qt::WindowTitleHint |
                                                                   Qt::WindowMinimizeButtonHint |
                                                                   Qt::WindowCloseButtonHint);
    analysisPanelSub_->setObjectName(QStringLiteral("analysisPanelSubWindow"));
    analysisPanelSub_->installEventFilter(this);
    analysisPanelSub_->move(0, 0);
    analysisPanelSub_->show();
    BuildMenus();
    connect(runs_, &RunController::BusyChanged, this, [this](bool busy) {
        SetCommandsEnabled(!busy);
        // The result window's pen dialog is modal and would hold the computation.
        if (QWidget* result = ForceGraphWindow()) result->setEnabled(!busy);
    });
    Scene();  // the view window exists from the start, hidden

    // 90 % of the screen, centred.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        const int width = static_cast<int>(0.9 * s.width());
        const int height = static_cast<int>(0.9 * s.height());
        resize(width, height);
        move(s.x() + (s.width() - width) / 2, s.y() + (s.height() - height) / 2);
    }
}

MainWindow::~MainWindow() {
    // The windows and the computations refer to the document, which goes last.
    delete mdiArea_;
    delete runs_;
    DeleteWindows(windows_);
}

QAction* MainWindow::Action(const QString& name) const {
    return findChild<QAction*>(name);
}

template <class F>
void MainWindow::Suppressed(F step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

void MainWindow::BuildMenus() {
    auto menu = [this](QWidget* owner, const QString& title, const char* name) {
        QMenu* m = nullptr;
        if (auto* bar = qobject_cast<QMenuBar*>(owner))
            m = bar->addMenu(title);
        else
            m = static_cast<QMenu*>(owner)->addMenu(title);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [this](QMenu* m, const QString& caption, const char* name, auto slot) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto separator = [](QMenu* m, const char* name) {
        QAction* a = m->addSeparator();
        a->setObjectName(QLatin1String(name));
    };
    AnalysisPanel* panel = analysisPanel_;

    QMenu* file = menu(menuBar(), QStringLiteral("ファイル"), "fileMenu");
    item(file, QStringLiteral("構造データ読込"), "readStructureAction",
         [panel] { panel->ReadStructureData(); });
    item(file, QStringLiteral("構造データ書込"), "writeStructureAction",
         [panel] { panel->WriteStructureData(false); });
    item(file, QStringLiteral("構造データ上書"), "overwriteStructureAction",
         [panel] { panel->WriteStructureData(true); });
    separator(file, "fileMenuSeparator");
    item(file, QStringLiteral("終了"), "exitAction", [this] { close(); });

    QMenu* structure = menu(menuBar(), QStringLiteral("構造"), "structureMenu");
    item(structure, QStringLiteral("材料..."), "materialsAction",
         [panel] { panel->EditMaterials(); });
    item(structure, QStringLiteral("断面..."), "sectionsAction",
         [panel] { panel->EditSections(); });
    item(structure, QStringLiteral("荷重履歴..."), "historiesAction",
         [panel] { panel->EditHistories(); });
    item(structure, QStringLiteral("地盤運動・減衰..."), "groundDampingAction",
         [panel] { panel->EditGroundDamping(); });

    QMenu* calc = menu(menuBar(), QStringLiteral("計算"), "analysisMenu");
    item(calc, QStringLiteral("動的ＦＥＭ解析"), "dynamicAnalysisAction",
         [panel] { Suppressed([panel] { panel->RunAnalysis(); }); });
    QAction* statics = item(calc, QStringLiteral("静的解析のみ"), "staticAnalysisAction", [] {});
    statics->setVisible(false);
    statics->setEnabled(false);
    item(calc, QStringLiteral("要素節点力解析"), "nodalForcesAction",
         [panel] { Suppressed([panel] { panel->ComputeElementForces(panel->ChosenElement()); }); });
    item(calc, QStringLiteral("固有振動数"), "naturalFrequenciesAction",
         [this] { OpenModesWindow(); });
    item(calc, QStringLiteral("周波数応答"), "frequencyResponseAction",
         [this] { OpenFrequencyResponseWindow(); });

    QMenu* disp = menu(menuBar(), QStringLiteral("表示"), "displayMenu");
    item(disp, QStringLiteral("構造表示"), "drawStructureAction", [this, panel] {
        ShowViewWindow();
        Suppressed([panel] { panel->DrawStructure(); });
    });
    QAction* deformed =
        item(disp, QStringLiteral("変形表示"), "drawDeformedStructureAction", [] {});
    deformed->setVisible(false);
    deformed->setEnabled(false);
    item(disp, QStringLiteral("詳細変形表示"), "detailedDeformationAction",
         [panel] { Suppressed([panel] { panel->DrawDeformation(panel->Magnification()); }); });
    item(disp, QStringLiteral("簡易変形表示"), "simpleDeformationAction", [panel] {
        Suppressed([panel] { panel->DrawDeformationSimple(panel->Magnification()); });
    });
    separator(disp, "displayMenuSeparator");
    item(disp, QStringLiteral("３Ｄ初期化"), "resetViewAction", [this] { ResetViewWindow(); });

    QMenu* options = menu(menuBar(), QStringLiteral("オプション"), "optionsMenu");
    QMenu* samples = menu(options, QStringLiteral("例題"), "samplesMenu");
    item(samples, QStringLiteral("Sample1"), "sample1Action", [panel] { panel->LoadSample(1); });
    item(samples, QStringLiteral("Sample2"), "sample2Action", [panel] { panel->LoadSample(2); });
    item(samples, QStringLiteral("Sample3"), "sample3Action", [panel] { panel->LoadSample(3); });
    item(samples, QStringLiteral("Sample4"), "sample4Action", [panel] { panel->LoadSample(4); });

    QMenu* help = menu(menuBar(), QStringLiteral("ヘルプ"), "helpMenu");
    item(help, QStringLiteral("バージョン情報"), "aboutAction", [this] {
        platform::ShowMessage(this, QStringLiteral("ImpactFrame %1\n三次元衝撃骨組み構造解析")
                                        .arg(QString::fromUtf8(version::VersionText())));
    });
}

void MainWindow::SetCommandsEnabled(bool enabled) {
    // While a computation runs only "終了" stays available: the other commands would
    // change the structure, whose results would then belong to no revision of it, or
    // start another computation.
    for (QAction* a : findChildren<QAction*>()) {
        if (a->isSeparator() || a->menu()) continue;
        const QString name = a->objectName();
        if (name.isEmpty() || name == QLatin1String("exitAction") ||
            name == QLatin1String("staticAnalysisAction") ||
            name == QLatin1String("drawDeformedStructureAction"))
            continue;
        a->setEnabled(enabled);
    }
}

void MainWindow::PlaceInClientArea(QWidget* window, int top, int left) {
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    window->move(origin.x() + left, origin.y() + top);
}

void MainWindow::ResetViewWindow() {
    DiscardViewWindow();
    Suppressed([this] { analysisPanel_->DrawStructure(); });
    // A child window loaded anew shows itself.
    ShowViewWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The program ends at once, without a question; a running analysis stops.
    analysisPanel_->Abandon();
    event->accept();
    QApplication::quit();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == analysisPanelSub_ && event->type() == QEvent::Close) {
        // Closing the analysis panel ends the program like closing the main window.
        event->ignore();
        close();
        return true;
    }
    if (watched == mdiArea_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::RightButton) {
            const platform::Color c = AskColour();
            if (c != -1) mdiArea_->setBackground(platform::ToQColor(c));
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

MainWindow* StartUp(const QString& path) {
    // Not deleted on close: closing may happen while a computation of the analysis
    // panel is still on the stack; the caller deletes the window after the event loop.
    auto* window = new MainWindow();
    window->show();
    if (!path.isEmpty()) window->analysisPanel()->OpenStructureFile(path);
    return window;
}

}  // namespace shell
