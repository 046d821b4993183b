#pragma once
// AnalysisPanel: the analysis conditions ("解析条件") inside the main window. Its
// controls load and save structure data, choose how the structure and its static
// deformation are drawn, open the node and element sheets, hold the analysis
// parameters, and start and stop the analysis and the histories of an element or node.
//
// The panel shows the form and the progress; the computations are the run controller's
// (RunController), which works on the document. While a computation runs, the controls
// that could change the structure or start another computation are disabled.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include <QString>
#include <QWidget>

#include "analysis/histories.h"
#include "analysis/settings.h"
#include "shell/sheethost.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace platform {
class PictureBox;
}
namespace view3d {
struct PanelLink;
}

namespace shell {

class Document;
class ElementSheet;
class MainWindow;
class GroundDampingDialog;
class HistoriesDialog;
class MaterialsDialog;
class DroppedWeightDialog;
class SectionsDialog;
class NodeSheet;
class RunController;
struct AnalysisEnd;
struct HistoryEnd;
struct HistoryRequest;

class AnalysisPanel : public QWidget {
    Q_OBJECT
  public:
    AnalysisPanel(MainWindow* mainWindow, Document& document, RunController& runs,
                  QWidget* parent = nullptr);
    ~AnalysisPanel() override;

    // --- commands of the menus and buttons -------------------------------------
    // "構造データ読込": asks for a file and reads it.
    void ReadStructureData();
    // "構造データ書込" (overwrite false) and "構造データ上書" (overwrite true). A name chosen
    // without an extension gets ".txt", or ".json" for a structure that only data file
    // version 2 holds; such a structure is not written under a ".txt" name without
    // asking. Returns true when the structure was written.
    bool WriteStructureData(bool overwrite);
    // Reads the structure data file `path` as if it had been chosen for reading.
    // Returns false (after a message) when it could not be read.
    bool OpenStructureFile(const QString& path);
    // "解析実行": starts the analysis of the structure with the form's settings; the
    // messages and the drawing follow when it has ended (ComputationFinished).
    void RunAnalysis();
    // "補正して再解析": "エイリアシング補正" checked, then RunAnalysis.
    void RunAnalysisCorrected();
    // "計算実行": starts the twelve end-force histories of `element`; they are shown in
    // the force-graph window when they have been computed (ComputationFinished).
    void ComputeElementForces(int element);
    // "節点変位" → "計算実行": the six displacement histories of `node`, likewise.
    void ComputeNodeDisplacements(int node);
    // "支点反力": the reaction histories of the node's fixed dofs (global axes), likewise;
    // refused with a message for a node with no fixed dof.
    void ComputeSupportReactions(int node);
    // The quantity chosen in the node group: displacement, velocity or acceleration.
    [[nodiscard]] fem::ResponseQuantity ChosenQuantity() const;
    // Drawing of the structure and of its static deformation; the deformation only
    // while the static results belong to the structure as it is now.
    void DrawStructure();
    void DrawDeformation(double magnification);
    void DrawDeformationSimple(double magnification);
    // Builds built-in sample `number` (1..4) with its time span and magnification.
    void LoadSample(int number);

    // --- values the main window and the other windows read ----------------------
    // The magnification of the static deformation: the box read as a double, or, while
    // it is empty ("自動"), StaticMagnification of the static solution (1 without one);
    // throws numeric::ComputationFailure when the box holds something else.
    [[nodiscard]] double Magnification() const;
    // The sample the structure was built from (1..4), 0 when it was read or written.
    [[nodiscard]] int SampleNumber() const { return sampleNumber_; }
    // The element chosen for the nodal forces (0 when none is chosen).
    [[nodiscard]] int ChosenElement() const;
    // The node chosen for the displacement histories (0 when none is chosen).
    [[nodiscard]] int ChosenDisplacementNode() const;
    // Whether a computation runs.
    [[nodiscard]] bool Busy() const;
    // "エイリアシング補正": whether the next analysis also solves the second line of
    // transform points and the histories come corrected, with their estimated error.
    [[nodiscard]] bool CorrectAliasing() const;
    // The settings of the next analysis as the form holds them; none when a box is not
    // a number or Te is not above 0. The rise time is the box's as "Enter" checks it.
    [[nodiscard]] std::optional<fem::AnalysisSettings> FormSettings() const;
    // The document's structure data file, empty when there is none.
    [[nodiscard]] QString CurrentFile() const;
    [[nodiscard]] int DeformationMode() const { return deformationMode_; }
    [[nodiscard]] platform::PictureBox* SmallPicture() const { return smallPicture_; }
    SheetHost MakeSheetHost();
    NodeSheet* nodeSheet();
    ElementSheet* elementSheet();

