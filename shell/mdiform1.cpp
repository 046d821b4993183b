#include "shell/mdiform1.h"

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

#include "analysis/engine.h"
#include "platform/qtcolor.h"
#include "shell/mainform.h"
#include "shell/numbertext.h"

namespace shell {

MDIForm1::MDIForm1(QWidget* parent) : QMainWindow(parent), w_(NewWindows()) {
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("三次元衝撃骨組み構造解析"));
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName(QStringLiteral("MdiArea"));
    // Scroll bars rather than a frame that grows past the screen on small screens.
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    mdiArea_->viewport()->installEventFilter(this);

    mainForm_ = new MainForm(this);
    mainSub_ = mdiArea_->addSubWindow(mainForm_, Qt::SubWindow | Qt::WindowTitleHint |
                                                     Qt::WindowMinimizeButtonHint |
                                                     Qt::WindowCloseButtonHint);
    mainSub_->setObjectName(QStringLiteral("MainFormWindow"));
    mainSub_->installEventFilter(this);
    mainSub_->move(0, 0);
    mainSub_->show();
    BuildMenus();
    connect(mainForm_, &MainForm::BusyChanged, this, [this](bool busy) {
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

MDIForm1::~MDIForm1() {
    DeleteWindows(w_);
}

QAction* MDIForm1::Command(const QString& name) const {
    return findChild<QAction*>(name);
}

template <class F>
void MDIForm1::Suppressed(F step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

void MDIForm1::BuildMenus() {
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
    MainForm* f = mainForm_;

    QMenu* file = menu(menuBar(), QStringLiteral("ファイル"), "MenueFileRoot");
    item(file, QStringLiteral("構造データ読込"), "MenReadStructure", [f] { f->StructDataRead(); });
    item(file, QStringLiteral("構造データ書込"), "MenWriteStructur",
         [f] { f->StructDataWrite(false); });
    item(file, QStringLiteral("構造データ上書"), "MenOverWriteStructure",
         [f] { f->StructDataWrite(true); });
    separator(file, "MenueFileB1");
    item(file, QStringLiteral("終了"), "MenueFileEnding", [this] { close(); });

    QMenu* calc = menu(menuBar(), QStringLiteral("計算"), "MenueAnalysRoot");
    item(calc, QStringLiteral("動的ＦＥＭ解析"), "MenDynamicAnalys",
         [f] { Suppressed([f] { f->FemAnalyse(); }); });
    QAction* statics = item(calc, QStringLiteral("静的解析のみ"), "MenStaticAnalys", [] {});
    statics->setVisible(false);
    statics->setEnabled(false);
    item(calc, QStringLiteral("要素節点力解析"), "MenCalNodeForces",
         [f] { Suppressed([f] { f->FemElementForce(f->ChosenElement()); }); });

    QMenu* disp = menu(menuBar(), QStringLiteral("表示"), "MenueDispRoot");
    item(disp, QStringLiteral("構造表示"), "MenDispStructure",
         [f] { Suppressed([f] { f->DrawStructure(); }); });
    QAction* deformed = item(disp, QStringLiteral("変形表示"), "MenueDispStructAndDisp", [] {});
    deformed->setVisible(false);
    deformed->setEnabled(false);
    item(disp, QStringLiteral("詳細変形表示"), "MenDispStructDetail",
         [f] { Suppressed([f] { f->DrawDeformation(f->Magnification()); }); });
    item(disp, QStringLiteral("簡易変形表示"), "MenDispStructSymple",
         [f] { Suppressed([f] { f->DrawDeformationSimple(f->Magnification()); }); });
    separator(disp, "MenDispb1");
    item(disp, QStringLiteral("３Ｄ初期化"), "Men3DInit", [this] { Men3DInit(); });

    QMenu* options = menu(menuBar(), QStringLiteral("オプション"), "MenueOptionRoot");
    QMenu* samples = menu(options, QStringLiteral("例題"), "MenueSampleRoot");
    item(samples, QStringLiteral("Sample1"), "MenueSample1", [f] { f->zSample1(); });
    item(samples, QStringLiteral("Sample2"), "MenueSample2", [f] { f->zSample2(); });
    item(samples, QStringLiteral("Sample3"), "MenueSample3", [f] { f->zSample3(); });
    item(samples, QStringLiteral("Sample4"), "MenueSample4", [f] { f->zSample4(); });
}

void MDIForm1::SetCommandsEnabled(bool enabled) {
    // While a computation runs only "終了" stays available: the other commands would
    // change or read the model the computation is working on.
    for (QAction* a : findChildren<QAction*>()) {
        if (a->isSeparator() || a->menu()) continue;
        const QString name = a->objectName();
        if (name.isEmpty() || name == QLatin1String("MenueFileEnding") ||
            name == QLatin1String("MenStaticAnalys") ||
            name == QLatin1String("MenueDispStructAndDisp"))
            continue;
        a->setEnabled(enabled);
    }
}

void MDIForm1::ShowPosition(QWidget* window, int top, int left) {
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    window->move(origin.x() + left, origin.y() + top);
}

void MDIForm1::Men3DInit() {
    DiscardViewWindow();
    Suppressed([this] { mainForm_->DrawStructure(); });
    // A child window loaded anew shows itself.
    ShowViewWindow();
}

void MDIForm1::closeEvent(QCloseEvent* event) {
    // The program ends at once, without a question; a running analysis stops.
    mainForm_->Abandon();
    event->accept();
    QApplication::quit();
}

bool MDIForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mainSub_ && event->type() == QEvent::Close) {
        // Closing the analysis form ends the program like closing the frame.
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

MDIForm1* StartUp(const QString& path) {
    // Not deleted on close: closing may happen while a computation of the analysis
    // form is still on the stack; the caller deletes the frame after the event loop.
    auto* frame = new MDIForm1();
    frame->show();
    if (!path.isEmpty()) frame->mainForm()->OpenStructureFile(path);
    return frame;
}

}  // namespace shell
