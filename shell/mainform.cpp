#include "shell/mainform.h"

#include <cmath>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "analysis/engine.h"
#include "model/datafile.h"
#include "model/samples.h"
#include "numeric/failure.h"
#include "platform/eventyield.h"
#include "platform/messagebox.h"
#include "platform/picturebox.h"
#include "platform/qtcolor.h"
#include "platform/twips.h"
#include "results/graphcore.h"
#include "services/paths.h"
#include "shell/controlnames.h"
#include "shell/elemsheetform.h"
#include "shell/mdiform1.h"
#include "shell/nodesheetform.h"
#include "shell/numbertext.h"
#include "view3d/structure.h"

namespace shell {
namespace {

const QString kCheckParameters = QStringLiteral("γ，Te，荷重立上りの設定値を確認して下さい。");

// Progress of a long computation: the label counts the transform points and the
// event loop runs often enough for repaints and the stop button.
class FormProgress : public fem::AnalysisCallbacks {
  public:
    explicit FormProgress(QLabel* label) : label_(label) {}
    void Yield() override { yield_.Yield(); }
    void Progress(int k) override {
        label_->setText(QStringLiteral(" %1 ").arg(k));
        yield_.Yield();
    }

  private:
    QLabel* label_;
    platform::EventLoopYield yield_;
};

// The file name without folder and extension, as FileLb shows it.
QString BaseName(const QString& path) {
    std::string fileName;
    std::string baseName;
    services::FolderOf(path.toStdString(), fileName);
    services::ExtensionOf(fileName, baseName);
    return QString::fromStdString(baseName);
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QLabel* NewLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QPushButton* NewButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

// A caption whose full-width blanks make room for a list laid over them, as in
// "節点　　　　　　変更" with the node list between the two words.
QWidget* CaptionAroundList(QLabel* caption, QComboBox* list, QWidget* parent) {
    auto* box = new QWidget(parent);
    caption->setParent(box);
    list->setParent(box);
    const QString text = caption->text();
    const int firstBlank = text.indexOf(QChar(0x3000));
    const int lastBlank = text.lastIndexOf(QChar(0x3000));
    const QFontMetrics fm(caption->font());
    const int left = fm.horizontalAdvance(text.left(firstBlank));
    const int gap = fm.horizontalAdvance(text.mid(firstBlank, lastBlank - firstBlank + 1));
    const int height = std::max(list->sizeHint().height(), fm.height());
    const int width = fm.horizontalAdvance(text) + 4;
    caption->setGeometry(0, 0, width, height);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->setGeometry(left + 4, 0, gap - 8, height);
    box->setFixedSize(width, height);
    return box;
}

}  // namespace

MainForm::MainForm(MDIForm1* frame, QWidget* parent) : QWidget(parent), frame_(frame) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("解析条件"));
    setAutoFillBackground(true);
    BuildControls();
    ConnectHandlers();
    LoadDefaults();
}

MainForm::~MainForm() = default;

