#include "shell/analysispanel.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/datafile.h"
#include "numeric/failure.h"
#include "platform/messagebox.h"
#include "platform/picturebox.h"
#include "platform/qtcolor.h"
#include "platform/twips.h"
#include "results/graphcore.h"
#include "shell/document.h"
#include "shell/droppedweightdialog.h"
#include "shell/elementsheet.h"
#include "shell/grounddialog.h"
#include "shell/historydialog.h"
#include "shell/mainwindow.h"
#include "shell/messages.h"
#include "shell/nodesheet.h"
#include "shell/numbertext.h"
#include "shell/runcontroller.h"
#include "shell/structurefiles.h"
#include "shell/tabledialogs.h"
#include "view3d/structure.h"

namespace shell {
namespace {

const QString kCheckParameters = QStringLiteral("γ，Te，荷重立上りの設定値を確認して下さい。");

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

AnalysisPanel::AnalysisPanel(MainWindow* mainWindow, Document& document, RunController& runs,
                             QWidget* parent)
    : QWidget(parent), mainWindow_(mainWindow), document_(document), runs_(runs) {
    setObjectName(QStringLiteral("analysisPanel"));
    setWindowTitle(QStringLiteral("解析条件"));
    setAutoFillBackground(true);
    BuildControls();
    ConnectHandlers();
    LoadDefaults();
}

AnalysisPanel::~AnalysisPanel() {
    // Nothing of a computation still running is shown any more.
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
    magnificationEdit_->setToolTip(QStringLiteral(
        "静的変位の表示倍率（空欄：自動、最大の変位を構造の大きさの１／１０に描く）"));
    magnificationEdit_->setPlaceholderText(QStringLiteral("自動"));
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
        QStringLiteral("ステップ荷重の立上がり時間（Te に対する比）：\n"
                       "P(t) = pf·H(t − Te/10)·{1 − exp(−(t − Te/10)/(τ·Te))}\n"
                       "荷重はすべて t = Te/10 に始まります"));
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
    stopButton_->setToolTip(QStringLiteral("実行中の計算を中止します"));
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setRange(0, 1);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->setMaximumHeight(stopButton_->sizeHint().height() / 2);
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
    right->addWidget(progressBar_);
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
    SetTabOrder();
}

void AnalysisPanel::SetTabOrder() {
    // Down the left column, then down the right one, as the panel reads.
    QWidget* const order[] = {readDataButton_,
                              saveDataButton_,
                              magnificationEdit_,
                              redrawButton_,
                              deformationButtons_[0],
                              deformationButtons_[1],
                              deformationButtons_[2],
                              elementAxesCheck_,
                              nodeCombo_,
                              addNodeButton_,
                              elementCombo_,
                              addElementButton_,
                              teEdit_,
                              nwCombo_,
                              gammaTeEdit_,
                              tauEdit_,
                              aliasingCheck_,
                              runAnalysisButton_,
                              forceElementCombo_,
                              globalComponentsCheck_,
                              drawAtOnceCheck_,
                              computeForcesButton_,
                              displacementNodeCombo_,
                              quantityCombo_,
                              showDisplacementsButton_,
                              relativeCheck_,
                              reactionsButton_,
                              stopButton_};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
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
    // What the histories show: the displacement, the velocity or the acceleration,
    // absolute or, with a ground motion, relative to the ground.
    quantityCombo_ = new QComboBox(nodeDisplacementGroup_);
    quantityCombo_->setObjectName(QStringLiteral("quantityCombo"));
    quantityCombo_->addItems(
        {QStringLiteral("変位"), QStringLiteral("速度"), QStringLiteral("加速度")});
    quantityCombo_->setToolTip(QStringLiteral("グラフに示す量"));
    layout->addWidget(quantityCombo_, 0, 2);
    relativeCheck_ = new QCheckBox(QStringLiteral("地盤に対する相対値"), nodeDisplacementGroup_);
    relativeCheck_->setObjectName(QStringLiteral("relativeToGroundCheck"));
    relativeCheck_->setToolTip(
        QStringLiteral("地盤運動のある時、並進成分から地盤の運動を差し引いて示します"));
    layout->addWidget(relativeCheck_, 1, 1, 1, 2);
    layout->addWidget(showDisplacementsButton_, 1, 0);
    reactionsButton_ =
        NewButton(QStringLiteral("支点反力"), "showReactionsButton", nodeDisplacementGroup_);
    reactionsButton_->setToolTip(
        QStringLiteral("節点の固定自由度の反力の時刻歴（全体座標系）をグラフ表示します"));
    layout->addWidget(reactionsButton_, 2, 0);
    connect(showDisplacementsButton_, &QPushButton::clicked, this,
            [this] { ComputeNodeDisplacements(ChosenDisplacementNode()); });
    connect(reactionsButton_, &QPushButton::clicked, this,
            [this] { ComputeSupportReactions(ChosenDisplacementNode()); });
    return nodeDisplacementGroup_;
}

void AnalysisPanel::SetNodeDisplacementEnabled(bool enabled) {
    // The list follows the structure: its nodes are numbered 0 .. NodeCount - 1.
    const int count = document_.Model().NodeCount();
    if (enabled && displacementNodeCombo_->count() != count) {
        displacementNodeCombo_->clear();
        for (int n = 0; n < count; ++n) displacementNodeCombo_->addItem(QString::number(n));
    }
    displacementNodeCombo_->setEnabled(enabled);
    showDisplacementsButton_->setEnabled(enabled);
    quantityCombo_->setEnabled(enabled);
    reactionsButton_->setEnabled(enabled);
    relativeCheck_->setEnabled(enabled && document_.Model().Ground().has_value());
}

int AnalysisPanel::ChosenDisplacementNode() const {
    if (displacementNodeCombo_->currentIndex() < 0) return 0;
    return ParseWhole(displacementNodeCombo_->currentText()).value_or(0);
}

void AnalysisPanel::ComputeNodeDisplacements(int node) {
    HistoryRequest request;
    request.Kind = HistoryKind::NodeDisplacements;
    request.Number = node;
    request.Quantity = ChosenQuantity();
    request.Frame = relativeCheck_->isChecked() && document_.Model().Ground()
                        ? fem::GroundFrame::RelativeToGround
                        : fem::GroundFrame::Absolute;
    ComputeHistories(request, QStringLiteral("節点変位"));
}

fem::ResponseQuantity AnalysisPanel::ChosenQuantity() const {
    switch (quantityCombo_->currentIndex()) {
        case 1:
            return fem::ResponseQuantity::Velocity;
        case 2:
            return fem::ResponseQuantity::Acceleration;
        default:
            return fem::ResponseQuantity::Displacement;
    }
}

void AnalysisPanel::ComputeSupportReactions(int node) {
    const fem::Model& model = document_.Model();
    if (node >= 0 && node < model.NodeCount()) {
        bool fixed = false;
        for (const std::string& code : model.Nodes[static_cast<std::size_t>(node)].BcCode)
            fixed = fixed || code == "u";
        if (!fixed) {
            platform::ShowMessage(
                this,
                QStringLiteral("節点番号 %1 には固定された自由度（u）がありません").arg(node));
            return;
        }
    }
    HistoryRequest request;
    request.Kind = HistoryKind::SupportReactions;
    request.Number = node;
    ComputeHistories(request, QStringLiteral("支点反力"));
}

void AnalysisPanel::LoadDefaults() {
    runAnalysisButton_->setEnabled(false);
    SetNodalForceEnabled(false);
    magnificationEdit_->clear();  // automatic
    stopButton_->setEnabled(false);
    refilling_ = false;
    for (int n : {256, 512, 1024, 2048, 4096, 8192}) nwCombo_->addItem(QString::number(n));
    nwCombo_->setCurrentIndex(1);
    gammaTeEdit_->setText(QStringLiteral("5"));
    teEdit_->setText(QStringLiteral("0.001"));
    tauEdit_->setText(QStringLiteral("0"));
    aliasingCheck_->setChecked(false);
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
        // Said at once: the computation ends after the step in hand.
        stopButton_->setText(QStringLiteral("中止しています…"));
        stopButton_->setEnabled(false);
        runs_.Stop();
    });
    connect(&runs_, &RunController::Progressed, this, [this](int k) {
        ShowProgress(k + progressOffset_);
        emit Progressed(k);
    });
    connect(&runs_, &RunController::BusyChanged, this, [this](bool busy) { BusyChanged(busy); });
    connect(&runs_, &RunController::AnalysisEnded, this,
            [this](const AnalysisEnd& end) { FinishAnalysis(end); });
    connect(&runs_, &RunController::HistoriesEnded, this,
            [this](const HistoryEnd& end) { FinishHistories(end); });
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
        if (document_.Model().NodeCount() < 2) return;
        EditElement(-1);
        if (document_.Model().ElementCount() >= 1) runAnalysisButton_->setEnabled(true);
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

