#include "shell/analysispanel.h"

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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
#include "platform/messagebox.h"
#include "platform/picturebox.h"
#include "platform/qtcolor.h"
#include "platform/twips.h"
#include "results/graphcore.h"
#include "services/paths.h"
#include "shell/elementsheet.h"
#include "shell/mainwindow.h"
#include "shell/messages.h"
#include "shell/nodesheet.h"
#include "shell/numbertext.h"
#include "shell/workerthread.h"
#include "view3d/structure.h"

namespace shell {
namespace {

const QString kCheckParameters = QStringLiteral("γ，Te，荷重立上りの設定値を確認して下さい。");

// Progress of a computation on the worker thread, called there by the engine: the
// finished points go to the panel's label through the worker. The stop button's request
// is passed on at every call, so that a stop pressed before the engine cleared its stop
// request at the start of the dynamic solution still counts.
class WorkerProgress : public fem::AnalysisCallbacks {
  public:
    WorkerProgress(WorkerThread& worker, const std::atomic<bool>& stopPressed)
        : worker_(worker), stopPressed_(stopPressed) {}
    void Yield() override { PassOnStop(); }
    void Progress(int k) override {
        worker_.ReportProgress(k);
        PassOnStop();
    }

  protected:
    void PassOnStop() {
        if (stopPressed_) fem::Analysis().StopRequested = true;
    }

