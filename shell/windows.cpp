// The main window's side of the view window, the force graphs, the file service and
// the keypad: windows created on first use and kept until discarded.
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include "results/forcegraphwindow.h"
#include "services/fileservice.h"
#include "services/keypad.h"
#include "shell/analysispanel.h"
#include "shell/mainwindow.h"
#include "view3d/viewwindow.h"

namespace shell {

struct MainWindow::Windows {
    QPointer<view3d::ViewWindow> viewWindow;
    QPointer<QMdiSubWindow> viewSub;
    QPointer<results::ForceGraphWindow> forceGraphs;
    QPointer<services::Keypad> keypad;
};

MainWindow::Windows* MainWindow::NewWindows() {
    return new Windows;
}

void MainWindow::DeleteWindows(Windows* w) {
    delete w;
}

view3d::SceneView& MainWindow::Scene() {
    if (!w_->viewWindow) {
        // Loading the view window sets the default view; it opens hidden, to the
        // right of the analysis panel.
        auto* g = new view3d::ViewWindow();
        g->setObjectName(QStringLiteral("viewWindow"));
        g->ColorRequest = [this] { return AskColour(); };
        QMdiSubWindow* sub = mdiArea_->addSubWindow(g);
        sub->setObjectName(QStringLiteral("viewSubWindow"));
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->move(analysisPanelSub_->frameGeometry().width(), 0);
        sub->hide();
        w_->viewWindow = g;
        w_->viewSub = sub;
    }
    return w_->viewWindow->Scene();
}

void MainWindow::ShowViewWindow() {
    Scene();
    w_->viewWindow->show();
    w_->viewSub->show();
}

void MainWindow::DiscardViewWindow() {
    if (w_->viewSub) {
        mdiArea_->removeSubWindow(w_->viewSub);
        delete w_->viewSub;  // deletes the view window with it
    }
}

QWidget* MainWindow::ViewWindow() const {
    return w_->viewWindow;
}

void MainWindow::ShowForceGraphs(int nw, double te, int element,
                                 const numeric::RealMatrix& histories, int globalFlag,
                                 bool drawNow) {
    if (!w_->forceGraphs) {
        // A closed result window is discarded; the next one starts with its defaults.
        auto* r = new results::ForceGraphWindow();
        r->setObjectName(QStringLiteral("forceGraphWindow"));
        QMdiSubWindow* sub = mdiArea_->addSubWindow(r);
        sub->setObjectName(QStringLiteral("forceGraphSubWindow"));
        sub->setAttribute(Qt::WA_DeleteOnClose);
        w_->forceGraphs = r;
    }
    results::ForceGraphWindow* r = w_->forceGraphs;
    r->SetForceHistories(12, nw, te, element, histories, globalFlag);
    r->show();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(r->parentWidget())) {
        sub->show();
        sub->raise();
        mdiArea_->setActiveSubWindow(sub);
    }
    if (drawNow) r->DrawAll();
}

QWidget* MainWindow::ForceGraphWindow() const {
    return w_->forceGraphs;
}

QString MainWindow::AskReadFile() {
    services::FileService& files = services::ProgramFileService();
    files.SetParentWindow(this);
    return files.ChooseFileToRead();
}

QString MainWindow::AskWriteFile() {
    services::FileService& files = services::ProgramFileService();
    files.SetParentWindow(this);
    return files.ChooseFileToWrite();
}

// While a computation runs no modal dialog opens: its own event loop would hold the
// computation, and the stop button with it, until the dialog was closed.

platform::Color MainWindow::AskColour() {
    if (analysisPanel_->Busy()) return -1;
    services::FileService& files = services::ProgramFileService();
    files.SetParentWindow(this);
    return files.ChooseColor();
}

QString MainWindow::InputText(QLineEdit* box) {
    if (analysisPanel_->Busy()) return box->text();
    if (!w_->keypad) w_->keypad = new services::Keypad(this);
    return w_->keypad->InputText(box);
}

}  // namespace shell
