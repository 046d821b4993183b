// The main window's side of the view window, the force graphs, the file service and
// the keypad: windows created on first use and kept until discarded.
#include <algorithm>

#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

#include "model/model.h"
#include "results/forcegraphwindow.h"
#include "services/fileservice.h"
#include "services/keypad.h"
#include "shell/analysispanel.h"
#include "shell/document.h"
#include "shell/frfwindow.h"
#include "shell/mainwindow.h"
#include "shell/messages.h"
#include "shell/modeshape.h"
#include "shell/modeswindow.h"
#include "shell/runcontroller.h"
#include "view3d/viewwindow.h"

namespace shell {

struct MainWindow::Windows {
    QPointer<view3d::ViewWindow> viewWindow;
    QPointer<QMdiSubWindow> viewSub;
    bool viewPlaced = false;  // placed beside the panel when first shown
    QPointer<results::ForceGraphWindow> forceGraphs;
    std::uint64_t graphRevision = 0;  // of the structure the graphs were computed for
    QPointer<services::Keypad> keypad;
    QPointer<ModesWindow> modes;
    QPointer<FrequencyResponseWindow> frf;
};

MainWindow::Windows* MainWindow::NewWindows() {
    return new Windows;
}

void MainWindow::DeleteWindows(Windows* w) {
    delete w;
}

view3d::SceneView& MainWindow::Scene() {
    if (!windows_->viewWindow) {
        // Loading the view window sets the default view; it opens hidden, and is placed
        // beside the analysis panel when first shown (the main window has its size then).
        auto* view = new view3d::ViewWindow();
        view->setObjectName(QStringLiteral("viewWindow"));
        view->ColorRequest = [this] { return AskColour(); };
        // It animates the document's structure with the impact response of its last
        // analysis.
        view->SetModel(&document_->Model());
        view->ImpactResponse = [this] { return document_->LastAnalysis().Impact; };
        // Nothing to animate while an analysis runs; its results can be animated after.
        view->SetAnalysisRunning(runs_->Busy());
        connect(runs_, &RunController::BusyChanged, view, &view3d::ViewWindow::SetAnalysisRunning);
        QMdiSubWindow* sub = mdiArea_->addSubWindow(view);
        sub->setObjectName(QStringLiteral("viewSubWindow"));
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->hide();
        windows_->viewWindow = view;
        windows_->viewSub = sub;
        windows_->viewPlaced = false;
    }
    return windows_->viewWindow->Scene();
}

void MainWindow::ShowViewWindow() {
    Scene();
    if (!windows_->viewPlaced) {
        PlaceSubWindow(windows_->viewSub);
        windows_->viewPlaced = true;
    }
    windows_->viewWindow->show();
    windows_->viewSub->show();
}

void MainWindow::DiscardViewWindow() {
    if (windows_->viewSub) {
        mdiArea_->removeSubWindow(windows_->viewSub);
        delete windows_->viewSub;  // deletes the view window with it
    }
}

QWidget* MainWindow::ViewWindow() const {
    return windows_->viewWindow;
}

namespace {

// Shows the force graphs in front (inside their subwindow) and draws them when asked.
void Present(QMdiArea* area, results::ForceGraphWindow* graphs, bool drawNow) {
    graphs->show();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(graphs->parentWidget())) {
        sub->show();
        sub->raise();
        area->setActiveSubWindow(sub);
    }
    if (drawNow) graphs->DrawAll();
}

}  // namespace

QSize MainWindow::WorkingAreaSize() const {
    // Less the vertical scroll bar that an analysis panel taller than the area brings,
    // before the area has shown it.
    QSize area = mdiArea_->viewport()->size();
    const QScrollBar* bar = mdiArea_->verticalScrollBar();
    if (!bar->isVisible() && analysisPanelSub_->geometry().bottom() >= area.height())
        area.rwidth() -= mdiArea_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
    return area;
}

