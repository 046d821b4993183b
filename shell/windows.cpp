// The frame's side of the view window, the result window, the file service and
// the keypad: windows created on first use and kept until discarded.
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include "results/forcegraphwindow.h"
#include "services/fileservice.h"
#include "services/keypad.h"
#include "shell/mainform.h"
#include "shell/mdiform1.h"
#include "view3d/viewwindow.h"

namespace shell {

struct MDIForm1::Windows {
    QPointer<view3d::ViewWindow> viewWindow;
    QPointer<QMdiSubWindow> viewSub;
    QPointer<results::ForceGraphWindow> forceGraphs;
    QPointer<services::Keypad> keypad;
};

MDIForm1::Windows* MDIForm1::NewWindows() {
    return new Windows;
}

void MDIForm1::DeleteWindows(Windows* w) {
    delete w;
}

view3d::SceneView& MDIForm1::Scene() {
    if (!w_->viewWindow) {
        // Loading the view window sets the default view; it opens hidden, to the
        // right of the analysis form.
        auto* g = new view3d::ViewWindow();
        g->setObjectName(QStringLiteral("Graphic3D"));
        g->ColorRequest = [this] { return AskColour(); };
        QMdiSubWindow* sub = mdiArea_->addSubWindow(g);
        sub->setObjectName(QStringLiteral("Graphic3DWindow"));
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->move(mainSub_->frameGeometry().width(), 0);
        sub->hide();
        w_->viewWindow = g;
        w_->viewSub = sub;
    }
    return w_->viewWindow->Scene();
}

void MDIForm1::ShowViewWindow() {
    Scene();
    w_->viewWindow->show();
    w_->viewSub->show();
}

void MDIForm1::DiscardViewWindow() {
    if (w_->viewSub) {
        mdiArea_->removeSubWindow(w_->viewSub);
        delete w_->viewSub;  // deletes the view window with it
    }
}

QWidget* MDIForm1::ViewWindow() const {
    return w_->viewWindow;
}

void MDIForm1::ShowForceGraphs(int nw, double te, int element, const numeric::RealMatrix& histories,
                               int globalFlag, bool drawNow) {
    if (!w_->forceGraphs) {
        // A closed result window is discarded; the next one starts with its defaults.
        auto* r = new results::ForceGraphWindow();
        r->setObjectName(QStringLiteral("ReSult"));
        QMdiSubWindow* sub = mdiArea_->addSubWindow(r);
        sub->setObjectName(QStringLiteral("ReSultWindow"));
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

QWidget* MDIForm1::ForceGraphWindow() const {
    return w_->forceGraphs;
}

QString MDIForm1::AskReadFile() {
    services::FileService& files = services::ProgramFileService();
    files.SetParentWindow(this);
    return files.ChooseFileToRead();
}

QString MDIForm1::AskWriteFile() {
    services::FileService& files = services::ProgramFileService();
    files.SetParentWindow(this);
    return files.ChooseFileToWrite();
}

// While a computation runs no modal dialog opens: its own event loop would hold the
// computation, and the stop button with it, until the dialog was closed.

platform::Color MDIForm1::AskColour() {
    if (mainForm_->Busy()) return -1;
    services::FileService& files = services::ProgramFileService();
    files.SetParentWindow(this);
    return files.ChooseColor();
}

QString MDIForm1::InputText(QLineEdit* box) {
    if (mainForm_->Busy()) return box->text();
    if (!w_->keypad) w_->keypad = new services::Keypad(this);
    return w_->keypad->InputText(box);
}

}  // namespace shell
