#pragma once
// MainForm: the analysis form inside the main frame. Its controls load and save
// structure data, choose how the structure and its static deformation are drawn,
// open the node and element sheets, hold the analysis parameters, start and stop
// the analysis and start the element nodal-force computation.
#include <array>
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

namespace shell {

class ElemSheetForm;
class MDIForm1;
class NodeSheetForm;

class MainForm : public QWidget {
    Q_OBJECT
  public:
    explicit MainForm(MDIForm1* frame, QWidget* parent = nullptr);
    ~MainForm() override;

    // --- commands of the menus and buttons -------------------------------------
    // "構造データ読込": asks for a file and reads it.
    void StructDataRead();
    // "構造データ書込" (overwrite false) and "構造データ上書" (overwrite true).
    void StructDataWrite(bool overwrite);
    // Reads the structure data file `path` as if it had been chosen for reading.
    // Returns false (after a message) when it could not be read.
    bool OpenStructureFile(const QString& path);
    // "解析実行": the dynamic solution, then the static one, then the drawing.
    void FemAnalyse();
    // "計算実行": the twelve end-force histories of `element`, handed to ForceGraphWindow.
    void FemElementForce(int element);
    // Drawing of the structure and of its static deformation.
    void DrawStructure();
    void DrawDeformation(double magnification);
    void DrawDeformationSimple(double magnification);
    // The built-in samples.
    void zSample1();
    void zSample2();
    void zSample3();
    void zSample4();

    // --- values the frame and the other windows read ---------------------------
    // DefAmpTxt read as a double; throws numeric::ComputationFailure when it is not
    // a number.
    [[nodiscard]] double Magnification() const;
    // The element chosen in ComboElemNo (0 when none is chosen).
    [[nodiscard]] int ChosenElement() const;
    [[nodiscard]] bool NoResults() const { return noResults_; }
    [[nodiscard]] bool Busy() const { return busy_; }
    [[nodiscard]] const QString& CurrentFile() const { return currentFile_; }
    [[nodiscard]] int DeformationMode() const { return deformationMode_; }
    [[nodiscard]] const numeric::RealMatrix& ElemForceHistory() const { return elemForceHistory_; }
    [[nodiscard]] platform::PictureBox* SmallPicture() const { return picture1_; }
    SheetHost MakeSheetHost();
    NodeSheetForm* NodeSheet();
    ElemSheetForm* ElemSheet();

    // Opens the node sheet (-1: new node) or the element sheet (-1: new element).
    void SetNode(int number);
    void SetElement(int number);

    // Called when the program ends: a running analysis stops without messages.
    void Abandon();

  signals:
    // True while an analysis or an element-force computation runs.
    void BusyChanged(bool busy);

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
    void SetBusy(bool busy);
    // Common closing steps after a structure was read or a sample built.
    void StructureReplaced();
    void BuildSample(int number);
    // ButtRedraw: the structure, then the deformation of the chosen mode.
    void Redraw();
    void ValidateTau();
    void OpenKeypad(QLineEdit* box);
    void PlaceSheet(QWidget* sheet);
    void RefillList(QComboBox* list, int count);
    void ShowElementNodes();
    view3d::PanelLink MakeFormLink();
    // Deformation of the chosen mode with the magnification of DefAmpTxt.
    void DrawChosenDeformation();

    MDIForm1* frame_;
    NodeSheetForm* nodeSheet_ = nullptr;
    ElemSheetForm* elemSheet_ = nullptr;

    // Values held for the other parts of the program.
    double te_ = 0.001;
    double gammaTe_ = 5.0;
    int nw_ = 512;
    int deformationMode_ = 0;
    double vectorSize_ = 25.0;
    int elementPenWidth_ = 3;
    bool noResults_ = true;
    bool refilling_ = false;
    bool busy_ = false;
    bool abandoned_ = false;
    QString currentFile_;
    numeric::RealMatrix elemForceHistory_;

    // Frame1 "Data"
    QGroupBox* frame1_ = nullptr;
    QPushButton* buttDataRead_ = nullptr;
    QPushButton* buttonDataWrite_ = nullptr;
    // Frame5 "構造３Ｄ表示"
    QGroupBox* frame5_ = nullptr;
    QLineEdit* defAmpTxt_ = nullptr;
    QPushButton* buttRedraw_ = nullptr;
    std::array<QRadioButton*, 3> option1_{};
    QCheckBox* check3_ = nullptr;
    QLabel* fileLb_ = nullptr;
    // Frame4 "構造変更"
    QGroupBox* frame4_ = nullptr;
    QComboBox* nowNode_ = nullptr;
    QComboBox* nowElement_ = nullptr;
    QPushButton* buttAddNode_ = nullptr;
    QPushButton* buttAddElement_ = nullptr;
    // Frame3 "ＦＥＭ解析"
    QGroupBox* frame3_ = nullptr;
    std::array<QLineEdit*, 3> txV_{};  // TxV(0) gamma x Te, TxV(2) Te; TxV(1) is not used
    QComboBox* comboNw_ = nullptr;
    QLineEdit* delayTxt_ = nullptr;
    QPushButton* buttSolve_ = nullptr;
    QLabel* procMeter1_ = nullptr;
    // Frame2 "節点力計算"
    QGroupBox* frame2_ = nullptr;
    QComboBox* comboElemNo_ = nullptr;
    QLabel* nowNodLb_ = nullptr;
    QCheckBox* check1_ = nullptr;
    QCheckBox* check2_ = nullptr;
    QPushButton* butNodForce_ = nullptr;
    QLabel* procMeter2_ = nullptr;
    // The window itself
    QPushButton* buttStop_ = nullptr;
    platform::PictureBox* picture1_ = nullptr;
    QLabel* label1_ = nullptr;
};

}  // namespace shell