    WorkerThread& worker_;
    const std::atomic<bool>& stopPressed_;
};

// The element forces have no stop of their own in the engine: a stop ends them here.
struct ForcesStopped {};
class ElementForceProgress : public WorkerProgress {
  public:
    using WorkerProgress::WorkerProgress;
    void Progress(int k) override {
        worker_.ReportProgress(k);
        if (stopPressed_) throw ForcesStopped{};
    }
};

// The model an analysis works on: a copy of the program's model, which the window keeps
// drawing meanwhile. The node spectra are the run's output and move into the copy
// instead of being copied (a run starts by discarding them anyway), so that the memory
// they take is not held twice.
fem::Model ModelForRun(fem::Model& model) {
    std::vector<numeric::Matrix<numeric::Complex>> spectra(model.Nodes.size());
    for (std::size_t i = 0; i < spectra.size(); ++i)
        std::swap(spectra[i], model.Nodes[i].DispSpectrum);
    fem::Model work = model;
    for (std::size_t i = 0; i < spectra.size(); ++i)
        std::swap(spectra[i], work.Nodes[i].DispSpectrum);
    return work;
}

// The file name without folder and extension, as the file name label shows it.
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

AnalysisPanel::AnalysisPanel(MainWindow* mainWindow, QWidget* parent)
    : QWidget(parent), mainWindow_(mainWindow), worker_(new WorkerThread(this)) {
    setObjectName(QStringLiteral("analysisPanel"));
    worker_->setObjectName(QStringLiteral("workerThread"));
    setWindowTitle(QStringLiteral("解析条件"));
    setAutoFillBackground(true);
    BuildControls();
    ConnectHandlers();
    LoadDefaults();
}

AnalysisPanel::~AnalysisPanel() {
    // The computation's thread uses this panel's members until it has ended.
    Abandon();
}

void AnalysisPanel::BuildControls() {
    auto* top = new QGridLayout(this);

    // "Data"
    dataGroup_ = new QGroupBox(QStringLiteral("Data"), this);
    dataGroup_->setObjectName(QStringLiteral("dataGroup"));
    auto* dataLayout = new QHBoxLayout(dataGroup_);
    readDataButton_ = NewButton(QStringLiteral("データ読込"), "readDataButton", dataGroup_);
    saveDataButton_ = NewButton(QStringLiteral("データ保存"), "saveDataButton", dataGroup_);
    dataLayout->addWidget(readDataButton_);
    dataLayout->addWidget(saveDataButton_);

    // "構造３Ｄ表示"
    displayGroup_ = new QGroupBox(QStringLiteral("構造３Ｄ表示"), this);
    displayGroup_->setObjectName(QStringLiteral("displayGroup"));
    auto* displayLayout = new QGridLayout(displayGroup_);
    fileNameLabel_ = NewLabel(QStringLiteral("(ファイル名)"), "fileNameLabel", displayGroup_);
    fileNameLabel_->setToolTip(QStringLiteral("データファイル名です"));
    fileNameLabel_->setFrameShape(QFrame::Panel);
    fileNameLabel_->setFrameShadow(QFrame::Sunken);
    magnificationEdit_ = new QLineEdit(displayGroup_);
    magnificationEdit_->setObjectName(QStringLiteral("magnificationEdit"));
    magnificationEdit_->setToolTip(QStringLiteral("静的変位の表示倍率"));
    redrawButton_ = NewButton(QStringLiteral("書き直し"), "redrawButton", displayGroup_);
    const char* const deformationCaptions[3] = {"静的変形詳細", "静的変形簡易", "静的変形無"};
    const char* const deformationNames[3] = {"detailedDeformationButton", "simpleDeformationButton",
                                             "noDeformationButton"};
    const char* const deformationTips[3] = {"詳細な静的変形を表示", "静的変形を簡易表示",
                                            "静的変形を表示しない"};
    for (int i = 0; i < 3; ++i) {
        deformationButtons_[i] =
            new QRadioButton(QString::fromUtf8(deformationCaptions[i]), displayGroup_);
        deformationButtons_[i]->setObjectName(QLatin1String(deformationNames[i]));
        deformationButtons_[i]->setToolTip(QString::fromUtf8(deformationTips[i]));
    }
    elementAxesCheck_ = new QCheckBox(QStringLiteral("要素座標軸"), displayGroup_);
    elementAxesCheck_->setObjectName(QStringLiteral("elementAxesCheck"));
    elementAxesCheck_->setToolTip(
        QStringLiteral("各要素の座標軸も表示する（部材軸方向がx軸となる）"));
    displayLayout->addWidget(fileNameLabel_, 0, 0, 1, 2);
    displayLayout->addWidget(magnificationEdit_, 1, 0);
    displayLayout->addWidget(redrawButton_, 1, 1);
    displayLayout->addWidget(deformationButtons_[0], 2, 0);
    displayLayout->addWidget(deformationButtons_[1], 2, 1);
    displayLayout->addWidget(deformationButtons_[2], 3, 0);
    displayLayout->addWidget(elementAxesCheck_, 3, 1);

    // "構造変更"
    structureGroup_ = new QGroupBox(QStringLiteral("構造変更"), this);
    structureGroup_->setObjectName(QStringLiteral("structureGroup"));
    structureGroup_->setToolTip(
        QStringLiteral("節点、要素の修正追加を行います。追加した場合一端ファイルに保存・読込をして"
                       "から計算して下さい"));
    auto* structureLayout = new QGridLayout(structureGroup_);
    nodeCombo_ = new QComboBox(structureGroup_);
    nodeCombo_->setObjectName(QStringLiteral("nodeCombo"));
    elementCombo_ = new QComboBox(structureGroup_);
    elementCombo_->setObjectName(QStringLiteral("elementCombo"));
    auto* nodeComboCaption =
        NewLabel(QStringLiteral("節点　　　　　　変更"), "nodeComboCaption", structureGroup_);
    auto* elementComboCaption =
        NewLabel(QStringLiteral("要素　　　　　　変更"), "elementComboCaption", structureGroup_);
    addNodeButton_ = NewButton(QStringLiteral("節点追加"), "addNodeButton", structureGroup_);
    addElementButton_ = NewButton(QStringLiteral("要素追加"), "addElementButton", structureGroup_);
    structureLayout->addWidget(CaptionAroundList(nodeComboCaption, nodeCombo_, structureGroup_), 0,
                               0);
    structureLayout->addWidget(addNodeButton_, 0, 1);
    structureLayout->addWidget(
        CaptionAroundList(elementComboCaption, elementCombo_, structureGroup_), 1, 0);
    structureLayout->addWidget(addElementButton_, 1, 1);

    // "ＦＥＭ解析"
    analysisGroup_ = new QGroupBox(QStringLiteral("ＦＥＭ解析"), this);
    analysisGroup_->setObjectName(QStringLiteral("analysisGroup"));
    analysisGroup_->setToolTip(QStringLiteral("ＦＥＭ解析し各節点の節点変位を求める"));
    auto* analysisLayout = new QGridLayout(analysisGroup_);
    teEdit_ = new QLineEdit(analysisGroup_);
    teEdit_->setObjectName(QStringLiteral("teEdit"));
    teEdit_->setToolTip(QStringLiteral("計算したい時間幅を入力します"));
    nwCombo_ = new QComboBox(analysisGroup_);
    nwCombo_->setObjectName(QStringLiteral("nwCombo"));
    nwCombo_->setToolTip(QStringLiteral("計算点数（刻み数）を選択します"));
    gammaTeEdit_ = new QLineEdit(analysisGroup_);
    gammaTeEdit_->setObjectName(QStringLiteral("gammaTeEdit"));
    gammaTeEdit_->setToolTip(QStringLiteral("数値変換のγ値を設定します（１～８ぐらいが適当？）"));
    tauEdit_ = new QLineEdit(analysisGroup_);
    tauEdit_->setObjectName(QStringLiteral("tauEdit"));
    tauEdit_->setToolTip(
        QStringLiteral("ステップ荷重の立上がり時間：P(t)=H(1-Te/10)･{1-exp(-t/τTe)}"));
    auto* teLabel = NewLabel(QStringLiteral("計算時間幅 Te"), "teLabel", analysisGroup_);
    auto* nwLabel = NewLabel(QStringLiteral("計算点数 Nw"), "nwLabel", analysisGroup_);
    auto* gammaTeLabel = NewLabel(QStringLiteral("γ×Te"), "gammaTeLabel", analysisGroup_);
    gammaTeLabel->setToolTip(QStringLiteral("逆ラプラス変換のγ値を（γ×Te）で与える"));
    auto* tauLabel = NewLabel(QStringLiteral("荷重立上り τ"), "tauLabel", analysisGroup_);
    aliasingCheck_ = new QCheckBox(QStringLiteral("エイリアシング補正"), analysisGroup_);
    aliasingCheck_->setObjectName(QStringLiteral("aliasingCheck"));
    aliasingCheck_->setToolTip(
        QStringLiteral("変換点をもう１組解いて逆変換の折り返し誤差を除き、補正前の推定誤差も"
                       "求めます（計算時間は約２倍）"));
    runAnalysisButton_ = NewButton(QStringLiteral("解析実行"), "runAnalysisButton", analysisGroup_);
    analysisProgress_ = NewLabel(QStringLiteral(" 0 "), "analysisProgress", analysisGroup_);
    analysisProgress_->setFrameShape(QFrame::Panel);
    analysisProgress_->setFrameShadow(QFrame::Sunken);
    analysisProgress_->setAlignment(Qt::AlignCenter);
    analysisLayout->addWidget(teLabel, 0, 0);
    analysisLayout->addWidget(teEdit_, 0, 1);
    analysisLayout->addWidget(nwLabel, 1, 0);
    analysisLayout->addWidget(nwCombo_, 1, 1);
    analysisLayout->addWidget(gammaTeLabel, 2, 0);
    analysisLayout->addWidget(gammaTeEdit_, 2, 1);
    analysisLayout->addWidget(tauLabel, 3, 0);
    analysisLayout->addWidget(tauEdit_, 3, 1);
    analysisLayout->addWidget(aliasingCheck_, 4, 0, 1, 2);
    analysisLayout->addWidget(runAnalysisButton_, 5, 0);
    analysisLayout->addWidget(analysisProgress_, 5, 1);

    // "節点力計算"
    nodalForceGroup_ = new QGroupBox(QStringLiteral("節点力計算"), this);
    nodalForceGroup_->setObjectName(QStringLiteral("nodalForceGroup"));
    nodalForceGroup_->setToolTip(QStringLiteral("要素の節点力を求める"));
    auto* nodalForceLayout = new QGridLayout(nodalForceGroup_);
    forceElementCombo_ = new QComboBox(nodalForceGroup_);
    forceElementCombo_->setObjectName(QStringLiteral("forceElementCombo"));
    forceElementCombo_->setToolTip(QStringLiteral("節点力を求めたい要素番号を選択します"));
    elementNodesLabel_ = NewLabel(QStringLiteral("  -  "), "elementNodesLabel", nodalForceGroup_);
    elementNodesLabel_->setToolTip(
        QStringLiteral("上の要素が持つ節点の番号で、左が要素座標系のx=0です"));
    elementNodesLabel_->setFrameShape(QFrame::Panel);
    elementNodesLabel_->setFrameShadow(QFrame::Sunken);
    elementNodesLabel_->setAlignment(Qt::AlignCenter);
    globalComponentsCheck_ = new QCheckBox(nodalForceGroup_);
    globalComponentsCheck_->setObjectName(QStringLiteral("globalComponentsCheck"));
    globalComponentsCheck_->setToolTip(QStringLiteral("節点力を全体座標系での成分として求めます"));
    drawAtOnceCheck_ = new QCheckBox(nodalForceGroup_);
    drawAtOnceCheck_->setObjectName(QStringLiteral("drawAtOnceCheck"));
    drawAtOnceCheck_->setToolTip(QStringLiteral("計算終了後直ちに全節点力をグラフ表示します"));
    computeForcesButton_ =
        NewButton(QStringLiteral("計算実行"), "computeForcesButton", nodalForceGroup_);
    forceProgress_ = NewLabel(QStringLiteral(" 0 "), "forceProgress", nodalForceGroup_);
    forceProgress_->setFrameShape(QFrame::Panel);
    forceProgress_->setFrameShadow(QFrame::Sunken);
    forceProgress_->setAlignment(Qt::AlignCenter);
    auto* forceElementLabel =
        NewLabel(QStringLiteral("要素番号"), "forceElementLabel", nodalForceGroup_);
    auto* elementNodesCaption =
        NewLabel(QStringLiteral("節点番号"), "elementNodesCaption", nodalForceGroup_);
    auto* globalComponentsLabel =
        NewLabel(QStringLiteral("全体座標系での値"), "globalComponentsLabel", nodalForceGroup_);
    auto* drawAtOnceLabel =
        NewLabel(QStringLiteral("計算直後に表示"), "drawAtOnceLabel", nodalForceGroup_);
    globalComponentsLabel->setBuddy(globalComponentsCheck_);
    drawAtOnceLabel->setBuddy(drawAtOnceCheck_);
    nodalForceLayout->addWidget(forceElementLabel, 0, 0);
    nodalForceLayout->addWidget(forceElementCombo_, 0, 1);
    nodalForceLayout->addWidget(elementNodesCaption, 1, 0);
    nodalForceLayout->addWidget(elementNodesLabel_, 1, 1);
    auto* checks = new QGridLayout();
    checks->addWidget(globalComponentsCheck_, 0, 0);
    checks->addWidget(globalComponentsLabel, 0, 1);
    checks->addWidget(drawAtOnceCheck_, 1, 0);
    checks->addWidget(drawAtOnceLabel, 1, 1);
    checks->setColumnStretch(1, 1);
    nodalForceLayout->addLayout(checks, 2, 0, 1, 2);
    nodalForceLayout->addWidget(computeForcesButton_, 3, 0);
    nodalForceLayout->addWidget(forceProgress_, 3, 1);

    // The window: stop button, the small picture and its coordinate readout.
    stopButton_ = NewButton(QStringLiteral("中止"), "stopButton", this);
    smallPicture_ = new platform::PictureBox(this);
    smallPicture_->setObjectName(QStringLiteral("smallPicture"));
    // Square, since the structure is drawn in a square user system.
    const int side = platform::TwipsToPixels(4200);
    smallPicture_->setFixedSize(side, side);
    positionLabel_ = NewLabel(QStringLiteral("X=\nY="), "positionLabel", this);
    positionLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    positionLabel_->setMinimumWidth(110);

    auto* left = new QVBoxLayout();
    left->addWidget(dataGroup_);
    left->addWidget(displayGroup_);
    left->addWidget(structureGroup_);
    left->addStretch();
    auto* right = new QVBoxLayout();
    right->addWidget(analysisGroup_);
    right->addWidget(nodalForceGroup_);
    right->addWidget(BuildNodeDisplacementGroup());
    right->addWidget(stopButton_);
    right->addStretch();
    top->addLayout(left, 0, 0);
    top->addLayout(right, 0, 1);
    auto* bottom = new QHBoxLayout();
    bottom->addWidget(smallPicture_);
    bottom->addWidget(positionLabel_, 1);
    top->addLayout(bottom, 1, 0, 1, 2);
    top->setRowStretch(1, 1);

    for (QLineEdit* box : {gammaTeEdit_, teEdit_, magnificationEdit_, tauEdit_})
        box->installEventFilter(this);
}

QGroupBox* AnalysisPanel::BuildNodeDisplacementGroup() {
    // "節点変位": a node's six displacement histories in the force-graph window.
    nodeDisplacementGroup_ = new QGroupBox(QStringLiteral("節点変位"), this);
    nodeDisplacementGroup_->setObjectName(QStringLiteral("nodeDisplacementGroup"));
    nodeDisplacementGroup_->setToolTip(QStringLiteral("節点の変位の時刻歴を求める"));
    auto* layout = new QGridLayout(nodeDisplacementGroup_);
    displacementNodeCombo_ = new QComboBox(nodeDisplacementGroup_);
    displacementNodeCombo_->setObjectName(QStringLiteral("displacementNodeCombo"));
    displacementNodeCombo_->setToolTip(QStringLiteral("変位を求めたい節点番号を選択します"));
    showDisplacementsButton_ =
        NewButton(QStringLiteral("計算実行"), "showDisplacementsButton", nodeDisplacementGroup_);
    showDisplacementsButton_->setToolTip(
        QStringLiteral("節点の変位 ux, uy, uz と回転角 θx, θy, θz をグラフ表示します"));
    layout->addWidget(
        NewLabel(QStringLiteral("節点番号"), "displacementNodeLabel", nodeDisplacementGroup_), 0,
        0);
    layout->addWidget(displacementNodeCombo_, 0, 1);
    layout->addWidget(showDisplacementsButton_, 1, 0);
    connect(showDisplacementsButton_, &QPushButton::clicked, this,
            [this] { ComputeNodeDisplacements(ChosenDisplacementNode()); });
    return nodeDisplacementGroup_;
}

void AnalysisPanel::SetNodeDisplacementEnabled(bool enabled) {
    // The list follows the structure: its nodes are numbered 0 .. NodeCount - 1.
    const int count = fem::FEM().NodeCount();
    if (enabled && displacementNodeCombo_->count() != count) {
        displacementNodeCombo_->clear();
        for (int n = 0; n < count; ++n) displacementNodeCombo_->addItem(QString::number(n));
    }
    displacementNodeCombo_->setEnabled(enabled);
    showDisplacementsButton_->setEnabled(enabled);
}

int AnalysisPanel::ChosenDisplacementNode() const {
    if (displacementNodeCombo_->currentIndex() < 0) return 0;
    return ParseWhole(displacementNodeCombo_->currentText()).value_or(0);
}

void AnalysisPanel::ComputeNodeDisplacements(int node) {
    if (busy_) return;
    fem::Model& model = fem::FEM();
    QString why = MissingHistoriesReason(QStringLiteral("節点変位"));
    if (why.isEmpty() && (node < 0 || node >= model.NodeCount()))
        why = QStringLiteral("節点番号 %1 はありません").arg(node);
    if (!why.isEmpty()) {
        platform::ShowMessage(this, why);
        return;
    }
    try {
        fem::HistoryResult histories;
        fem::NodeDisplacementHistory(model, node, histories);
        nodeDisplacementHistory_ = histories.Best();
        mainWindow_->ShowNodeDisplacements(fem::Analysis().Nw, fem::Analysis().Te, node, histories,
                                           true);
    } catch (const std::exception& f) {
        platform::ShowMessage(this, QStringLiteral("節点変位を計算できません。\n") +
                                        FailureReason(f) + QStringLiteral("。"));
    }
}

void AnalysisPanel::LoadDefaults() {
    runAnalysisButton_->setEnabled(false);
    SetNodalForceEnabled(false);
    magnificationEdit_->setText(QStringLiteral("100"));
    refilling_ = false;
    for (int n : {256, 512, 1024, 2048, 4096, 8192}) nwCombo_->addItem(QString::number(n));
    nwCombo_->setCurrentIndex(1);
    gammaTeEdit_->setText(QStringLiteral("5"));
    teEdit_->setText(QStringLiteral("0.001"));
    tauEdit_->setText(QStringLiteral("0"));
    aliasingCheck_->setChecked(false);
    te_ = ParseDouble(teEdit_->text()).value_or(0.0);
    smallPicture_->SetFontSize(8);
    deformationButtons_[0]->setChecked(true);
    deformationMode_ = 0;
    vectorSize_ = 25.0;
    globalComponentsCheck_->setChecked(false);
    drawAtOnceCheck_->setChecked(true);
    nodeCombo_->setEnabled(false);
    elementCombo_->setEnabled(false);
}

void AnalysisPanel::ConnectHandlers() {
    connect(readDataButton_, &QPushButton::clicked, this, [this] { ReadStructureData(); });
    connect(saveDataButton_, &QPushButton::clicked, this, [this] { WriteStructureData(false); });
    connect(runAnalysisButton_, &QPushButton::clicked, this, [this] { RunAnalysis(); });
    connect(stopButton_, &QPushButton::clicked, this, [this] {
        if (!worker_->Running()) return;  // nothing to stop
        stopPressed_ = true;
        fem::Analysis().StopRequested = true;
    });
    connect(worker_, &WorkerThread::Progressed, this, [this](int k) {
        if (progressLabel_) progressLabel_->setText(QStringLiteral(" %1 ").arg(k));
        emit Progressed(k);
    });
    connect(computeForcesButton_, &QPushButton::clicked, this,
            [this] { ComputeElementForces(ChosenElement()); });
    connect(redrawButton_, &QPushButton::clicked, this, [this] { Redraw(); });
    for (int i = 0; i < 3; ++i)
        connect(deformationButtons_[i], &QRadioButton::clicked, this,
                [this, i] { deformationMode_ = i; });
    // Whenever the chosen element changes, by the user or when the list is refilled.
    connect(forceElementCombo_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int) { ShowElementNodes(); });
    connect(nodeCombo_, qOverload<int>(&QComboBox::activated), this, [this](int) {
        if (refilling_) return;
        if (const auto n = ParseWhole(nodeCombo_->currentText())) EditNode(*n);
    });
    connect(elementCombo_, qOverload<int>(&QComboBox::activated), this, [this](int) {
        if (refilling_) return;
        if (const auto n = ParseWhole(elementCombo_->currentText())) EditElement(*n);
    });
    connect(addNodeButton_, &QPushButton::clicked, this, [this] { EditNode(-1); });
    connect(addElementButton_, &QPushButton::clicked, this, [this] {
        if (fem::FEM().NodeCount() < 2) return;
        EditElement(-1);
        if (fem::FEM().ElementCount() >= 1) runAnalysisButton_->setEnabled(true);
    });
    connect(tauEdit_, &QLineEdit::returnPressed, this, [this] { ValidateTau(); });
    connect(smallPicture_, &platform::PictureBox::MouseMoved, this,
            [this](double x, double y, Qt::MouseButtons) {
                positionLabel_->setText(QStringLiteral("X=%1\nY=%2")
                                            .arg(QString::fromStdString(results::FormatSingle(x)),
                                                 QString::fromStdString(results::FormatSingle(y))));
            });
}

bool AnalysisPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            OpenKeypad(box);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AnalysisPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        const platform::Color c = mainWindow_->AskColour();
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

void AnalysisPanel::SetInputsEnabled(bool enabled) {
    dataGroup_->setEnabled(enabled);
    structureGroup_->setEnabled(enabled);
    runAnalysisButton_->setEnabled(enabled);
    SetNodalForceEnabled(enabled);
}

void AnalysisPanel::SetNodalForceEnabled(bool enabled) {
    computeForcesButton_->setEnabled(enabled);
    forceElementCombo_->setEnabled(enabled);
    globalComponentsCheck_->setEnabled(enabled);
    drawAtOnceCheck_->setEnabled(enabled);
    SetNodeDisplacementEnabled(enabled);
}

void AnalysisPanel::SetBusy(bool busy) {
    busy_ = busy;
    emit BusyChanged(busy);
}

void AnalysisPanel::Abandon() {
    abandoned_ = true;
    if (!worker_->Running()) return;
    stopPressed_ = true;
    fem::Analysis().StopRequested = true;
    // The dynamic solution stops within one transform point; the static one follows.
    worker_->Wait();
}

// --- small handlers --------------------------------------------------------------

double AnalysisPanel::Magnification() const {
    const auto amp = ParseDouble(magnificationEdit_->text());
    if (!amp)
        throw numeric::ComputationFailure(numeric::kInvalidArgument,
                                          "the display magnification is not a number");
    return *amp;
}

bool AnalysisPanel::CorrectAliasing() const {
    return aliasingCheck_->isChecked();
}

int AnalysisPanel::ChosenElement() const {
    if (forceElementCombo_->currentIndex() < 0) return 0;
    return ParseWhole(forceElementCombo_->currentText()).value_or(0);
}

void AnalysisPanel::ValidateTau() {
    const double tau = fem::TauFromText(tauEdit_->text().toStdString());
    // A running analysis reads the shared rise time at every transform point; a value
    // entered meanwhile waits for the next run, which reads the box again.
    if (!busy_) fem::Analysis().Tau = tau;
    tauEdit_->setText(NumberText(tau));
}

void AnalysisPanel::ShowElementNodes() {
    if (forceElementCombo_->currentIndex() < 0) {
        elementNodesLabel_->setText(QStringLiteral("  -  "));
        return;
    }
    try {
        const fem::ElementRecord e = fem::FEM().GetElement(ChosenElement());
        elementNodesLabel_->setText(
            QStringLiteral(" %1 - %2 ").arg(e.EndNode[0]).arg(e.EndNode[1]));
    } catch (const numeric::ComputationFailure&) {
        elementNodesLabel_->setText(QStringLiteral("  -  "));  // no longer in the model
    }
}

void AnalysisPanel::Redraw() {
    mainWindow_->ShowViewWindow();  // a view window closed by the user comes back
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

void AnalysisPanel::OpenKeypad(QLineEdit* box) {
    box->setText(mainWindow_->InputText(box));
}

void AnalysisPanel::PlaceSheet(QWidget* sheet) {
    const QPoint corner = smallPicture_->mapTo(mainWindow_, QPoint(smallPicture_->width(), 0));
    mainWindow_->PlaceInClientArea(sheet, corner.y(), corner.x());
}

SheetHost AnalysisPanel::MakeSheetHost() {
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

NodeSheet* AnalysisPanel::nodeSheet() {
    if (!nodeSheet_) nodeSheet_ = new NodeSheet(MakeSheetHost(), this);
    return nodeSheet_;
}

ElementSheet* AnalysisPanel::elementSheet() {
    if (!elementSheet_) elementSheet_ = new ElementSheet(MakeSheetHost(), this);
    return elementSheet_;
}

void AnalysisPanel::EditNode(int number) {
    if (busy_) return;
    nodeSheet()->Edit(number);
}

void AnalysisPanel::EditElement(int number) {
    if (busy_) return;
    elementSheet()->Edit(number);
}

// --- drawing ---------------------------------------------------------------------

void AnalysisPanel::RefillList(QComboBox* list, int count) {
    refilling_ = true;
    list->clear();
    for (int k = 0; k < count; ++k) list->addItem(QString::number(k));
    if (count > 0) list->setCurrentIndex(0);
    refilling_ = false;
    if (count > 0) list->setEnabled(true);
}

view3d::PanelLink AnalysisPanel::MakePanelLink() {
    view3d::PanelLink link;
    link.SmallPicture = smallPicture_;
    link.VectorSize = vectorSize_;
    link.ShowElementAxes = elementAxesCheck_->isChecked();
    link.ElementPenWidth = elementPenWidth_;
    link.RefillNodeList = [this](int count) { RefillList(nodeCombo_, count); };
    link.RefillElementList = [this](int count) { RefillList(elementCombo_, count); };
    link.ShowViewWindow = [this] { mainWindow_->ShowViewWindow(); };
    link.DeformationMode = deformationMode_;
    link.NoResults = !StaticResultsBelong();
    const auto amp = ParseDouble(magnificationEdit_->text());
    link.Magnification = amp.value_or(0.0);
    return link;
}

void AnalysisPanel::DrawStructure() {
    emit StructureRedrawn();
    view3d::PanelLink link = MakePanelLink();
    view3d::DrawStructure(mainWindow_->Scene(), fem::FEM(), link);
    smallPicture_->update();
    ShowElementNodes();  // an edited element may have other nodes now
}

bool AnalysisPanel::StaticResultsBelong() const {
    if (busy_) return staticResultsBelongedAtStart_;
    return fem::StaticResultsBelongTo(fem::FEM());
}

// The static deformation of another structure, or of this one before it was changed,
// is not drawn over it.
void AnalysisPanel::DrawDeformation(double magnification) {
    if (!StaticResultsBelong()) return;
    view3d::DrawDeformation(mainWindow_->Scene(), fem::FEM(), magnification);
}

void AnalysisPanel::DrawDeformationSimple(double magnification) {
    if (!StaticResultsBelong()) return;
    view3d::DrawDeformationSimple(mainWindow_->Scene(), fem::FEM(), magnification);
}

void AnalysisPanel::DrawChosenDeformation() {
    if (deformationMode_ == 0)
        DrawDeformation(Magnification());
    else if (deformationMode_ == 1)
        DrawDeformationSimple(Magnification());
}

// --- structure data and samples ------------------------------------------------------

void AnalysisPanel::StructureReplaced() {
    analysedRevision_ = 0;
    try {
        DrawStructure();
    } catch (const std::exception&) {
    }
    runAnalysisButton_->setEnabled(true);
    SetNodalForceEnabled(false);
    // The elements of the last run are gone with it; the next run lists the new ones.
    forceElementCombo_->clear();
    // The counts of the last run belong to the structure that was replaced.
    analysisProgress_->setText(QStringLiteral(" 0 "));
    forceProgress_->setText(QStringLiteral(" 0 "));
    try {
        view3d::PanelLink link = MakePanelLink();
        view3d::ShowNewStructure(mainWindow_->Scene(), fem::FEM(), link);
        smallPicture_->update();
    } catch (const std::exception&) {
    }
}

bool AnalysisPanel::OpenStructureFile(const QString& path) {
    fem::DataFileError error;
    if (!fem::StructDataReadFile(fem::FEM(), LocalPath(path), &error)) {
        platform::ShowMessage(this, ReadFailureMessage(error));
        return false;
    }
    currentFile_ = path;
    fileNameLabel_->setText(BaseName(path));
    StructureReplaced();
    return true;
}

void AnalysisPanel::ReadStructureData() {
    if (busy_) return;
    const QString previous = currentFile_;
    const QString path = mainWindow_->AskReadFile();
    currentFile_ = path;  // a cancelled dialog leaves no current file
    if (path.isEmpty()) return;
    // A file that cannot be read leaves everything as it was, the current file too,
    // so that overwriting cannot replace the unreadable file with the old model.
    if (!OpenStructureFile(path)) currentFile_ = previous;
}

void AnalysisPanel::WriteStructureData(bool overwrite) {
    if (busy_) return;
    try {
        DrawStructure();
    } catch (const std::exception&) {
    }
    QString path = currentFile_;
    // Overwriting without a current file asks for a name, as writing does.
    if (!overwrite || path.isEmpty()) {
        path = mainWindow_->AskWriteFile();
        if (path.isEmpty()) return;
    }
    fem::DataFileWriteError why;
    if (!fem::StructDataWriteFile(fem::FEM(), LocalPath(path), &why)) {
        // The current file stays the one the user had.
        why.path = path.toStdString();  // the name as the user chose it
        platform::ShowMessage(this, WriteFailureMessage(why));
        return;
    }
    currentFile_ = path;
    fileNameLabel_->setText(BaseName(path));
}

void AnalysisPanel::LoadSample(int number) {
    if (busy_) return;
    fem::SampleSettings settings;
    try {
        settings = fem::BuildSample(fem::FEM(), number);
    } catch (const numeric::ComputationFailure& f) {
        platform::ShowMessage(this, FailureReason(f));
        return;
    }
    teEdit_->setText(NumberText(settings.Te));
    magnificationEdit_->setText(NumberText(settings.Magnification));
    // A sample has no file: overwriting asks for a name instead of replacing the last
    // file read.
    currentFile_.clear();
    fileNameLabel_->setText(QStringLiteral("(ファイル名)"));
    StructureReplaced();
}

// --- analysis ----------------------------------------------------------------------

void AnalysisPanel::RunAnalysis() {
    if (busy_) return;
    const auto nw = ParseWhole(nwCombo_->currentText());
    const auto gammaTe = ParseDouble(gammaTeEdit_->text());
    const auto te = ParseDouble(teEdit_->text());
    const auto tau = ParseDouble(tauEdit_->text());
    // A time span of zero or less has no transform points.
    if (!nw || !gammaTe || !te || !tau || *te <= 0.0) {
        platform::ShowMessage(this, kCheckParameters);
        return;
    }
    nw_ = *nw;
    mainWindow_->AnimateImpactResponse();  // a mode shown before gives way to the new run
    gammaTe_ = *gammaTe;
    te_ = *te;
    correctAliasing_ = aliasingCheck_->isChecked();

    fem::Model& model = fem::FEM();
    forceElementCombo_->clear();
    for (int e = 0; e < model.ElementCount(); ++e) forceElementCombo_->addItem(QString::number(e));
    if (forceElementCombo_->count() > 0) forceElementCombo_->setCurrentIndex(0);

    auto work = std::make_shared<fem::Model>(ModelForRun(model));
    staticResultsBelongedAtStart_ = fem::StaticResultsBelongTo(model);
    SetInputsEnabled(false);
    SetBusy(true);
    analysisProgress_->setText(QStringLiteral(" 0 "));
    progressLabel_ = analysisProgress_;
    stopPressed_ = false;
    fem::Analysis().StopRequested = false;
    // With the correction the progress runs over both lines of transform points, to
    // DynamicPointCount(Nw, true) - 1.
    fem::Analysis().CorrectAliasing = correctAliasing_;
    auto messages = std::make_shared<fem::AnalysisMessages>();
    worker_->Start(
        [this, work, messages, nw = nw_, gammaTe = gammaTe_, te = te_, tau = *tau] {
            WorkerProgress progress(*worker_, stopPressed_);
            *messages = fem::RunAnalysis(*work, nw, gammaTe, te, tau, &progress);
        },
        [this, work, messages](const std::exception_ptr& failure) {
            FinishAnalysis(*work, *messages, failure);
        });
}

void AnalysisPanel::FinishAnalysis(fem::Model& work, const fem::AnalysisMessages& messages,
                                   const std::exception_ptr& failure) {
    progressLabel_ = nullptr;
    // The copy with its results replaces the model, which its disabled inputs kept as it
    // was; the engine's state now describes the model's results.
    fem::Model& model = fem::FEM();
    if (work.Revision() == model.Revision()) model = std::move(work);
    analysedRevision_ = model.Revision();
    if (failure) {
        SetInputsEnabled(true);
        SetBusy(false);
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& f) {
            platform::ShowMessage(this, QStringLiteral("解析できません。\n") + FailureReason(f) +
                                            QStringLiteral("。"));
        } catch (...) {
            // Nothing more to say than that the run ended.
        }
        emit ComputationFinished();
        return;
    }
    if (!messages.Dynamic.empty())
        platform::ShowMessage(this, SolutionEndMessage(messages.Dynamic));
    if (abandoned_) return;  // the program ended while the message was shown
    SetInputsEnabled(true);
    SetBusy(false);
    if (!messages.Static.empty())
        platform::ShowMessage(this, SolutionEndMessage(messages.Static));
    if (abandoned_) return;
    mainWindow_->ShowViewWindow();
    try {
        DrawStructure();
        DrawChosenDeformation();
    } catch (const std::exception&) {
        // A magnification that is not a number draws no deformation.
    }
    emit ComputationFinished();
}

QString AnalysisPanel::MissingHistoriesReason(const QString& what) const {
    // The histories are inverted from the spectra of the last analysis; without a
    // complete one of the structure as it is now they would be meaningless.
    const fem::Model& model = fem::FEM();
    if (fem::DynamicResultsBelongTo(model)) return {};
    if (analysedRevision_ == 0)
        return QStringLiteral("解析結果がありません。先に「解析実行」で解析して下さい。");
    if (analysedRevision_ != model.Revision())
        return QStringLiteral("構造が解析後に変更されました。もう一度「解析実行」で解析して下さい。");
    return QStringLiteral("動的解析が中止またはエラーで終わったため、%1を計算できません。"
                          "もう一度「解析実行」で解析して下さい。")
        .arg(what);
}

void AnalysisPanel::ComputeElementForces(int element) {
    if (busy_) return;
    fem::Model& model = fem::FEM();
    QString why = MissingHistoriesReason(QStringLiteral("節点力"));
    if (why.isEmpty() && (element < 0 || element >= model.ElementCount()))
        why = QStringLiteral("要素番号 %1 はありません").arg(element);
    if (!why.isEmpty()) {
        platform::ShowMessage(this, why);
        return;
    }

    staticResultsBelongedAtStart_ = fem::StaticResultsBelongTo(model);
    SetInputsEnabled(false);
    SetBusy(true);
    forceProgress_->setText(QStringLiteral(" 0 "));
    progressLabel_ = forceProgress_;
    stopPressed_ = false;
    const int flag = globalComponentsCheck_->isChecked() ? 1 : 0;
    const bool drawNow = drawAtOnceCheck_->isChecked();
    auto histories = std::make_shared<fem::HistoryResult>();
    worker_->Start(
        [this, element, flag, histories] {
            ElementForceProgress progress(*worker_, stopPressed_);
            fem::ElementForceHistory(fem::FEM(), element, *histories, flag, &progress);
        },
        [this, element, flag, drawNow, histories](const std::exception_ptr& failure) {
            FinishElementForces(element, flag, drawNow, *histories, failure);
        });
}

void AnalysisPanel::FinishElementForces(int element, int globalFlag, bool drawNow,
                                        fem::HistoryResult& histories,
                                        const std::exception_ptr& failure) {
    progressLabel_ = nullptr;
    QString why;
    try {
        if (failure) std::rethrow_exception(failure);
        elementForceHistory_ = histories.Best();
        mainWindow_->ShowForceGraphs(fem::Analysis().Nw, fem::Analysis().Te, element, histories,
                                     globalFlag, drawNow);
    } catch (const ForcesStopped&) {
        why = SolutionEndMessage(fem::kUserStop);
    } catch (const std::exception& f) {
        why = QStringLiteral("節点力を計算できません。\n") + FailureReason(f) + QStringLiteral("。");
    }
    SetInputsEnabled(true);
    SetBusy(false);
    if (!why.isEmpty()) platform::ShowMessage(this, why);
    emit ComputationFinished();
}

}  // namespace shell