void AnalysisPanel::BusyChanged(bool busy) {
    SetInputsEnabled(!busy);
    // "中止" only while something runs.
    stopButton_->setEnabled(busy);
    if (!busy) stopButton_->setText(QStringLiteral("中止"));
}

void AnalysisPanel::ShowProgress(int done) {
    progressRevision_ = document_.Model().Revision();
    if (progressLabel_)
        progressLabel_->setText(QStringLiteral(" %1 / %2 ").arg(done).arg(progressTotal_));
    progressBar_->setRange(0, std::max(progressTotal_, 1));
    progressBar_->setValue(std::clamp(done, 0, std::max(progressTotal_, 1)));
}

void AnalysisPanel::ClearProgress() {
    analysisProgress_->setText(QStringLiteral(" 0 "));
    forceProgress_->setText(QStringLiteral(" 0 "));
    progressBar_->setValue(0);
}

bool AnalysisPanel::Busy() const {
    return runs_.Busy();
}

void AnalysisPanel::Abandon() {
    abandoned_ = true;
    runs_.Abandon();
}

// --- small handlers --------------------------------------------------------------

double AnalysisPanel::Magnification() const {
    if (magnificationEdit_->text().trimmed().isEmpty()) {
        const auto* displacements = document_.StaticDisplacements();
        return displacements ? view3d::StaticMagnification(document_.Model(), *displacements) : 1.0;
    }
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
    // A running analysis keeps the rise time it started with; the next run reads the box.
    tauEdit_->setText(NumberText(fem::TauFromText(tauEdit_->text().toStdString())));
}

