#pragma once
// MDIForm1: the program's main frame. It carries the menu bar, holds the analysis
// form, the three-dimensional view and the result graphs as child windows, and
// forwards every menu command to the analysis form.
#include <QMainWindow>
#include <QString>

#include "numeric/gauss.h"
#include "platform/surface.h"

class QAction;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;

namespace view3d {
class SceneView;
}

namespace shell {

class MainForm;

class MDIForm1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit MDIForm1(QWidget* parent = nullptr);
    ~MDIForm1() override;

    // Places `window` with its top `top` pixels below and its left `left` pixels to
    // the right of the top-left corner of the frame's client area.
    void ShowPosition(QWidget* window, int top, int left);

    [[nodiscard]] MainForm* mainForm() const { return mainForm_; }
    [[nodiscard]] QMdiArea* mdiArea() const { return mdiArea_; }
    // The menu command named `name` (the control name, e.g. "MenueSample1").
    [[nodiscard]] QAction* Command(const QString& name) const;

    // --- windows and services for the analysis form ------------------------------
    // The view of the three-dimensional view window, created (hidden) on first use.
    view3d::SceneView& Scene();
    void ShowViewWindow();
    // Discards the view window and its settings ("３Ｄ初期化" then draws anew).
    void DiscardViewWindow();
    [[nodiscard]] QWidget* ViewWindow() const;
    // Hands one element's force histories to the result window (created on first
    // use), shows it in front and, when drawNow, draws every component.
    void ShowForceGraphs(int nw, double te, int element, const numeric::RealMatrix& histories,
                         int globalFlag, bool drawNow);
    [[nodiscard]] QWidget* ForceGraphWindow() const;
    QString AskReadFile();
    QString AskWriteFile();
    platform::Color AskColour();  // -1 when cancelled
    QString InputText(QLineEdit* box);

    // "３Ｄ初期化".
    void Men3DInit();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMenus();
    void SetCommandsEnabled(bool enabled);
    // Runs a command whose failures are suppressed: a failing step is skipped.
    template <class F>
    static void Suppressed(F step);

    QMdiArea* mdiArea_ = nullptr;
    MainForm* mainForm_ = nullptr;
    QMdiSubWindow* mainSub_ = nullptr;
    // The view, result, file and keypad windows (windows.cpp).
    struct Windows;
    static Windows* NewWindows();
    static void DeleteWindows(Windows* w);
    Windows* w_;
};

// Start-up: creates the main frame and shows it. When `path` is not empty the
// structure data file is read as if it had been chosen for reading. The caller owns
// the frame.
MDIForm1* StartUp(const QString& path = QString());

}  // namespace shell