    // Opens the node sheet (-1: new node) or the element sheet (-1: new element).
    void EditNode(int number);
    void EditElement(int number);
    // "材料", "断面": the dialogs of the named materials and sections, opened on entry
    // `name`; they return what that entry is called afterwards ("" when it is gone).
    MaterialsDialog* materialsDialog();
    SectionsDialog* sectionsDialog();
    std::string EditMaterials(const std::string& name = {});
    std::string EditSections(const std::string& name = {});
    // "落下物": the dialog of the weight dropped on a node.
    DroppedWeightDialog* droppedWeightDialog();
    void EditDroppedWeight();
    // "荷重履歴": the dialog of the named load histories, likewise.
    HistoriesDialog* historiesDialog();
    std::string EditHistories(const std::string& name = {});
    // "地盤運動・減衰": the ground motion and the model-wide damping.
    GroundDampingDialog* groundDampingDialog();
    void EditGroundDamping();

    // Called when the program ends: a running computation stops and is waited for;
    // nothing of it is shown.
    void Abandon();

  signals:
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
    void BusyChanged(bool busy);
    // Common closing steps after a structure was read or a sample built.
    void StructureReplaced();
    // The redraw button: the structure, then the deformation of the chosen mode.
    void Redraw();
    void ValidateTau();
    void OpenKeypad(QLineEdit* box);
    // The progress of the running computation: "k / n" and the bar.
    void ShowProgress(int done);
    // The counts and the bar back at " 0 ": the last run's belong to another structure.
    void ClearProgress();
    void SetTabOrder();
    void RefillList(QComboBox* list, int count);
    void ShowElementNodes();
    view3d::PanelLink MakePanelLink();
    // Deformation of the chosen mode with the magnification in its box.
    void DrawChosenDeformation();
    // Starts the histories of request after checking that they can be computed; what
    // names them in the messages ("節点力", "節点変位").
    void ComputeHistories(const HistoryRequest& request, const QString& what);
    // The ends of the computations.
    void FinishAnalysis(const AnalysisEnd& end);
    void FinishHistories(const HistoryEnd& end);

    MainWindow* mainWindow_;
    Document& document_;
    RunController& runs_;
    NodeSheet* nodeSheet_ = nullptr;
    ElementSheet* elementSheet_ = nullptr;
    MaterialsDialog* materialsDialog_ = nullptr;
    SectionsDialog* sectionsDialog_ = nullptr;
    DroppedWeightDialog* droppedWeightDialog_ = nullptr;
    HistoriesDialog* historiesDialog_ = nullptr;
    GroundDampingDialog* groundDampingDialog_ = nullptr;

    int deformationMode_ = 0;
    double vectorSize_ = 25.0;
    int elementPenWidth_ = 3;
    bool refilling_ = false;
    bool abandoned_ = false;
    int sampleNumber_ = 0;
    // Steps of the running computation, and what its Progressed(k) adds to k.
    int progressTotal_ = 0;
    int progressOffset_ = 0;
    // The revision of the structure the shown counts were made on.
    std::uint64_t progressRevision_ = 0;
    // The running computation's progress label (null: none) and whether its histories
    // are drawn as soon as they are shown ("計算直後に表示").
    QLabel* progressLabel_ = nullptr;
    bool drawWhenShown_ = true;

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
    QComboBox* quantityCombo_ = nullptr;
    QCheckBox* relativeCheck_ = nullptr;
    QPushButton* reactionsButton_ = nullptr;
    // The window itself
    QPushButton* stopButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    platform::PictureBox* smallPicture_ = nullptr;
    QLabel* positionLabel_ = nullptr;
};

}  // namespace shell
