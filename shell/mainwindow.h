#pragma once
// MainWindow: the program's main window. It holds the document (the structure and its
// results) and the run controller that computes on it, carries the menu bar, holds the
// analysis panel, the three-dimensional view, the force graphs and the natural
// frequencies as child windows, hands each the document, and forwards the menu
// commands to the analysis panel. Its title names the structure's file and marks unsaved
// changes (Qt's "[*]"); closing it, reading a file or building a sample with unsaved
// changes first asks whether to save them.
#include <memory>

#include <QMainWindow>
#include <QRect>
#include <QString>

#include "numeric/gauss.h"
#include "platform/surface.h"

class QAction;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;

namespace fem {
struct NaturalMode;
}  // namespace fem
namespace results {
class ForceGraphWindow;
}
namespace view3d {
class SceneView;
}

namespace shell {

class AnalysisPanel;
class Document;
class FrequencyResponseWindow;
class ModesWindow;
class RunController;
struct HistoryEnd;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Places `window` with its top `top` pixels below and its left `left` pixels to
    // the right of the top-left corner of the main window's client area.
    void PlaceInClientArea(QWidget* window, int top, int left);
    // Where the window starts on a screen whose working area (without task bars) is
    // `available`: it fits there, the analysis panel whole where the area allows.
    [[nodiscard]] QRect StartGeometry(const QRect& available) const;
    // Places a top-level window (a sheet) beside the analysis panel, kept on the screen.
    void PlaceBesidePanel(QWidget* window);

    // The title: the structure's file name (or sample), "[*]" and the program; the mark
    // of unsaved changes follows the document.
    void UpdateTitle();
    // Before the document's structure is set aside (reading a file, building a sample,
    // ending the program): with unsaved changes asks "変更を保存しますか？" and saves when
    // asked. False when the user cancelled or the saving failed: the structure stays.
    bool MaySetStructureAside();

    [[nodiscard]] AnalysisPanel* analysisPanel() const { return analysisPanel_; }
    // The document the windows show, and the computations on it.
    [[nodiscard]] Document& CurrentDocument() const { return *document_; }
    [[nodiscard]] RunController& Runs() const { return *runs_; }
    [[nodiscard]] QMdiArea* mdiArea() const { return mdiArea_; }
    // The menu command of that object name, e.g. "sample1Action".
    [[nodiscard]] QAction* Action(const QString& name) const;

    // --- windows and services for the analysis panel ------------------------------
    // The view of the three-dimensional view window, created (hidden) on first use.
    view3d::SceneView& Scene();
    void ShowViewWindow();
    // The view's animation goes back to the impact response (after a mode was shown).
    void AnimateImpactResponse();
    // Discards the view window and its settings ("３Ｄ初期化" then draws anew).
    void DiscardViewWindow();
    [[nodiscard]] QWidget* ViewWindow() const;
    // Hands the histories of an element's end forces or of a node's displacements to
    // the force graphs (created on first use), with the static lists of the document's
    // static solution, shows them in front and, when drawNow, draws every component.
    // Histories of a corrected analysis are shown corrected, with the estimated error of
    // the uncorrected ones. Raises std::out_of_range for an element or node that the
    // structure does not have.
    void ShowHistories(const HistoryEnd& histories, bool drawNow);
    [[nodiscard]] QWidget* ForceGraphWindow() const;
    // The file dialogs with `filter` ("description|patterns"); the write dialog starts
    // with entry filterIndex (0-based) chosen and proposedName filled in, and gives back
    // the entry chosen. The file service's own filter is kept for its other dialogs.
    QString AskReadFile(const QString& filter);
    QString AskWriteFile(const QString& filter, int& filterIndex, const QString& proposedName);
    platform::Color AskColour();  // -1 when cancelled
    QString InputText(QLineEdit* box);

    // "３Ｄ初期化".
    void ResetViewWindow();

    // "並べて表示" and "重ねて表示" of the "ウィンドウ" menu.
    void TileWindows();
    void CascadeWindows();

    // "固有振動数": the natural-frequency window (created on first use, a closed one is
    // discarded), shown in front.
    ModesWindow* OpenModesWindow();
    [[nodiscard]] ModesWindow* Modes() const;
    // "周波数応答": the frequency-response window (created on first use, a closed one is
    // discarded), shown in front.
    FrequencyResponseWindow* OpenFrequencyResponseWindow();
    // The one place a mode shape reaches the view: the structure, then `mode`'s shape
    // magnified. The mode must belong to the structure as it is now.
    void ShowModeShape(const fem::NaturalMode& mode, double magnification);

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The force-graph window, created on first use (a closed one is discarded).
    results::ForceGraphWindow* ForceGraphs();
    // The size of the working area's viewport once its scroll bars are shown.
    [[nodiscard]] QSize WorkingAreaSize() const;
    // The working area right of the analysis panel, in the area's coordinates.
    [[nodiscard]] QRect RoomBesidePanel() const;
    // A subwindow opened for the first time: beside the analysis panel, inside the
    // working area.
    void PlaceSubWindow(QMdiSubWindow* sub);
    // A subwindow that has grown past the working area's edge is placed anew.
    void KeepInsideArea(QMdiSubWindow* sub);
    void BuildMenus();
    void SetCommandsEnabled(bool enabled);
    // "解析実行" and the commands of the structure: enabled while there is one to analyse.
    void UpdateStructureCommands();
    // After the structure changed: the graphs of the one before are retired.
    void StructureChanged();
    // Runs a command whose failures are suppressed: a failing step is skipped.
    template <class F>
    static void Suppressed(F step);

    std::unique_ptr<Document> document_;
    RunController* runs_ = nullptr;
    QMdiArea* mdiArea_ = nullptr;
    AnalysisPanel* analysisPanel_ = nullptr;
    QMdiSubWindow* analysisPanelSub_ = nullptr;
    // The view, result, file and keypad windows (windows.cpp).
    struct Windows;
    static Windows* NewWindows();
    static void DeleteWindows(Windows* w);
    Windows* windows_;
};

// Start-up: creates the main window and shows it. When `path` is not empty the
// structure data file is read as if it had been chosen for reading. The caller owns
// the main window.
MainWindow* StartUp(const QString& path = QString());

}  // namespace shell
