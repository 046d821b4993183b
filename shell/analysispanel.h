#pragma once
// AnalysisPanel: the analysis conditions ("解析条件") inside the main window. Its
// controls load and save structure data, choose how the structure and its static
// deformation are drawn, open the node and element sheets, hold the analysis
// parameters, start and stop the analysis and start the element nodal-force
// computation.
//
// The analysis and the element nodal forces run on a worker thread (WorkerThread), one
// at a time, while the window stays responsive. An analysis works on a copy of the
// program's model, which the window keeps drawing meanwhile; when it has ended, the copy
// with its results replaces the model. The element forces read the model, which nothing
// changes while they run. While either runs, the controls that could change the model
// or start another computation are disabled, and the window reads nothing of the
// engine's run-wide state (fem::Analysis()), which the computation writes.
#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>

#include <QString>
#include <QWidget>

#include "numeric/gauss.h"
#include "shell/sheethost.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace platform {
class PictureBox;
}
namespace view3d {
struct PanelLink;
}
namespace fem {
class Model;
struct AnalysisMessages;
struct HistoryResult;
}  // namespace fem

namespace shell {

class ElementSheet;
class MainWindow;
class NodeSheet;
class WorkerThread;

class AnalysisPanel : public QWidget {
    Q_OBJECT
  public:
    explicit AnalysisPanel(MainWindow* mainWindow, QWidget* parent = nullptr);
    ~AnalysisPanel() override;

    // --- commands of the menus and buttons -------------------------------------
    // "構造データ読込": asks for a file and reads it.
    void ReadStructureData();
    // "構造データ書込" (overwrite false) and "構造データ上書" (overwrite true).
    void WriteStructureData(bool overwrite);
    // Reads the structure data file `path` as if it had been chosen for reading.
    // Returns false (after a message) when it could not be read.
    bool OpenStructureFile(const QString& path);
    // "解析実行": starts the dynamic solution, then the static one, on the worker thread;
    // the messages and the drawing follow when it has ended (ComputationFinished).
    void RunAnalysis();
    // "計算実行": starts the twelve end-force histories of `element` on the worker
    // thread; they are handed to ForceGraphWindow when it has ended.
    void ComputeElementForces(int element);
    // "節点変位" → "計算実行": the six displacement histories of `node`, shown in the
    // force-graph window.
    void ComputeNodeDisplacements(int node);
    // Drawing of the structure and of its static deformation; the deformation only
    // while the static results belong to the structure as it is now.
    void DrawStructure();
    void DrawDeformation(double magnification);
    void DrawDeformationSimple(double magnification);
    // Builds built-in sample `number` (1..4) with its time span and magnification.
    void LoadSample(int number);

    // --- values the main window and the other windows read ----------------------
    // The magnification box read as a double; throws numeric::ComputationFailure
    // when it is not a number.
    [[nodiscard]] double Magnification() const;
    // The element chosen for the nodal forces (0 when none is chosen).
    [[nodiscard]] int ChosenElement() const;
    // The node chosen for the displacement histories (0 when none is chosen).
    [[nodiscard]] int ChosenDisplacementNode() const;
    [[nodiscard]] bool Busy() const { return busy_; }
    // "エイリアシング補正": whether the next analysis also solves the second line of
    // transform points and the histories come corrected, with their estimated error.
    [[nodiscard]] bool CorrectAliasing() const;
    [[nodiscard]] const QString& CurrentFile() const { return currentFile_; }
    [[nodiscard]] int DeformationMode() const { return deformationMode_; }
    [[nodiscard]] const numeric::RealMatrix& ElementForceHistory() const {
        return elementForceHistory_;
    }
    [[nodiscard]] const numeric::RealMatrix& NodeDisplacementHistory() const {
        return nodeDisplacementHistory_;
    }
    [[nodiscard]] platform::PictureBox* SmallPicture() const { return smallPicture_; }
    SheetHost MakeSheetHost();
    NodeSheet* nodeSheet();
    ElementSheet* elementSheet();

    // Opens the node sheet (-1: new node) or the element sheet (-1: new element).
    void EditNode(int number);
    void EditElement(int number);

    // Called when the program ends: a running computation stops and is waited for;
    // nothing of it is shown.
    void Abandon();