std::optional<fem::AnalysisSettings> AnalysisPanel::FormSettings() const {
    const auto nw = ParseWhole(nwCombo_->currentText());
    const auto gammaTe = ParseDouble(gammaTeEdit_->text());
    const auto te = ParseDouble(teEdit_->text());
    const auto tau = ParseDouble(tauEdit_->text());
    // A time span of zero or less has no transform points.
    if (!nw || !gammaTe || !te || !tau || *te <= 0.0) return std::nullopt;
    fem::AnalysisSettings settings;
    settings.Nw = *nw;
    settings.GammaTe = *gammaTe;
    settings.Te = *te;
    settings.Tau = fem::ClampTau(*tau);
    settings.CorrectAliasing = aliasingCheck_->isChecked();
    return settings;
}

QString AnalysisPanel::CurrentFile() const {
    return QString::fromStdString(document_.Path());
}

void AnalysisPanel::ShowElementNodes() {
    if (forceElementCombo_->currentIndex() < 0) {
        elementNodesLabel_->setText(QStringLiteral("  -  "));
        return;
    }
    try {
        const fem::ElementRecord e = document_.Model().GetElement(ChosenElement());
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

SheetHost AnalysisPanel::MakeSheetHost() {
    SheetHost host;
    // Beside the panel, whose controls stay in sight.
    host.place = [this](QWidget* w) {
        w->adjustSize();
        mainWindow_->PlaceBesidePanel(w);
    };
    host.redraw = [this] {
        try {
            DrawStructure();
        } catch (const std::exception&) {
        }
    };
    host.keypad = [this](QLineEdit* box) { OpenKeypad(box); };
    host.editMaterials = [this](const std::string& name) { return EditMaterials(name); };
    host.editSections = [this](const std::string& name) { return EditSections(name); };
    host.editHistories = [this](const std::string& name) { return EditHistories(name); };
    return host;
}

NodeSheet* AnalysisPanel::nodeSheet() {
    if (!nodeSheet_) nodeSheet_ = new NodeSheet(document_, MakeSheetHost(), this);
    return nodeSheet_;
}

ElementSheet* AnalysisPanel::elementSheet() {
    if (!elementSheet_) elementSheet_ = new ElementSheet(document_, MakeSheetHost(), this);
    return elementSheet_;
}

void AnalysisPanel::EditNode(int number) {
    if (Busy()) return;
    nodeSheet()->Edit(number);
}

void AnalysisPanel::EditElement(int number) {
    if (Busy()) return;
    elementSheet()->Edit(number);
}

MaterialsDialog* AnalysisPanel::materialsDialog() {
    if (!materialsDialog_) materialsDialog_ = new MaterialsDialog(document_, MakeSheetHost(), this);
    return materialsDialog_;
}

SectionsDialog* AnalysisPanel::sectionsDialog() {
    if (!sectionsDialog_) sectionsDialog_ = new SectionsDialog(document_, MakeSheetHost(), this);
    return sectionsDialog_;
}

std::string AnalysisPanel::EditMaterials(const std::string& name) {
    if (Busy()) return name;
    materialsDialog()->Edit(name);
    return materialsDialog()->Follow(name);
}

std::string AnalysisPanel::EditSections(const std::string& name) {
    if (Busy()) return name;
    sectionsDialog()->Edit(name);
    return sectionsDialog()->Follow(name);
}

DroppedWeightDialog* AnalysisPanel::droppedWeightDialog() {
    if (!droppedWeightDialog_)
        droppedWeightDialog_ = new DroppedWeightDialog(document_, MakeSheetHost(), this);
    return droppedWeightDialog_;
}

void AnalysisPanel::EditDroppedWeight() {
    if (Busy()) return;
    droppedWeightDialog()->Edit();
}

HistoriesDialog* AnalysisPanel::historiesDialog() {
    if (!historiesDialog_) historiesDialog_ = new HistoriesDialog(document_, MakeSheetHost(), this);
    return historiesDialog_;
}

std::string AnalysisPanel::EditHistories(const std::string& name) {
    if (Busy()) return name;
    historiesDialog()->Edit(name);
    return historiesDialog()->Follow(name);
}

GroundDampingDialog* AnalysisPanel::groundDampingDialog() {
    if (!groundDampingDialog_)
        groundDampingDialog_ = new GroundDampingDialog(document_, MakeSheetHost(), this);
    return groundDampingDialog_;
}

void AnalysisPanel::EditGroundDamping() {
    if (Busy()) return;
    groundDampingDialog()->Edit();
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
    link.StaticDisplacements = document_.StaticDisplacements();
    try {
        link.Magnification = Magnification();
    } catch (const numeric::ComputationFailure&) {
        link.Magnification = 0.0;  // not a number: no deformation worth drawing
    }
    return link;
}

void AnalysisPanel::DrawStructure() {
    emit StructureRedrawn();
    // Counts of a run on the structure before a change (a sheet edit, a node added) would
    // read as the state of this one.
    if (!runs_.Busy() && document_.Model().Revision() != progressRevision_) ClearProgress();
    view3d::PanelLink link = MakePanelLink();
    view3d::DrawStructure(mainWindow_->Scene(), document_.Model(), link);
    smallPicture_->update();
    ShowElementNodes();  // an edited element may have other nodes now
}

// The static deformation of another structure, or of this one before it was changed,
// is not drawn over it; neither is one of a stopped run, which has none.
void AnalysisPanel::DrawDeformation(double magnification) {
    if (const auto* displacements = document_.StaticDisplacements())
        view3d::DrawDeformation(mainWindow_->Scene(), document_.Model(), *displacements,
                                magnification);
}

void AnalysisPanel::DrawDeformationSimple(double magnification) {
    if (const auto* displacements = document_.StaticDisplacements())
        view3d::DrawDeformationSimple(mainWindow_->Scene(), document_.Model(), *displacements,
                                      magnification);
}

void AnalysisPanel::DrawChosenDeformation() {
    if (deformationMode_ == 0)
        DrawDeformation(Magnification());
    else if (deformationMode_ == 1)
        DrawDeformationSimple(Magnification());
}

// --- structure data and samples ------------------------------------------------------

void AnalysisPanel::StructureReplaced() {
    try {
        DrawStructure();
    } catch (const std::exception&) {
    }
    runAnalysisButton_->setEnabled(true);
    SetNodalForceEnabled(false);
    // The elements of the last run are gone with it; the next run lists the new ones.
    forceElementCombo_->clear();
    // The counts of the last run belong to the structure that was replaced.
    ClearProgress();
    try {
        view3d::PanelLink link = MakePanelLink();
        view3d::ShowNewStructure(mainWindow_->Scene(), document_.Model(), link);
        smallPicture_->update();
    } catch (const std::exception&) {
    }
}

bool AnalysisPanel::OpenStructureFile(const QString& path) {
    const QString why = ReadStructureFile(document_, path);
    if (!why.isEmpty()) {
        platform::ShowMessage(this, why);
        return false;
    }
    fileNameLabel_->setText(FileBaseName(path));
    sampleNumber_ = 0;
    magnificationEdit_->clear();  // automatic for the new structure
    StructureReplaced();
    return true;
}

void AnalysisPanel::ReadStructureData() {
    if (Busy()) return;
    if (!mainWindow_->MaySetStructureAside()) return;
    const QString path = mainWindow_->AskReadFile(StructureReadFilter());
    if (path.isEmpty()) {
        document_.ForgetPath();  // a cancelled dialog leaves no current file
        return;
    }
    // A file that cannot be read leaves everything as it was, the current file too,
    // so that overwriting cannot replace the unreadable file with the old model.
    OpenStructureFile(path);
}

bool AnalysisPanel::WriteStructureData(bool overwrite) {
    // Writing only reads the structure: it may also happen while a computation runs
    // (when the program ends), though its commands are disabled then.
    try {
        DrawStructure();
    } catch (const std::exception&) {
    }
    QString path = CurrentFile();
    const bool needsJson = fem::DataFileVersionOf(document_.Model()) == 2;
    // Overwriting without a current file asks for a name, as writing does. The dialog
    // starts on the version the structure needs, with the current file's name in it.
    if (!overwrite || path.isEmpty()) {
        const auto extension = [](int entry) {
            return entry == kJsonFilterEntry ? QStringLiteral(".json") : QStringLiteral(".txt");
        };
        int entry = needsJson || IsJsonPath(path) ? kJsonFilterEntry : kTextFilterEntry;
        const QString proposed = path.isEmpty() ? QString() : WithExtension(path, extension(entry));
        path = mainWindow_->AskWriteFile(StructureWriteFilter(), entry, proposed);
        if (path.isEmpty()) return false;
        // A name typed without extension takes that of the version chosen.
        if (QFileInfo(path).suffix().isEmpty() &&
            (entry == kTextFilterEntry || entry == kJsonFilterEntry))
            path = WithExtension(path, extension(entry));
    }
    // A structure that version 1 cannot hold is never written to a file of that version:
    // the user is asked to save it as JSON beside it instead.
    if (needsJson && !IsJsonPath(path)) {
        const QString jsonPath = WithExtension(path, QStringLiteral(".json"));
        if (!platform::AskYesNo(this, AskJsonInsteadText(path, jsonPath))) return false;
        path = jsonPath;
    }
    // A failed write keeps the current file the user had.
    const QString why = WriteStructureFile(document_, path);
    if (!why.isEmpty()) {
        platform::ShowMessage(this, why);
        return false;
    }
    fileNameLabel_->setText(FileBaseName(path));
    sampleNumber_ = 0;
    mainWindow_->UpdateTitle();
    return true;
}

void AnalysisPanel::LoadSample(int number) {
    if (Busy()) return;
    if (!mainWindow_->MaySetStructureAside()) return;
    fem::SampleSettings settings;
    const QString why = BuildSampleStructure(document_, number, settings);
    if (!why.isEmpty()) {
        platform::ShowMessage(this, why);
        return;
    }
    teEdit_->setText(NumberText(settings.Te));
    // The static deformation's magnification is chosen for it.
    magnificationEdit_->clear();
    // A sample has no file: overwriting asks for a name instead of replacing the last
    // file read.
    fileNameLabel_->setText(QStringLiteral("(ファイル名)"));
    sampleNumber_ = number;
    StructureReplaced();
}

// --- analysis ----------------------------------------------------------------------

void AnalysisPanel::RunAnalysisCorrected() {
    if (Busy()) return;
    aliasingCheck_->setChecked(true);
    RunAnalysis();
}

void AnalysisPanel::RunAnalysis() {
    if (Busy()) return;
    if (document_.Model().ElementCount() < 1) {
        platform::ShowMessage(this, QStringLiteral("構造データがありません。"));
        return;
    }
    const std::optional<fem::AnalysisSettings> settings = FormSettings();
    if (!settings) {
        platform::ShowMessage(this, kCheckParameters);
        return;
    }
    mainWindow_->AnimateImpactResponse();  // a mode shown before gives way to the new run

    const fem::Model& model = document_.Model();
    forceElementCombo_->clear();
    for (int e = 0; e < model.ElementCount(); ++e) forceElementCombo_->addItem(QString::number(e));
    if (forceElementCombo_->count() > 0) forceElementCombo_->setCurrentIndex(0);

    progressLabel_ = analysisProgress_;
    progressTotal_ = fem::DynamicPointCount(settings->Nw, settings->CorrectAliasing);
    progressOffset_ = 1;  // point k has been solved
    ShowProgress(0);
    // With the correction the progress runs over both lines of transform points, to
    // DynamicPointCount(Nw, true) - 1.
    try {
        runs_.StartAnalysis(*settings);
    } catch (const std::bad_alloc&) {
        // No memory left for the copy of the structure the run works on.
        progressLabel_ = nullptr;
        fem::Outcome memory;
        memory.Kind = fem::OutcomeKind::OutOfMemory;
        platform::ShowMessage(this, OutcomeMessage(memory));
    }
}

void AnalysisPanel::FinishAnalysis(const AnalysisEnd& end) {
    progressLabel_ = nullptr;
    if (end.Failure.Failed() || !end.Result.Impact) {
        platform::ShowMessage(this, OutcomeMessage(end.Failure));
        emit ComputationFinished();
        return;
    }
    const QString dynamic = OutcomeMessage(end.Result.Impact->Result());
    if (!dynamic.isEmpty()) platform::ShowMessage(this, dynamic);
    if (abandoned_) return;  // the program ended while the message was shown
    // After a stop the static solution was skipped: nothing more to say or draw.
    if (end.Result.Static) {
        const QString statics = OutcomeMessage(end.Result.Static->Result);
        if (!statics.isEmpty()) platform::ShowMessage(this, statics);
        if (abandoned_) return;
    }
    mainWindow_->ShowViewWindow();
    try {
        DrawStructure();
        DrawChosenDeformation();
    } catch (const std::exception&) {
        // A magnification that is not a number draws no deformation.
    }
    emit ComputationFinished();
}

void AnalysisPanel::ComputeElementForces(int element) {
    HistoryRequest request;
    request.Kind = HistoryKind::ElementForces;
    request.Number = element;
    request.Axes =
        globalComponentsCheck_->isChecked() ? fem::ForceAxes::Global : fem::ForceAxes::Element;
    ComputeHistories(request, QStringLiteral("節点力"));
}

void AnalysisPanel::ComputeHistories(const HistoryRequest& request, const QString& what) {
    if (Busy()) return;
    // The histories are inverted from the spectra of the last analysis; without a
    // complete one of the structure as it is now they would be meaningless.
    QString why = MissingResultsMessage(document_.WhyNoImpact(), what);
    const bool forces = request.Kind == HistoryKind::ElementForces;
    const fem::Model& model = document_.Model();
    const int count = forces ? model.ElementCount() : model.NodeCount();
    if (why.isEmpty() && (request.Number < 0 || request.Number >= count))
        why = (forces ? QStringLiteral("要素番号 %1 はありません")
                      : QStringLiteral("節点番号 %1 はありません"))
                  .arg(request.Number);
    if (!why.isEmpty()) {
        platform::ShowMessage(this, why);
        return;
    }
    progressLabel_ = forces ? forceProgress_ : nullptr;
    if (const auto solution = document_.Impact()) {
        progressTotal_ = solution->PointsPerLine();
        progressOffset_ = 1;  // point k is taken
    }
    ShowProgress(0);
    drawWhenShown_ = !forces || drawAtOnceCheck_->isChecked();
    runs_.StartHistories(request);
}

void AnalysisPanel::FinishHistories(const HistoryEnd& end) {
    progressLabel_ = nullptr;
    const bool forces = end.Request.Kind == HistoryKind::ElementForces;
    const QString cannot = forces ? QStringLiteral("節点力を計算できません。\n")
                           : end.Request.Kind == HistoryKind::SupportReactions
                               ? QStringLiteral("支点反力を計算できません。\n")
                               : QStringLiteral("節点変位を計算できません。\n");
    if (end.Result.Complete()) {
        try {
            mainWindow_->ShowHistories(end, drawWhenShown_);
        } catch (const std::exception& f) {
            platform::ShowMessage(this, cannot + FailureReason(f) + QStringLiteral("。"));
        }
    } else if (end.Result.Stopped()) {
        platform::ShowMessage(this, OutcomeMessage(end.Result));
    } else {
        const QString reason = end.Result.Kind == fem::OutcomeKind::OutOfMemory
                                   ? QStringLiteral("メモリが足りません")
                                   : QStringLiteral("計算の結果が数値になりません");
        platform::ShowMessage(this, cannot + reason + QStringLiteral("。"));
    }
    emit ComputationFinished();
}

}  // namespace shell