void MainForm::BuildControls() {
    auto* top = new QGridLayout(this);

    // Frame1 "Data"
    frame1_ = new QGroupBox(QStringLiteral("Data"), this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    auto* f1 = new QHBoxLayout(frame1_);
    buttDataRead_ = NewButton(QStringLiteral("データ読込"), "ButtDataRead", frame1_);
    buttonDataWrite_ = NewButton(QStringLiteral("データ保存"), "ButtonDataWrite", frame1_);
    f1->addWidget(buttDataRead_);
    f1->addWidget(buttonDataWrite_);

    // Frame5 "構造３Ｄ表示"
    frame5_ = new QGroupBox(QStringLiteral("構造３Ｄ表示"), this);
    frame5_->setObjectName(QStringLiteral("Frame5"));
    auto* f5 = new QGridLayout(frame5_);
    fileLb_ = NewLabel(QStringLiteral("(ファイル名)"), "FileLb", frame5_);
    fileLb_->setToolTip(QStringLiteral("データファイル名です"));
    fileLb_->setFrameShape(QFrame::Panel);
    fileLb_->setFrameShadow(QFrame::Sunken);
    defAmpTxt_ = new QLineEdit(frame5_);
    defAmpTxt_->setObjectName(QStringLiteral("DefAmpTxt"));
    defAmpTxt_->setToolTip(QStringLiteral("静的変位の表示倍率"));
    buttRedraw_ = NewButton(QStringLiteral("書き直し"), "ButtRedraw", frame5_);
    const char* const optionCaptions[3] = {"静的変形詳細", "静的変形簡易", "静的変形無"};
    const char* const optionTips[3] = {"詳細な静的変形を表示", "静的変形を簡易表示",
                                       "静的変形を表示しない"};
    for (int i = 0; i < 3; ++i) {
        option1_[i] = new QRadioButton(QString::fromUtf8(optionCaptions[i]), frame5_);
        option1_[i]->setObjectName(Indexed("Option1", i));
        option1_[i]->setToolTip(QString::fromUtf8(optionTips[i]));
    }
    check3_ = new QCheckBox(QStringLiteral("要素座標軸"), frame5_);
    check3_->setObjectName(QStringLiteral("Check3"));
    check3_->setToolTip(QStringLiteral("各要素の座標軸も表示する（部材軸方向がx軸となる）"));
    f5->addWidget(fileLb_, 0, 0, 1, 2);
    f5->addWidget(defAmpTxt_, 1, 0);
    f5->addWidget(buttRedraw_, 1, 1);
    f5->addWidget(option1_[0], 2, 0);
    f5->addWidget(option1_[1], 2, 1);
    f5->addWidget(option1_[2], 3, 0);
    f5->addWidget(check3_, 3, 1);

    // Frame4 "構造変更"
    frame4_ = new QGroupBox(QStringLiteral("構造変更"), this);
    frame4_->setObjectName(QStringLiteral("Frame4"));
    frame4_->setToolTip(
        QStringLiteral("節点、要素の修正追加を行います。追加した場合一端ファイルに保存・読込をして"
                       "から計算して下さい"));
    auto* f4 = new QGridLayout(frame4_);
    nowNode_ = new QComboBox(frame4_);
    nowNode_->setObjectName(QStringLiteral("NowNode"));
    nowElement_ = new QComboBox(frame4_);
    nowElement_->setObjectName(QStringLiteral("NowElement"));
    auto* label5 = NewLabel(QStringLiteral("節点　　　　　　変更"), "Label5", frame4_);
    auto* label4 = NewLabel(QStringLiteral("要素　　　　　　変更"), "Label4", frame4_);
    buttAddNode_ = NewButton(QStringLiteral("節点追加"), "ButtAddNode", frame4_);
    buttAddElement_ = NewButton(QStringLiteral("要素追加"), "ButtAddElement", frame4_);
    f4->addWidget(CaptionAroundList(label5, nowNode_, frame4_), 0, 0);
    f4->addWidget(buttAddNode_, 0, 1);
    f4->addWidget(CaptionAroundList(label4, nowElement_, frame4_), 1, 0);
    f4->addWidget(buttAddElement_, 1, 1);

    // Frame3 "ＦＥＭ解析"
    frame3_ = new QGroupBox(QStringLiteral("ＦＥＭ解析"), this);
    frame3_->setObjectName(QStringLiteral("Frame3"));
    frame3_->setToolTip(QStringLiteral("ＦＥＭ解析し各節点の節点変位を求める"));
    auto* f3 = new QGridLayout(frame3_);
    txV_[2] = new QLineEdit(frame3_);
    txV_[2]->setObjectName(Indexed("TxV", 2));
    txV_[2]->setToolTip(QStringLiteral("計算したい時間幅を入力します"));
    comboNw_ = new QComboBox(frame3_);
    comboNw_->setObjectName(QStringLiteral("ComboNw"));
    comboNw_->setToolTip(QStringLiteral("計算点数（刻み数）を選択します"));
    txV_[0] = new QLineEdit(frame3_);
    txV_[0]->setObjectName(Indexed("TxV", 0));
    txV_[0]->setToolTip(QStringLiteral("数値変換のγ値を設定します（１～８ぐらいが適当？）"));
    delayTxt_ = new QLineEdit(frame3_);
    delayTxt_->setObjectName(QStringLiteral("DelayTxt"));
    delayTxt_->setToolTip(
        QStringLiteral("ステップ荷重の立上がり時間：P(t)=H(1-Te/10)･{1-exp(-t/τTe)}"));
    auto* teLb = NewLabel(QStringLiteral("計算時間幅 Te"), "TxvLb_2", frame3_);
    auto* nwLb = NewLabel(QStringLiteral("計算点数 Nw"), "TxvLb_1", frame3_);
    auto* gammaLb = NewLabel(QStringLiteral("γ×Te"), "TxvLb_0", frame3_);
    gammaLb->setToolTip(QStringLiteral("逆ラプラス変換のγ値を（γ×Te）で与える"));
    auto* label6 = NewLabel(QStringLiteral("荷重立上り τ"), "Label6", frame3_);
    buttSolve_ = NewButton(QStringLiteral("解析実行"), "ButtSolve", frame3_);
    procMeter1_ = NewLabel(QStringLiteral(" 0 "), "ProcMeter1", frame3_);
    procMeter1_->setFrameShape(QFrame::Panel);
    procMeter1_->setFrameShadow(QFrame::Sunken);
    procMeter1_->setAlignment(Qt::AlignCenter);
    f3->addWidget(teLb, 0, 0);
    f3->addWidget(txV_[2], 0, 1);
    f3->addWidget(nwLb, 1, 0);
    f3->addWidget(comboNw_, 1, 1);
    f3->addWidget(gammaLb, 2, 0);
    f3->addWidget(txV_[0], 2, 1);
    f3->addWidget(label6, 3, 0);
    f3->addWidget(delayTxt_, 3, 1);
    f3->addWidget(buttSolve_, 4, 0);
    f3->addWidget(procMeter1_, 4, 1);

    // Frame2 "節点力計算"
    frame2_ = new QGroupBox(QStringLiteral("節点力計算"), this);
    frame2_->setObjectName(QStringLiteral("Frame2"));
    frame2_->setToolTip(QStringLiteral("要素の節点力を求める"));
    auto* f2 = new QGridLayout(frame2_);
    comboElemNo_ = new QComboBox(frame2_);
    comboElemNo_->setObjectName(QStringLiteral("ComboElemNo"));
    comboElemNo_->setToolTip(QStringLiteral("節点力を求めたい要素番号を選択します"));
    nowNodLb_ = NewLabel(QStringLiteral("  -  "), "NowNodLb", frame2_);
    nowNodLb_->setToolTip(QStringLiteral("上の要素が持つ節点の番号で、左が要素座標系のx=0です"));
    nowNodLb_->setFrameShape(QFrame::Panel);
    nowNodLb_->setFrameShadow(QFrame::Sunken);
    nowNodLb_->setAlignment(Qt::AlignCenter);
    check1_ = new QCheckBox(frame2_);
    check1_->setObjectName(QStringLiteral("Check1"));
    check1_->setToolTip(QStringLiteral("節点力を全体座標系での成分として求めます"));
    check2_ = new QCheckBox(frame2_);
    check2_->setObjectName(QStringLiteral("Check2"));
    check2_->setToolTip(QStringLiteral("計算終了後直ちに全節点力をグラフ表示します"));
    butNodForce_ = NewButton(QStringLiteral("計算実行"), "ButNodForce", frame2_);
    procMeter2_ = NewLabel(QStringLiteral(" 0 "), "ProcMeter2", frame2_);
    procMeter2_->setFrameShape(QFrame::Panel);
    procMeter2_->setFrameShadow(QFrame::Sunken);
    procMeter2_->setAlignment(Qt::AlignCenter);
    auto* elemLb = NewLabel(QStringLiteral("要素番号"), "Label2_0", frame2_);
    auto* nodeLb = NewLabel(QStringLiteral("節点番号"), "Label2_1", frame2_);
    auto* label3 = NewLabel(QStringLiteral("全体座標系での値"), "Label3", frame2_);
    auto* label7 = NewLabel(QStringLiteral("計算直後に表示"), "Label7", frame2_);
    label3->setBuddy(check1_);
    label7->setBuddy(check2_);
    f2->addWidget(elemLb, 0, 0);
    f2->addWidget(comboElemNo_, 0, 1);
    f2->addWidget(nodeLb, 1, 0);
    f2->addWidget(nowNodLb_, 1, 1);
    auto* checks = new QGridLayout();
    checks->addWidget(check1_, 0, 0);
    checks->addWidget(label3, 0, 1);
    checks->addWidget(check2_, 1, 0);
    checks->addWidget(label7, 1, 1);
    checks->setColumnStretch(1, 1);
    f2->addLayout(checks, 2, 0, 1, 2);
    f2->addWidget(butNodForce_, 3, 0);
    f2->addWidget(procMeter2_, 3, 1);

    // The window: stop button, the small picture and its coordinate readout.
    buttStop_ = NewButton(QStringLiteral("中止"), "ButtStop", this);
    picture1_ = new platform::PictureBox(this);
    picture1_->setObjectName(QStringLiteral("Picture1"));
    // Square, since the structure is drawn in a square user system.
    const int side = platform::TwipsToPixels(4200);
    picture1_->setFixedSize(side, side);
    label1_ = NewLabel(QStringLiteral("X=\nY="), "Label1", this);
    label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label1_->setMinimumWidth(110);

    auto* left = new QVBoxLayout();
    left->addWidget(frame1_);
    left->addWidget(frame5_);
    left->addWidget(frame4_);
    left->addStretch();
    auto* right = new QVBoxLayout();
    right->addWidget(frame3_);
    right->addWidget(frame2_);
    right->addWidget(buttStop_);
    right->addStretch();
    top->addLayout(left, 0, 0);
    top->addLayout(right, 0, 1);
    auto* bottom = new QHBoxLayout();
    bottom->addWidget(picture1_);
    bottom->addWidget(label1_, 1);
    top->addLayout(bottom, 1, 0, 1, 2);
    top->setRowStretch(1, 1);

    for (QLineEdit* box : {txV_[0], txV_[2], defAmpTxt_, delayTxt_}) box->installEventFilter(this);
}

void MainForm::LoadDefaults() {
    buttSolve_->setEnabled(false);
    SetNodalForceEnabled(false);
    defAmpTxt_->setText(QStringLiteral("100"));
    refilling_ = false;
    for (int n : {256, 512, 1024, 2048, 4096, 8192}) comboNw_->addItem(QString::number(n));
    comboNw_->setCurrentIndex(1);
    txV_[0]->setText(QStringLiteral("5"));
    txV_[2]->setText(QStringLiteral("0.001"));
    delayTxt_->setText(QStringLiteral("0"));
    te_ = ParseDouble(txV_[2]->text()).value_or(0.0);
    picture1_->SetFontSize(8);
    noResults_ = true;
    option1_[0]->setChecked(true);
    deformationMode_ = 0;
    vectorSize_ = 25.0;
    check1_->setChecked(false);
    check2_->setChecked(true);
    nowNode_->setEnabled(false);
    nowElement_->setEnabled(false);
}

void MainForm::ConnectHandlers() {
    connect(buttDataRead_, &QPushButton::clicked, this, [this] { StructDataRead(); });
    connect(buttonDataWrite_, &QPushButton::clicked, this, [this] { StructDataWrite(false); });
    connect(buttSolve_, &QPushButton::clicked, this, [this] { FemAnalyse(); });
    connect(buttStop_, &QPushButton::clicked, this, [] { fem::Analysis().StopRequested = true; });
    connect(butNodForce_, &QPushButton::clicked, this,
            [this] { FemElementForce(ChosenElement()); });
    connect(buttRedraw_, &QPushButton::clicked, this, [this] { Redraw(); });
    for (int i = 0; i < 3; ++i)
        connect(option1_[i], &QRadioButton::clicked, this, [this, i] { deformationMode_ = i; });
    connect(comboElemNo_, qOverload<int>(&QComboBox::activated), this,
            [this](int) { ShowElementNodes(); });
    connect(nowNode_, qOverload<int>(&QComboBox::activated), this, [this](int) {
        if (refilling_) return;
        if (const auto n = ParseInt16(nowNode_->currentText())) SetNode(*n);
    });
    connect(nowElement_, qOverload<int>(&QComboBox::activated), this, [this](int) {
        if (refilling_) return;
        if (const auto n = ParseInt16(nowElement_->currentText())) SetElement(*n);
    });
    connect(buttAddNode_, &QPushButton::clicked, this, [this] { SetNode(-1); });
    connect(buttAddElement_, &QPushButton::clicked, this, [this] {
        if (fem::FEM().NodeCount() < 2) return;
        SetElement(-1);
        if (fem::FEM().ElementCount() >= 1) buttSolve_->setEnabled(true);
    });
    connect(delayTxt_, &QLineEdit::returnPressed, this, [this] { ValidateTau(); });
    connect(picture1_, &platform::PictureBox::MouseMoved, this,
            [this](double x, double y, Qt::MouseButtons) {
                label1_->setText(QStringLiteral("X=%1\nY=%2")
                                     .arg(QString::fromStdString(results::FormatSingle(x)),
                                          QString::fromStdString(results::FormatSingle(y))));
            });
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            OpenKeypad(box);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainForm::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        const platform::Color c = frame_->AskColour();
        if (c != -1) {
            QPalette p = palette();
            p.setColor(QPalette::Window, platform::ToQColor(c));
            setPalette(p);
        }
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

// --- enabled states --------------------------------------------------------------

void MainForm::SetInputsEnabled(bool enabled) {
    frame1_->setEnabled(enabled);
    frame4_->setEnabled(enabled);
    buttSolve_->setEnabled(enabled);
    SetNodalForceEnabled(enabled);
}

void MainForm::SetNodalForceEnabled(bool enabled) {
    butNodForce_->setEnabled(enabled);
    comboElemNo_->setEnabled(enabled);
    check1_->setEnabled(enabled);
    check2_->setEnabled(enabled);
}

void MainForm::SetBusy(bool busy) {
    busy_ = busy;
    emit BusyChanged(busy);
}

void MainForm::Abandon() {
    abandoned_ = true;
    fem::Analysis().StopRequested = true;
}

// --- small handlers --------------------------------------------------------------

double MainForm::Magnification() const {
    const auto amp = ParseDouble(defAmpTxt_->text());
    if (!amp)
        throw numeric::ComputationFailure(numeric::kInvalidArgument,
                                          "the display magnification is not a number");
    return *amp;
}

int MainForm::ChosenElement() const {
    if (comboElemNo_->currentIndex() < 0) return 0;
    return ParseInt16(comboElemNo_->currentText()).value_or(0);
}

void MainForm::ValidateTau() {
    const double tau = fem::TauFromText(delayTxt_->text().toStdString());
    // A running analysis reads the shared rise time at every transform point; a value
    // entered meanwhile waits for the next run, which reads the box again.
    if (!busy_) fem::Analysis().Tau = tau;
    delayTxt_->setText(NumberText(tau));
}

void MainForm::ShowElementNodes() {
    try {
        const fem::ElementRecord e = fem::FEM().GetElement(ChosenElement());
        nowNodLb_->setText(QStringLiteral(" %1 - %2 ").arg(e.EndNode[0]).arg(e.EndNode[1]));
    } catch (const numeric::ComputationFailure&) {
        // An element number that no longer exists shows nothing new.
    }
}

void MainForm::Redraw() {
    try {
        DrawStructure();
    } catch (const std::exception&) {
    }
    try {
        if (deformationMode_ == 0)
            DrawDeformation(Magnification());
        else if (deformationMode_ == 1)
            DrawDeformationSimple(Magnification());
    } catch (const std::exception&) {
    }
}

void MainForm::OpenKeypad(QLineEdit* box) {
    box->setText(frame_->InputText(box));
}

void MainForm::PlaceSheet(QWidget* sheet) {
    const QPoint corner = picture1_->mapTo(frame_, QPoint(picture1_->width(), 0));
    frame_->ShowPosition(sheet, corner.y(), corner.x());
}

SheetHost MainForm::MakeSheetHost() {
    SheetHost host;
    host.place = [this](QWidget* w) { PlaceSheet(w); };
    host.redraw = [this] {
        try {
            DrawStructure();
        } catch (const std::exception&) {
        }
    };
    host.keypad = [this](QLineEdit* box) { OpenKeypad(box); };
    return host;
}

NodeSheetForm* MainForm::NodeSheet() {
    if (!nodeSheet_) nodeSheet_ = new NodeSheetForm(MakeSheetHost(), this);
    return nodeSheet_;
}

ElemSheetForm* MainForm::ElemSheet() {
    if (!elemSheet_) elemSheet_ = new ElemSheetForm(MakeSheetHost(), this);
    return elemSheet_;
}

void MainForm::SetNode(int number) {
    if (busy_) return;
    NodeSheet()->SetNode(number);
}

void MainForm::SetElement(int number) {
    if (busy_) return;
    ElemSheet()->SetElement(number);
}

// --- drawing ---------------------------------------------------------------------

void MainForm::RefillList(QComboBox* list, int count) {
    refilling_ = true;
    list->clear();
    for (int k = 0; k < count; ++k) list->addItem(QString::number(k));
    if (count > 0) list->setCurrentIndex(0);
    refilling_ = false;
    if (count > 0) list->setEnabled(true);
}

view3d::PanelLink MainForm::MakeFormLink() {
    view3d::PanelLink link;
    link.SmallPicture = picture1_;
    link.VectorSize = vectorSize_;
    link.ShowElementAxes = check3_->isChecked();
    link.ElementPenWidth = elementPenWidth_;
    link.RefillNodeList = [this](int count) { RefillList(nowNode_, count); };
    link.RefillElementList = [this](int count) { RefillList(nowElement_, count); };
    link.ShowViewWindow = [this] { frame_->ShowViewWindow(); };
    link.DeformationMode = deformationMode_;
    link.NoResults = noResults_;
    const auto amp = ParseDouble(defAmpTxt_->text());
    link.Magnification = amp.value_or(0.0);
    return link;
}

void MainForm::DrawStructure() {
    view3d::PanelLink link = MakeFormLink();
    view3d::DrawStructure(frame_->Scene(), fem::FEM(), link);
    picture1_->update();
}

void MainForm::DrawDeformation(double magnification) {
    view3d::DrawDeformation(frame_->Scene(), fem::FEM(), magnification);
}

void MainForm::DrawDeformationSimple(double magnification) {
    view3d::DrawDeformationSimple(frame_->Scene(), fem::FEM(), magnification);
}

void MainForm::DrawChosenDeformation() {
    if (deformationMode_ == 0)
        DrawDeformation(Magnification());
    else if (deformationMode_ == 1)
        DrawDeformationSimple(Magnification());
}

// --- structure data and samples ------------------------------------------------------

void MainForm::StructureReplaced() {
    noResults_ = true;
    try {
        DrawStructure();
    } catch (const std::exception&) {
    }
    buttSolve_->setEnabled(true);
    SetNodalForceEnabled(false);
    nowNodLb_->setText(QStringLiteral("  -  "));
    try {
        view3d::PanelLink link = MakeFormLink();
        view3d::ShowNewStructure(frame_->Scene(), fem::FEM(), link);
        picture1_->update();
    } catch (const std::exception&) {
    }
}

bool MainForm::OpenStructureFile(const QString& path) {
    fem::DataFileError error;
    if (!fem::StructDataReadFile(fem::FEM(), LocalPath(path), &error)) {
        platform::ShowMessage(this, QStringLiteral("構造データを読み込めません。\n") +
                                        QString::fromStdString(error.Message()));
        return false;
    }
    currentFile_ = path;
    fileLb_->setText(BaseName(path));
    StructureReplaced();
    return true;
}

void MainForm::StructDataRead() {
    if (busy_) return;
    const QString previous = currentFile_;
    const QString path = frame_->AskReadFile();
    currentFile_ = path;  // a cancelled dialog leaves no current file
    if (path.isEmpty()) return;
    // A file that cannot be read leaves everything as it was, the current file too,
    // so that overwriting cannot replace the unreadable file with the old model.
    if (!OpenStructureFile(path)) currentFile_ = previous;
}

void MainForm::StructDataWrite(bool overwrite) {
    if (busy_) return;
    try {
        DrawStructure();
    } catch (const std::exception&) {
    }
    QString path = currentFile_;
    // Overwriting without a current file asks for a name, as writing does.
    if (!overwrite || path.isEmpty()) {
        path = frame_->AskWriteFile();
        if (path.isEmpty()) return;
        currentFile_ = path;
    }
    fileLb_->setText(BaseName(path));
    std::string why;
    if (!fem::StructDataWriteFile(fem::FEM(), LocalPath(path), &why))
        platform::ShowMessage(
            this, QStringLiteral("構造データを書き込めません。\n") + QString::fromStdString(why));
}

void MainForm::BuildSample(int number) {
    if (busy_) return;
    fem::SampleSettings settings;
    try {
        settings = fem::BuildSample(fem::FEM(), number);
    } catch (const numeric::ComputationFailure& f) {
        platform::ShowMessage(this, QString::fromStdString(f.what()));
        return;
    }
    txV_[2]->setText(NumberText(settings.Te));
    defAmpTxt_->setText(NumberText(settings.Magnification));
    StructureReplaced();
}

void MainForm::zSample1() {
    BuildSample(1);
}
void MainForm::zSample2() {
    BuildSample(2);
}
void MainForm::zSample3() {
    BuildSample(3);
}
void MainForm::zSample4() {
    BuildSample(4);
}

// --- analysis ----------------------------------------------------------------------

void MainForm::FemAnalyse() {
    if (busy_) return;
    const auto nw = ParseInt16(comboNw_->currentText());
    const auto gammaTe = ParseDouble(txV_[0]->text());
    const auto te = ParseDouble(txV_[2]->text());
    const auto tau = ParseDouble(delayTxt_->text());
    // A time span of zero or less has no transform points.
    if (!nw || !gammaTe || !te || !tau || *te <= 0.0) {
        platform::ShowMessage(this, kCheckParameters);
        return;
    }
    nw_ = *nw;
    gammaTe_ = *gammaTe;
    te_ = *te;

    fem::Model& model = fem::FEM();
    comboElemNo_->clear();
    for (int e = 0; e < model.ElementCount(); ++e) comboElemNo_->addItem(QString::number(e));
    if (comboElemNo_->count() > 0) comboElemNo_->setCurrentIndex(0);

    SetInputsEnabled(false);
    SetBusy(true);
    procMeter1_->setText(QStringLiteral(" 0 "));
    fem::Analysis().StopRequested = false;
    fem::Analysis().Tau = *tau;
    FormProgress progress(procMeter1_);
    try {
        const std::string dynamic = fem::RunDynamic(model, nw_, gammaTe_, te_, &progress);
        if (abandoned_) return;
        if (!dynamic.empty()) platform::ShowMessage(this, QString::fromStdString(dynamic));
        SetInputsEnabled(true);
        SetBusy(false);
        const std::string statics = fem::SolveStatic(model);
        if (!statics.empty()) platform::ShowMessage(this, QString::fromStdString(statics));
        for (int e = 0; e < model.ElementCount(); ++e) fem::StaticElementResults(model, e);
    } catch (const std::exception& f) {
        SetInputsEnabled(true);
        SetBusy(false);
        if (!abandoned_) platform::ShowMessage(this, QString::fromStdString(f.what()));
        return;
    }
    try {
        DrawStructure();
        DrawChosenDeformation();
    } catch (const std::exception&) {
        // A magnification that is not a number draws no deformation.
    }
    noResults_ = false;
}

void MainForm::FemElementForce(int element) {
    if (busy_) return;
    fem::Model& model = fem::FEM();
    // The histories are inverted from the spectra of the last analysis; without a
    // complete one they would be meaningless.
    QString why;
    if (noResults_)
        why = QStringLiteral("解析結果がありません。先に「解析実行」で解析して下さい。");
    else if (!fem::Analysis().DynamicComplete)
        why = QStringLiteral(
            "動的解析が中止またはエラーで終わったため、節点力を計算できません。"
            "もう一度「解析実行」で解析して下さい。");
    else if (element < 0 || element >= model.ElementCount())
        why = QStringLiteral("要素番号 %1 はありません").arg(element);
    if (!why.isEmpty()) {
        platform::ShowMessage(this, why);
        return;
    }

    SetInputsEnabled(false);
    SetBusy(true);
    procMeter2_->setText(QStringLiteral(" 0 "));
    const int flag = check1_->isChecked() ? 1 : 0;
    FormProgress progress(procMeter2_);
    try {
        fem::ElementForceHistory(model, element, elemForceHistory_, flag, &progress);
        if (abandoned_) return;
        frame_->ShowForceGraphs(fem::Analysis().Nw, fem::Analysis().Te, element, elemForceHistory_,
                                flag, check2_->isChecked());
    } catch (const std::exception& f) {
        SetInputsEnabled(true);
        SetBusy(false);
        if (!abandoned_)
            platform::ShowMessage(this, QStringLiteral("節点力を計算できません。\n") +
                                            QString::fromStdString(f.what()));
        return;
    }
    SetInputsEnabled(true);
    SetBusy(false);
}

}  // namespace shell