QRect MainWindow::RoomBesidePanel() const {
    const QSize area = WorkingAreaSize();
    const int left = analysisPanelSub_->geometry().right() + 1;
    return {left, 0, std::max(0, area.width() - left), area.height()};
}

void MainWindow::PlaceSubWindow(QMdiSubWindow* sub) {
    // Beside the analysis panel, so that its controls stay in sight, narrowed and
    // shortened to the room there as far as the window's controls allow. A window that
    // cannot be made narrow enough goes as far right as it fits, never beyond the working
    // area's left or top edge.
    const QRect room = RoomBesidePanel();
    const QSize least = sub->minimumSizeHint();
    QSize size = sub->size();
    if (size.width() > room.width()) size.setWidth(std::max(room.width(), least.width()));
    if (size.height() > room.height()) size.setHeight(std::max(room.height(), least.height()));
    if (size != sub->size()) sub->resize(size);
    sub->move(std::max(0, std::min(room.x(), WorkingAreaSize().width() - sub->width())), 0);
}

void MainWindow::KeepInsideArea(QMdiSubWindow* sub) {
    if (!QRect(QPoint(0, 0), WorkingAreaSize()).contains(sub->geometry())) PlaceSubWindow(sub);
}

void MainWindow::PlaceBesidePanel(QWidget* window) {
    const QPoint corner = mdiArea_->viewport()->mapToGlobal(
        QPoint(analysisPanelSub_->frameGeometry().right() + 1, analysisPanelSub_->y()));
    QRect wanted(corner, window->frameGeometry().size());
    if (const QScreen* screen =
            window->screen() ? window->screen() : QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        wanted.moveRight(std::min(wanted.right(), s.right()));
        wanted.moveBottom(std::min(wanted.bottom(), s.bottom()));
        wanted.moveLeft(std::max(wanted.left(), s.left()));
        wanted.moveTop(std::max(wanted.top(), s.top()));
    }
    window->move(wanted.topLeft());
}

void MainWindow::StructureChanged() {
    UpdateTitle();
    UpdateStructureCommands();
    // Graphs of the structure before the change say so, and nothing of them is saved.
    results::ForceGraphWindow* graphs = windows_->forceGraphs;
    if (graphs && !graphs->Retired() && windows_->graphRevision != document_->Model().Revision())
        graphs->Retire(MissingResultsMessage(MissingResults::Changed, QString()));
}

results::ForceGraphWindow* MainWindow::ForceGraphs() {
    if (!windows_->forceGraphs) {
        // A closed force-graph window is discarded; the next one starts with its defaults.
        auto* graphs = new results::ForceGraphWindow();
        graphs->setObjectName(QStringLiteral("forceGraphWindow"));
        // "補正して再解析": the analysis again with the aliasing correction.
        graphs->CorrectionRequested = [this] { analysisPanel_->RunAnalysisCorrected(); };
        QMdiSubWindow* sub = mdiArea_->addSubWindow(graphs);
        sub->setObjectName(QStringLiteral("forceGraphSubWindow"));
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->adjustSize();
        PlaceSubWindow(sub);
        windows_->forceGraphs = graphs;
    }
    return windows_->forceGraphs;
}

