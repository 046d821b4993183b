#include "shell/nodesheetform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "numeric/failure.h"
#include "platform/messagebox.h"
#include "shell/controlnames.h"
#include "shell/numbertext.h"

namespace shell {
namespace {

const char* const kCodes[3] = {"p", "u", "pf"};
const QString kTranslationTip =
    QStringLiteral("p：力０　u：変位固定　pf：右の大きさのステップ荷重");
const QString kRotationTip =
    QStringLiteral("p：モーメント０　u：回転角固定　pf：右の大きさのステップ荷重");
const QString kBadInput = QStringLiteral("入力値が不適当です");

// A widget that keeps its place in the layout while hidden.
void KeepPlaceWhenHidden(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

}  // namespace

NodeSheetForm::NodeSheetForm(SheetHost host, QWidget* parent)
    : QDialog(parent), host_(std::move(host)) {
    setObjectName(QStringLiteral("NodeSheetForm"));
    setWindowTitle(QStringLiteral("Node Data"));
    setModal(true);
    BuildControls();
    // Loading the form: every list offers p, u, pf in this order.
    for (QComboBox* b : bc_)
        for (const char* code : kCodes) b->addItem(QLatin1String(code));
}

void NodeSheetForm::BuildControls() {
    auto* top = new QVBoxLayout(this);

    frame2_ = new QGroupBox(QStringLiteral("節点座標"), this);
    frame2_->setObjectName(QStringLiteral("Frame2"));
    auto* coords = new QGridLayout(frame2_);
    const char* const axisNames[3] = {"X方向", "Y方向", "Z方向"};
    for (int i = 0; i < 3; ++i) {
        auto* lb = new QLabel(QString::fromUtf8(axisNames[i]), frame2_);
        lb->setObjectName(Indexed("CoordLb", i));
        x_[i] = new QLineEdit(frame2_);
        x_[i]->setObjectName(Indexed("x", i));
        x_[i]->installEventFilter(this);
        coords->addWidget(lb, 0, i);
        coords->addWidget(x_[i], 1, i);
    }
    check1_ = new QCheckBox(QStringLiteral("全体平行移動"), frame2_);
    check1_->setObjectName(QStringLiteral("Check1"));
    check1_->setToolTip(QStringLiteral("全節点の座標値に上の値を加算します"));
    coords->addWidget(check1_, 2, 0, 1, 3);
    top->addWidget(frame2_);

    frame1_ = new QGroupBox(QStringLiteral("節点拘束条件"), this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(frame1_);
    check2_ = new QCheckBox(QStringLiteral("全節点に適用"), frame1_);
    check2_->setObjectName(QStringLiteral("Check2"));
    grid->addWidget(check2_, 0, 0, 1, 4);
    for (int i = 0; i < 3; ++i) {
        auto* lb = new QLabel(QString::fromUtf8(axisNames[i]), frame1_);
        lb->setObjectName(Indexed("Label1", i));
        lb->setAlignment(Qt::AlignCenter);
        grid->addWidget(lb, 1, i + 1);
    }
    const char* const rowTitles[2] = {"変位拘束条件", "回転拘束条件"};
    const char* const rowTips[2] = {"節点の並進拘束条件を設定", "節点の回転拘束条件を設定"};
    for (int r = 0; r < 2; ++r) {
        auto* lb = new QLabel(QString::fromUtf8(rowTitles[r]), frame1_);
        lb->setObjectName(Indexed("Label2", r));
        lb->setToolTip(QString::fromUtf8(rowTips[r]));
        grid->addWidget(lb, r + 2, 0);
        for (int i = 0; i < 3; ++i) {
            const int j = 3 * r + i;
            auto* cell = new QWidget(frame1_);
            auto* h = new QHBoxLayout(cell);
            h->setContentsMargins(0, 0, 0, 0);
            bc_[j] = new QComboBox(cell);
            bc_[j]->setObjectName(Indexed("Bc", j));
            bc_[j]->setToolTip(r == 0 ? kTranslationTip : kRotationTip);
            bc_[j]->setMinimumContentsLength(3);
            v_[j] = new QLineEdit(cell);
            v_[j]->setObjectName(Indexed("V", j));
            v_[j]->setFixedWidth(70);
            v_[j]->installEventFilter(this);
            KeepPlaceWhenHidden(v_[j]);
            h->addWidget(bc_[j]);
            h->addWidget(v_[j]);
            grid->addWidget(cell, r + 2, i + 1);
            connect(bc_[j], qOverload<int>(&QComboBox::currentIndexChanged), this,
                    [this, j](int) { BcChosen(j); });
        }
    }
    label3_ = new QLabel(QStringLiteral("P(t)=pf･H(1-Te/10)･{1-exp(-t/τTe)}"), frame1_);
    label3_->setObjectName(QStringLiteral("Label3"));
    label3_->setToolTip(QStringLiteral("pfの時の荷重関数"));
    KeepPlaceWhenHidden(label3_);
    grid->addWidget(label3_, 4, 0, 1, 4);
    top->addWidget(frame1_);

    auto* buttons = new QHBoxLayout();
    command1_ = new QPushButton(QStringLiteral("変更"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command2_ = new QPushButton(QStringLiteral("削除"), this);
    command2_->setObjectName(QStringLiteral("Command2"));
    command3_ = new QPushButton(QStringLiteral("キャンセル"), this);
    command3_->setObjectName(QStringLiteral("Command3"));
    command1_->setAutoDefault(false);
    command2_->setAutoDefault(false);
    command3_->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(command1_);
    buttons->addWidget(command2_);
    buttons->addWidget(command3_);
    top->addLayout(buttons);

    // A translation ignores the constraints; applying constraints to all nodes
    // ignores the coordinates.
    connect(check1_, &QCheckBox::toggled, frame1_, [this](bool on) { frame1_->setVisible(!on); });
    connect(check2_, &QCheckBox::toggled, frame2_, [this](bool on) { frame2_->setVisible(!on); });
    ConnectSheetButtons(this, sheetResult_, command1_, command2_, command3_);
}

bool NodeSheetForm::eventFilter(QObject* watched, QEvent* event) {
    return OpenKeypadOnDoubleClick(host_, watched, event) || QDialog::eventFilter(watched, event);
}

void NodeSheetForm::BcChosen(int j) {
    const bool pf = bc_[j]->currentText() == QLatin1String("pf");
    v_[j]->setVisible(pf);
    // The load function applies to every step-loaded degree of freedom, so it
    // stays visible while any of them is "pf".
    bool anyPf = false;
    for (QComboBox* b : bc_) anyPf = anyPf || b->currentText() == QLatin1String("pf");
    label3_->setVisible(anyPf);
}

void NodeSheetForm::FillSheet() {
    for (int i = 0; i < 3; ++i) x_[i]->setText(NumberText(sheetRecord_.Coord[i]));
    for (int j = 0; j < 6; ++j) {
        const std::string& code = sheetRecord_.BcCode[j];
        int position = -1;
        for (int k = 0; k < 3; ++k)
            if (code == kCodes[k]) position = k;
        bc_[j]->setCurrentIndex(position);
        BcChosen(j);
        v_[j]->setText(
            NumberText(position == 1 ? sheetRecord_.FixedDisp[j] : sheetRecord_.LoadValue[j]));
    }
}

QString NodeSheetForm::ReadSheet() {
    fem::NodeRecord r = sheetRecord_;
    for (int i = 0; i < 3; ++i) {
        const auto value = ParseDouble(x_[i]->text());
        if (!value) return kBadInput;
        r.Coord[i] = *value;
    }
    for (int j = 0; j < 6; ++j) {
        const QString code = bc_[j]->currentText();
        r.BcCode[j] = code.toStdString();
        // The complex twins are what the dynamic analysis reads; they follow the
        // real values so that it sees what the sheet shows.
        r.FixedDisp[j] = 0.0;
        r.FixedDispC[j] = {};
        r.LoadC[j] = {};
        if (code == QLatin1String("u") || code == QLatin1String("p")) {
            r.LoadValue[j] = 0.0;
        } else if (code == QLatin1String("pf")) {
            const auto size = ParseDouble(v_[j]->text());
            if (!size || *size == 0.0) return kBadInput;
            r.LoadValue[j] = *size;
        } else {
            return kBadInput;
        }
    }
    sheetRecord_ = r;
    return {};
}

bool NodeSheetForm::ApplyChange() {
    fem::Model& model = fem::FEM();
    try {
        if (number_ < 0) {
            model.AddNode(sheetRecord_);
            number_ = model.NodeCount() - 1;
        } else if (check1_->isChecked()) {
            // Every node moves by the entered offsets. The distances between nodes do
            // not change, so the elements are refreshed once all nodes have moved;
            // the trial model replaces the real one only when all of it succeeded.
            fem::Model trial = model;
            for (auto& n : trial.Nodes)
                for (int i = 0; i < 3; ++i) n.Coord[i] += sheetRecord_.Coord[i];
            for (int e = 0; e < trial.ElementCount(); ++e) trial.PutElement(e, trial.Elements[e]);
            model = std::move(trial);
        } else if (check2_->isChecked()) {
            fem::Model trial = model;
            for (int k = 0; k < trial.NodeCount(); ++k) {
                fem::NodeRecord r = sheetRecord_;
                r.Coord = trial.Nodes[k].Coord;
                trial.PutNode(k, r);
            }
            model = std::move(trial);
        } else {
            model.PutNode(number_, sheetRecord_);
        }
    } catch (const numeric::ComputationFailure& f) {
        platform::ShowMessage(parentWidget(), QStringLiteral("節点を変更できません：") +
                                                  QString::fromStdString(f.what()));
        return false;
    }
    return true;
}

int NodeSheetForm::SetNode(int number) {
    fem::Model& model = fem::FEM();
    check1_->setChecked(false);
    check2_->setChecked(false);
    sheetResult_ = -1;
    if (host_.place) host_.place(this);
    number_ = number;

    if (number < 0) {
        setWindowTitle(QStringLiteral("節点(%1)追加").arg(model.NodeCount()));
        check1_->hide();
        check2_->hide();
        command1_->setText(QStringLiteral("追加"));
        command2_->hide();
        sheetRecord_ = fem::DefaultNode();
    } else {
        setWindowTitle(QStringLiteral("節点番号＝%1").arg(number));
        check1_->show();
        check2_->show();
        sheetRecord_ = model.GetNode(number);
        command1_->setText(QStringLiteral("変更"));
        command2_->setVisible(model.NodeCount() > 1);  // the last node cannot be deleted
    }
    FillSheet();
    exec();

    if (sheetResult_ == 1) {
        const QString message = ReadSheet();
        if (!message.isEmpty()) {
            platform::ShowMessage(parentWidget(), message);
            return sheetResult_;
        }
        if (ApplyChange() && host_.redraw) host_.redraw();
    } else if (sheetResult_ == 2) {
        if (platform::AskYesNo(parentWidget(),
                               QStringLiteral("節点番号 %1 を削除します").arg(number))) {
            model.DeleteNode(number);
            if (host_.redraw) host_.redraw();
        }
    }
    return sheetResult_;
}

}  // namespace shell
