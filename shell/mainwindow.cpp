#include "shell/mainwindow.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
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
        UpdateStructureCommands();
        // The result window's pen dialog is modal and would hold the computation.
        if (QWidget* result = ForceGraphWindow()) result->setEnabled(!busy);
    });
    // Every change of the structure is drawn: the title, the commands and the graphs
    // follow it.
    connect(analysisPanel_, &AnalysisPanel::StructureRedrawn, this, [this] { StructureChanged(); });
    Scene();  // the view window exists from the start, hidden
    UpdateTitle();
    UpdateStructureCommands();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect start = StartGeometry(screen->availableGeometry());
        resize(start.size());
        move(start.topLeft());
    }
}

QRect MainWindow::StartGeometry(const QRect& available) const {
    // 90 % of the working area's width and 85 % of its height, taller where the analysis
    // panel needs it to be seen whole, up to the working area less a title bar's room;
    // centred across, a quarter of the height left above it.
    constexpr int kTitleBarRoom = 40;
    const int width = static_cast<int>(0.9 * available.width());
    const int panelNeeds =
        analysisPanelSub_->height() + menuBar()->sizeHint().height() + 2 * mdiArea_->frameWidth();
    const int height = std::max(static_cast<int>(0.85 * available.height()),
                                std::min(panelNeeds, available.height() - kTitleBarRoom));
    return {available.x() + (available.width() - width) / 2,
            available.y() + (available.height() - height) / 4, width, height};
}

void MainWindow::UpdateTitle() {
    QString name;
    if (!document_->Path().empty())
        name = QFileInfo(QString::fromStdString(document_->Path())).fileName();
    else if (analysisPanel_->SampleNumber() > 0)
        name = QStringLiteral("Sample%1").arg(analysisPanel_->SampleNumber());
    else
        name = QStringLiteral("無題");
    setWindowTitle(name + QStringLiteral("[*] - 三次元衝撃骨組み構造解析"));
    setWindowModified(document_->ChangedSinceSaved());
}

bool MainWindow::MaySetStructureAside() {
    if (!document_->ChangedSinceSaved()) return true;
    switch (platform::AskSaveChanges(this, QStringLiteral("変更を保存しますか？"))) {
        case platform::SaveChoice::Save:
            return analysisPanel_->WriteStructureData(true);
        case platform::SaveChoice::Discard:
            return true;
        case platform::SaveChoice::Cancel:
            break;
    }
    return false;
}

void MainWindow::UpdateStructureCommands() {
    // Nothing to analyse without elements.
    const bool structure = document_->Model().ElementCount() > 0;
    if (QAction* a = Action(QStringLiteral("dynamicAnalysisAction")))
        a->setEnabled(structure && !runs_->Busy());
}

void MainWindow::TileWindows() {
    mdiArea_->tileSubWindows();
}

void MainWindow::CascadeWindows() {
    mdiArea_->cascadeSubWindows();
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
    auto item = [this](QMenu* m, const QString& caption, const char* name, auto slot,
                       const QKeySequence& shortcut = QKeySequence()) {
        QAction* a = m->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(shortcut);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto separator = [](QMenu* m, const char* name) {
        QAction* a = m->addSeparator();
        a->setObjectName(QLatin1String(name));
    };
    AnalysisPanel* panel = analysisPanel_;

    // Every menu opens with Alt and its letter; the frequent commands have shortcuts.
    QMenu* file = menu(menuBar(), QStringLiteral("ファイル(&F)"), "fileMenu");
    item(
        file, QStringLiteral("構造データ読込(&O)"), "readStructureAction",
        [panel] { panel->ReadStructureData(); }, QKeySequence::Open);
    item(
        file, QStringLiteral("構造データ書込(&A)"), "writeStructureAction",
        [panel] { panel->WriteStructureData(false); },
        QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    item(
        file, QStringLiteral("構造データ上書(&S)"), "overwriteStructureAction",
        [panel] { panel->WriteStructureData(true); }, QKeySequence::Save);
    separator(file, "fileMenuSeparator");
    item(
        file, QStringLiteral("終了(&X)"), "exitAction", [this] { close(); },
        QKeySequence(QStringLiteral("Ctrl+Q")));

    QMenu* structure = menu(menuBar(), QStringLiteral("構造(&S)"), "structureMenu");
    item(structure, QStringLiteral("材料(&M)..."), "materialsAction",
         [panel] { panel->EditMaterials(); });
    item(structure, QStringLiteral("断面(&E)..."), "sectionsAction",
         [panel] { panel->EditSections(); });
    item(structure, QStringLiteral("落下物..."), "droppedWeightAction",
         [panel] { panel->EditDroppedWeight(); });
    item(structure, QStringLiteral("荷重履歴..."), "historiesAction",
         [panel] { panel->EditHistories(); });
    item(structure, QStringLiteral("地盤運動・減衰..."), "groundDampingAction",
         [panel] { panel->EditGroundDamping(); });

    QMenu* calc = menu(menuBar(), QStringLiteral("計算(&C)"), "analysisMenu");
    item(
        calc, QStringLiteral("動的ＦＥＭ解析(&D)"), "dynamicAnalysisAction",
        [panel] { Suppressed([panel] { panel->RunAnalysis(); }); }, QKeySequence(Qt::Key_F5));
    QAction* statics = item(calc, QStringLiteral("静的解析のみ"), "staticAnalysisAction", [] {});
    statics->setVisible(false);
    statics->setEnabled(false);
    item(calc, QStringLiteral("要素節点力解析(&E)"), "nodalForcesAction",
         [panel] { Suppressed([panel] { panel->ComputeElementForces(panel->ChosenElement()); }); });
    item(calc, QStringLiteral("固有振動数(&N)"), "naturalFrequenciesAction",
         [this] { OpenModesWindow(); });
    item(calc, QStringLiteral("周波数応答"), "frequencyResponseAction",
         [this] { OpenFrequencyResponseWindow(); });

    QMenu* disp = menu(menuBar(), QStringLiteral("表示(&V)"), "displayMenu");
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

    QMenu* options = menu(menuBar(), QStringLiteral("オプション(&O)"), "optionsMenu");
    QMenu* samples = menu(options, QStringLiteral("例題"), "samplesMenu");
    item(samples, QStringLiteral("Sample1"), "sample1Action", [panel] { panel->LoadSample(1); });
    item(samples, QStringLiteral("Sample2"), "sample2Action", [panel] { panel->LoadSample(2); });
    item(samples, QStringLiteral("Sample3"), "sample3Action", [panel] { panel->LoadSample(3); });
    item(samples, QStringLiteral("Sample4"), "sample4Action", [panel] { panel->LoadSample(4); });

    QMenu* windows = menu(menuBar(), QStringLiteral("ウィンドウ(&W)"), "windowMenu");
    item(windows, QStringLiteral("並べて表示(&T)"), "tileWindowsAction", [this] { TileWindows(); });
    item(windows, QStringLiteral("重ねて表示(&C)"), "cascadeWindowsAction",
         [this] { CascadeWindows(); });

    QMenu* help = menu(menuBar(), QStringLiteral("ヘルプ(&H)"), "helpMenu");
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
            name == QLatin1String("tileWindowsAction") ||
            name == QLatin1String("cascadeWindowsAction") ||
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
    // Unsaved changes are asked about first; then a running analysis stops.
    if (!MaySetStructureAside()) {
        event->ignore();
        return;
    }
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
