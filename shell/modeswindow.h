#pragma once
// ModesWindow: "固有振動数", the natural frequencies of the structure and, for the mode
// chosen in its list, the mode shape in the three-dimensional view.
//
// The search runs on a worker thread of the window's own (WorkerThread) on a snapshot of
// the document's model, so that the windows stay responsive; "中止" ends it, keeping the
// modes found by then. The modes found are the document's (Document::Modes) and belong
// to the revision of the structure they were found for: once the structure has changed
// the list is emptied and no shape of it is drawn.
#include <exception>
#include <memory>
#include <vector>

#include <QString>
#include <QWidget>

#include "analysis/modes.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace shell {

class Document;
class MainWindow;
class WorkerThread;

class ModesWindow : public QWidget {
    Q_OBJECT
  public:
    ModesWindow(MainWindow* mainWindow, Document& document, QWidget* parent = nullptr);
    // A running search is stopped and waited for.
    ~ModesWindow() override;

    // "計算実行": the lowest "モード数" frequencies and/or those below "上限振動数" of
    // the structure as it is now. Refused with a message while a search runs or when
    // the boxes hold no valid request.
    void Run();
    // "中止".
    void Stop();
    [[nodiscard]] bool Running() const;
    // While the analysis panel computes, no search starts, as no other command does.
    void SetAnalysisBusy(bool busy);

    // The modes listed: the document's (empty when none, or retired).
    [[nodiscard]] const std::vector<fem::NaturalMode>& Modes() const;
    // Chooses mode `row` (0 = the lowest) of the list and draws its shape.
    void ChooseMode(int row);
    // Empties the list when its modes belong to another revision of the structure.
    // Returns true when it did.
    bool RetireIfStale();

    // The list as text, one line per mode, columns separated by tabs: the selected
    // lines, or the heading and every line when none is selected. CopyList puts it on
    // the clipboard.
    [[nodiscard]] QString ListText() const;
    void CopyList() const;

    // The window's controls.
    QLineEdit* countEdit;          // "モード数"
    QLineEdit* belowEdit;          // "上限振動数 (Hz)", empty: no limit
    QPushButton* runButton;        // "計算実行"
    QPushButton* stopButton;       // "中止"
    QLabel* progressLabel;         // modes found and factorisations of the running search
    QLabel* statusLabel;           // what the list holds
    QTreeWidget* modeList;         // 次数, 振動数, 周期
    QLineEdit* magnificationEdit;  // "表示倍率" of the shape
    QCheckBox* autoMagnification;  // "自動": each mode's own default magnification

  signals:
    // A search has ended and its list (or its message) is shown.
    void SearchFinished();

  private:
    struct Search;  // one search: its model, request, stop flag, progress and result
    void SetRunning(bool running);
    void ShowProgress();
    void Finish(const std::shared_ptr<Search>& search, const std::exception_ptr& failure);
    void FillList(const std::vector<fem::NaturalMode>& modes);
    void ClearList(const QString& status);
    // Draws the chosen mode with the box's magnification (its default when "自動").
    void DrawChosenMode();

    MainWindow* mainWindow_;
    Document& document_;
    WorkerThread* worker_;
    std::shared_ptr<Search> search_;  // the running one, or null
    bool analysisBusy_ = false;
};

}  // namespace shell