void MainWindow::ShowHistories(const HistoryEnd& histories, bool drawNow) {
    results::ForceGraphWindow* graphs = ForceGraphs();
    const fem::AnalysisSettings& settings = histories.Solution->Settings();
    const numeric::RealMatrix& best = histories.Histories.Best();
    const int number = histories.Request.Number;
    if (histories.Request.Kind == HistoryKind::ElementForces)
        graphs->SetForceHistories(12, settings.Nw, settings.Te, number, best,
                                  histories.Request.Axes == fem::ForceAxes::Global ? 1 : 0,
                                  document_->Model(), document_->Statics());
    else
        graphs->SetNodeDisplacements(settings.Nw, settings.Te, number, best, document_->Model(),
                                     document_->Statics());
    const HistoryRequest& request = histories.Request;
    const bool relative = request.Frame == fem::GroundFrame::RelativeToGround;
    if (request.Kind == HistoryKind::SupportReactions) {
        graphs->NameNodeQuantity(QStringLiteral("支点反力の計算結果"),
                                 QStringLiteral("［支点反力］"),
                                 {"Fx=", "Fy=", "Fz=", "Mx=", "My=", "Mz="}, "t,fx,fy,fz,mx,my,mz");
    } else if (request.Kind == HistoryKind::NodeDisplacements &&
               request.Quantity == fem::ResponseQuantity::Velocity) {
        graphs->NameNodeQuantity(
            QStringLiteral("節点速度の計算結果"),
            relative ? QStringLiteral("［速度・相対］") : QStringLiteral("［速度］"),
            {"vx=", "vy=", "vz=", "ωx=", "ωy=", "ωz="}, "t,vx,vy,vz,wx,wy,wz");
    } else if (request.Kind == HistoryKind::NodeDisplacements &&
               request.Quantity == fem::ResponseQuantity::Acceleration) {
        graphs->NameNodeQuantity(
            QStringLiteral("節点加速度の計算結果"),
            relative ? QStringLiteral("［加速度・相対］") : QStringLiteral("［加速度］"),
            {"ax=", "ay=", "az=", "αx=", "αy=", "αz="}, "t,ax,ay,az,alphax,alphay,alphaz");
    } else if (request.Kind == HistoryKind::NodeDisplacements && relative) {
        graphs->NameNodeQuantity(QStringLiteral("節点変位の計算結果"),
                                 QStringLiteral("［変位・相対］"),
                                 {"ux=", "uy=", "uz=", "θx=", "θy=", "θz="}, "t,ux,uy,uz,rx,ry,rz");
    }
    graphs->SetEstimatedErrors(histories.Histories.EstimatedError);
    graphs->SetStructureName(
        document_->Path().empty()
            ? (analysisPanel_->SampleNumber() > 0
                   ? QStringLiteral("Sample%1").arg(analysisPanel_->SampleNumber())
                   : QString())
            : QFileInfo(QString::fromStdString(document_->Path())).fileName());
    windows_->graphRevision = histories.Solution->ModelRevision();
    // The error list may have widened the window past the working area's edge.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(graphs->parentWidget())) KeepInsideArea(sub);
    Present(mdiArea_, graphs, drawNow);
}

QWidget* MainWindow::ForceGraphWindow() const {
    return windows_->forceGraphs;
}

ModesWindow* MainWindow::OpenModesWindow() {
    if (!windows_->modes) {
        auto* modes = new ModesWindow(this, *document_);
        QMdiSubWindow* sub = mdiArea_->addSubWindow(modes);
        sub->setObjectName(QStringLiteral("modesSubWindow"));
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->adjustSize();
        PlaceSubWindow(sub);
        // Its modes are let go of once the structure they belong to has changed.
        connect(analysisPanel_, &AnalysisPanel::StructureRedrawn, modes,
                [modes] { modes->RetireIfStale(); });
        connect(runs_, &RunController::BusyChanged, modes,
                [modes](bool busy) { modes->SetAnalysisBusy(busy); });
        modes->SetAnalysisBusy(runs_->Busy());
        windows_->modes = modes;
    }
    ModesWindow* modes = windows_->modes;
    modes->show();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(modes->parentWidget())) {
        sub->show();
        sub->raise();
        mdiArea_->setActiveSubWindow(sub);
    }
    return modes;
}

FrequencyResponseWindow* MainWindow::OpenFrequencyResponseWindow() {
    if (!windows_->frf) {
        auto* frf = new FrequencyResponseWindow(*document_);
        QMdiSubWindow* sub = mdiArea_->addSubWindow(frf);
        sub->setObjectName(QStringLiteral("frfSubWindow"));
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->adjustSize();
        sub->move(std::max(0, mdiArea_->viewport()->width() - sub->width()), 0);
        connect(analysisPanel_, &AnalysisPanel::StructureRedrawn, frf,
                [frf] { frf->StructureChanged(); });
        connect(runs_, &RunController::BusyChanged, frf,
                [frf](bool busy) { frf->SetAnalysisBusy(busy); });
        frf->SetAnalysisBusy(runs_->Busy());
        windows_->frf = frf;
    }
    FrequencyResponseWindow* frf = windows_->frf;
    frf->StructureChanged();
    frf->show();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(frf->parentWidget())) {
        sub->show();
        sub->raise();
        mdiArea_->setActiveSubWindow(sub);
    }
    return frf;
}