  signals:
    // True while an analysis or an element-force computation runs.
    void BusyChanged(bool busy);
    // The progress label of the running computation shows transform point k.
    void Progressed(int k);
    // A computation has ended and its messages, drawing or graphs have been shown.
    void ComputationFinished();
    // The structure is about to be drawn anew: after every change of it (and at other
    // times). Windows holding results of the structure check that they still belong to it.
    void StructureRedrawn();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void LoadDefaults();
    void ConnectHandlers();
    // Enabled states around runs: the data and structure-change groups, the solve
    // button and the nodal-force group.
    void SetInputsEnabled(bool enabled);
    void SetNodalForceEnabled(bool enabled);
    // The node displacement group; enabling fills its node list for the structure.
    QGroupBox* BuildNodeDisplacementGroup();
    void SetNodeDisplacementEnabled(bool enabled);
    void SetBusy(bool busy);
    // Common closing steps after a structure was read or a sample built.
    void StructureReplaced();
    // The redraw button: the structure, then the deformation of the chosen mode.
    void Redraw();
    void ValidateTau();
    void OpenKeypad(QLineEdit* box);
    void PlaceSheet(QWidget* sheet);
    void RefillList(QComboBox* list, int count);
    void ShowElementNodes();
    view3d::PanelLink MakePanelLink();
    // Deformation of the chosen mode with the magnification in its box.
    void DrawChosenDeformation();
    // Whether the static results held belong to the model as it is now. While a
    // computation runs, the answer at its start stands: the engine's state is then the
    // computation's, and the model does not change.
    [[nodiscard]] bool StaticResultsBelong() const;
    // Why the histories of `what` ("節点力", "節点変位") cannot be computed now, or "".
    [[nodiscard]] QString MissingHistoriesReason(const QString& what) const;
    // The ends of the computations, on the user-interface thread.
    void FinishAnalysis(fem::Model& work, const fem::AnalysisMessages& messages,
                        const std::exception_ptr& failure);
    void FinishElementForces(int element, int globalFlag, bool drawNow,
                             fem::HistoryResult& histories, const std::exception_ptr& failure);

    MainWindow* mainWindow_;
    NodeSheet* nodeSheet_ = nullptr;
    ElementSheet* elementSheet_ = nullptr;

    // Values held for the other parts of the program.
    double te_ = 0.001;
    double gammaTe_ = 5.0;
    int nw_ = 512;
    bool correctAliasing_ = false;  // "エイリアシング補正" of the last run
    int deformationMode_ = 0;
    double vectorSize_ = 25.0;
    int elementPenWidth_ = 3;
    // The model revision the last analysis ran for (0: none since the structure was read
    // or built); it chooses the message when the element forces have no results.
    std::uint64_t analysedRevision_ = 0;
    bool staticResultsBelongedAtStart_ = false;
    bool refilling_ = false;
    bool busy_ = false;
    bool abandoned_ = false;
    QString currentFile_;
    numeric::RealMatrix elementForceHistory_;
    numeric::RealMatrix nodeDisplacementHistory_;

    // The running computation: its thread, the label that shows its progress and the
    // stop button's request, which the computation's thread passes on to the engine.
    WorkerThread* worker_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    std::atomic<bool> stopPressed_{false};

    // "Data"
    QGroupBox* dataGroup_ = nullptr;
    QPushButton* readDataButton_ = nullptr;
    QPushButton* saveDataButton_ = nullptr;
    // "構造３Ｄ表示"
    QGroupBox* displayGroup_ = nullptr;
    QLineEdit* magnificationEdit_ = nullptr;
    QPushButton* redrawButton_ = nullptr;
    std::array<QRadioButton*, 3> deformationButtons_{};
    QCheckBox* elementAxesCheck_ = nullptr;
    QLabel* fileNameLabel_ = nullptr;
    // "構造変更"
    QGroupBox* structureGroup_ = nullptr;
    QComboBox* nodeCombo_ = nullptr;
    QComboBox* elementCombo_ = nullptr;
    QPushButton* addNodeButton_ = nullptr;
    QPushButton* addElementButton_ = nullptr;
    // "ＦＥＭ解析"
    QGroupBox* analysisGroup_ = nullptr;
    QLineEdit* teEdit_ = nullptr;
    QLineEdit* gammaTeEdit_ = nullptr;
    QComboBox* nwCombo_ = nullptr;
    QLineEdit* tauEdit_ = nullptr;
    QCheckBox* aliasingCheck_ = nullptr;
    QPushButton* runAnalysisButton_ = nullptr;
    QLabel* analysisProgress_ = nullptr;
    // "節点力計算"
    QGroupBox* nodalForceGroup_ = nullptr;
    QComboBox* forceElementCombo_ = nullptr;
    QLabel* elementNodesLabel_ = nullptr;
    QCheckBox* globalComponentsCheck_ = nullptr;
    QCheckBox* drawAtOnceCheck_ = nullptr;
    QPushButton* computeForcesButton_ = nullptr;
    QLabel* forceProgress_ = nullptr;
    // "節点変位"
    QGroupBox* nodeDisplacementGroup_ = nullptr;
    QComboBox* displacementNodeCombo_ = nullptr;
    QPushButton* showDisplacementsButton_ = nullptr;
    // The window itself
    QPushButton* stopButton_ = nullptr;
    platform::PictureBox* smallPicture_ = nullptr;
    QLabel* positionLabel_ = nullptr;
};

}  // namespace shell