ModesWindow* MainWindow::Modes() const {
    return windows_->modes;
}

void MainWindow::ShowModeShape(const fem::NaturalMode& mode, double magnification) {
    // The still shape, every bar along its exact shape, is drawn over the structure;
    // "再生" in the view then lets the mode oscillate at the same magnification.
    ShowViewWindow();
    try {
        analysisPanel_->DrawStructure();
        const fem::Model& model = document_->Model();
        DrawModeShape(Scene(), model, mode, magnification);
        auto frames = std::make_shared<view3d::ModeShapeFrames>(mode.NodeDisp, mode.FrequencyHz,
                                                                model.Revision());
        // The members oscillate along the same exact shape: its inner points.
        auto members = ModeShapeTranslations(model, mode);
        for (auto& points : members)
            if (points.size() >= 2) points = {points.begin() + 1, points.end() - 1};
        frames->SetMemberShapes(std::move(members));
        windows_->viewWindow->SetFrames(std::move(frames), magnification);
    } catch (const std::exception&) {
        // A structure that cannot be drawn shows no shape either.
    }
}

void MainWindow::AnimateImpactResponse() {
    if (windows_->viewWindow) windows_->viewWindow->SetFrames(nullptr);
}

namespace {

// The file service's filter and entry while a structure file dialog shows its own.
class FilterDuring {
  public:
    FilterDuring(services::FileService& files, const QString& filter, int index)
        : files_(files), filter_(files.Filter()), index_(files.FilterIndex()) {
        files_.SetFilter(filter);
        files_.SetFilterIndex(index + 1);
    }
    ~FilterDuring() {
        files_.SetFilter(filter_);
        files_.SetFilterIndex(index_);
    }
    FilterDuring(const FilterDuring&) = delete;
    FilterDuring& operator=(const FilterDuring&) = delete;

  private:
    services::FileService& files_;
    QString filter_;
    int index_;
};

}  // namespace

// The file dialogs of the structure data start in the folder of the document's file;
// without one, where the file service started last (at first the folder the program was
// started from, or the home folder).
QString MainWindow::AskReadFile(const QString& filter) {
    services::FileService& files = services::ProgramFileService();
    files.SetParentWindow(this);
    const FilterDuring during(files, filter, 0);
    const QString path = QString::fromStdString(document_->Path());
    return files.ChooseFileToRead(
        path.isEmpty() ? QString() : QFileInfo(path).absolutePath() + QLatin1Char('/'));
}

QString MainWindow::AskWriteFile(const QString& filter, int& filterIndex,
                                 const QString& proposedName) {
    services::FileService& files = services::ProgramFileService();
    files.SetParentWindow(this);
    const FilterDuring during(files, filter, filterIndex);
    const QString path = files.ChooseFileToWrite(proposedName, true);
    if (!path.isEmpty()) filterIndex = files.FilterIndex() - 1;
    return path;
}

// While a computation runs no modal dialog opens: its own event loop would hold the
// computation, and the stop button with it, until the dialog was closed.

platform::Color MainWindow::AskColour() {
    if (runs_->Busy()) return -1;
    services::FileService& files = services::ProgramFileService();
    files.SetParentWindow(this);
    return files.ChooseColor();
}

QString MainWindow::InputText(QLineEdit* box) {
    if (runs_->Busy()) return box->text();
    if (!windows_->keypad) windows_->keypad = new services::Keypad(this);
    return windows_->keypad->InputText(box);
}

}  // namespace shell
