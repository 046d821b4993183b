#include "shell/nodesheet.h"

#include <cmath>

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
#include "shell/document.h"
#include "shell/elementfault.h"
#include "shell/messages.h"
#include "shell/numbertext.h"

namespace shell {
namespace {

const char* const kCodes[3] = {"p", "u", "pf"};
const QString kTranslationTip =
    QStringLiteral("p：力０　u：変位固定　pf：右の大きさのステップ荷重");
const QString kRotationTip =
    QStringLiteral("p：モーメント０　u：回転角固定　pf：右の大きさのステップ荷重");
const QString kBadInput = QStringLiteral("入力値が不適当です");
const QString kNegativeAmount =
    QStringLiteral("ばね定数、質量、回転慣性には 0 以上の値を入力してください");

// A widget that keeps its place in the layout while hidden.
void KeepPlaceWhenHidden(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

}  // namespace

NodeSheet::NodeSheet(Document& document, SheetHost host, QWidget* parent)
    : QDialog(parent), document_(document), host_(std::move(host)) {
    setObjectName(QStringLiteral("nodeSheet"));
    setWindowTitle(QStringLiteral("Node Data"));
    setModal(true);
    BuildControls();
    // Every constraint list offers p, u, pf in this order.
    for (QComboBox* b : constraintCombos_)
        for (const char* code : kCodes) b->addItem(QLatin1String(code));
}

void NodeSheet::BuildControls() {
    auto* top = new QVBoxLayout(this);

    coordinatesGroup_ = new QGroupBox(QStringLiteral("節点座標"), this);
    coordinatesGroup_->setObjectName(QStringLiteral("coordinatesGroup"));
    auto* coords = new QGridLayout(coordinatesGroup_);
    const char* const axisNames[3] = {"X方向", "Y方向", "Z方向"};
    for (int i = 0; i < 3; ++i) {
        auto* lb = new QLabel(QString::fromUtf8(axisNames[i]), coordinatesGroup_);
        lb->setObjectName(QStringLiteral("coordinateLabel%1").arg(i));
        coordinateEdits_[i] = new QLineEdit(coordinatesGroup_);
        coordinateEdits_[i]->setObjectName(QStringLiteral("coordinateEdit%1").arg(i));
        coordinateEdits_[i]->installEventFilter(this);
        coords->addWidget(lb, 0, i);
        coords->addWidget(coordinateEdits_[i], 1, i);
    }
    translateAllCheck_ = new QCheckBox(QStringLiteral("全体平行移動"), coordinatesGroup_);
    translateAllCheck_->setObjectName(QStringLiteral("translateAllCheck"));
    translateAllCheck_->setToolTip(QStringLiteral("全節点の座標値に上の値を加算します"));
    coords->addWidget(translateAllCheck_, 2, 0, 1, 3);
    top->addWidget(coordinatesGroup_);

    constraintsGroup_ = new QGroupBox(QStringLiteral("節点拘束条件"), this);
    constraintsGroup_->setObjectName(QStringLiteral("constraintsGroup"));
    auto* grid = new QGridLayout(constraintsGroup_);
    applyToAllCheck_ = new QCheckBox(QStringLiteral("全節点に適用"), constraintsGroup_);
    applyToAllCheck_->setObjectName(QStringLiteral("applyToAllCheck"));
    grid->addWidget(applyToAllCheck_, 0, 0, 1, 4);
    for (int i = 0; i < 3; ++i) {
        auto* lb = new QLabel(QString::fromUtf8(axisNames[i]), constraintsGroup_);
        lb->setObjectName(QStringLiteral("constraintAxisLabel%1").arg(i));
        lb->setAlignment(Qt::AlignCenter);
        grid->addWidget(lb, 1, i + 1);
    }
    const char* const rowTitles[2] = {"変位拘束条件", "回転拘束条件"};
    const char* const rowTips[2] = {"節点の並進拘束条件を設定", "節点の回転拘束条件を設定"};
    const char* const rowNames[2] = {"translationConstraintLabel", "rotationConstraintLabel"};
    for (int r = 0; r < 2; ++r) {
        auto* lb = new QLabel(QString::fromUtf8(rowTitles[r]), constraintsGroup_);
        lb->setObjectName(QLatin1String(rowNames[r]));
        lb->setToolTip(QString::fromUtf8(rowTips[r]));
        grid->addWidget(lb, r + 2, 0);
        for (int i = 0; i < 3; ++i) {
            const int j = 3 * r + i;
            auto* cell = new QWidget(constraintsGroup_);
            auto* h = new QHBoxLayout(cell);
            h->setContentsMargins(0, 0, 0, 0);
            constraintCombos_[j] = new QComboBox(cell);
            constraintCombos_[j]->setObjectName(QStringLiteral("constraintCombo%1").arg(j));
            constraintCombos_[j]->setToolTip(r == 0 ? kTranslationTip : kRotationTip);
            constraintCombos_[j]->setMinimumContentsLength(3);
            stepLoadEdits_[j] = new QLineEdit(cell);
            stepLoadEdits_[j]->setObjectName(QStringLiteral("stepLoadEdit%1").arg(j));
            stepLoadEdits_[j]->setFixedWidth(70);
            stepLoadEdits_[j]->installEventFilter(this);
            KeepPlaceWhenHidden(stepLoadEdits_[j]);
            historyCombos_[j] = new QComboBox(cell);
            historyCombos_[j]->setObjectName(QStringLiteral("historyCombo%1").arg(j));
            historyCombos_[j]->setToolTip(
                QStringLiteral("pfの荷重履歴（ステップ：解析のτTeで立上り）"));
            historyCombos_[j]->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            KeepPlaceWhenHidden(historyCombos_[j]);
            h->addWidget(constraintCombos_[j]);
            h->addWidget(stepLoadEdits_[j]);
            h->addWidget(historyCombos_[j]);
            grid->addWidget(cell, r + 2, i + 1);
            connect(constraintCombos_[j], qOverload<int>(&QComboBox::currentIndexChanged), this,
                    [this, j](int) { ConstraintChosen(j); });
        }
    }
    stepLoadNote_ = new QLabel(
        QStringLiteral("P(t) = pf·H(t − Te/10)·{1 − exp(−(t − Te/10)/(τ·Te))}"), constraintsGroup_);
    stepLoadNote_->setObjectName(QStringLiteral("stepLoadNote"));
    stepLoadNote_->setToolTip(QStringLiteral("pfの時の荷重関数"));
    KeepPlaceWhenHidden(stepLoadNote_);
    grid->addWidget(stepLoadNote_, 4, 0, 1, 3);
    historiesButton_ = new QPushButton(QStringLiteral("荷重履歴..."), constraintsGroup_);
    historiesButton_->setObjectName(QStringLiteral("historiesButton"));
    historiesButton_->setAutoDefault(false);
    historiesButton_->setToolTip(QStringLiteral("名前付きの荷重履歴を編集します"));
    grid->addWidget(historiesButton_, 4, 3);
    connect(historiesButton_, &QPushButton::clicked, this, [this] { EditHistories(); });
    top->addWidget(constraintsGroup_);
    top->addWidget(BuildSpringMassGroup());

    auto* buttons = new QHBoxLayout();
    confirmButton_ = new QPushButton(QStringLiteral("変更"), this);
    confirmButton_->setObjectName(QStringLiteral("confirmButton"));
    deleteButton_ = new QPushButton(QStringLiteral("削除"), this);
    deleteButton_->setObjectName(QStringLiteral("deleteButton"));
    cancelButton_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    confirmButton_->setAutoDefault(false);
    deleteButton_->setAutoDefault(false);
    cancelButton_->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(confirmButton_);
    buttons->addWidget(deleteButton_);
    buttons->addWidget(cancelButton_);
    top->addLayout(buttons);

    // A translation ignores the constraints; applying constraints to all nodes
    // ignores the coordinates.
    connect(translateAllCheck_, &QCheckBox::toggled, constraintsGroup_, [this](bool on) {
        constraintsGroup_->setVisible(!on);
        springMassGroup_->setVisible(!on);
    });
    connect(applyToAllCheck_, &QCheckBox::toggled, coordinatesGroup_, [this](bool on) {
        coordinatesGroup_->setVisible(!on);
        springMassGroup_->setVisible(!on);
    });
    ConnectSheetButtons(this, sheetResult_, confirmButton_, deleteButton_, cancelButton_);
}

QGroupBox* NodeSheet::BuildSpringMassGroup() {
    springMassGroup_ = new QGroupBox(QStringLiteral("ばね・質量"), this);
    springMassGroup_->setObjectName(QStringLiteral("springMassGroup"));
    auto* grid = new QGridLayout(springMassGroup_);
    const char* const axes[3] = {"X方向", "Y方向", "Z方向"};
    for (int i = 0; i < 3; ++i) {
        auto* lb = new QLabel(QString::fromUtf8(axes[i]), springMassGroup_);
        lb->setAlignment(Qt::AlignCenter);
        grid->addWidget(lb, 0, i + 1);
    }
    const auto box = [this](const QString& name, const QString& tip) {
        auto* b = new QLineEdit(springMassGroup_);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setMinimumWidth(70);
        b->installEventFilter(this);
        return b;
    };
    const auto row = [&](int r, const char* title, const char* unit) {
        grid->addWidget(new QLabel(QString::fromUtf8(title), springMassGroup_), r, 0);
        grid->addWidget(new QLabel(QString::fromUtf8(unit), springMassGroup_), r, 4);
    };
    row(1, "ばね", "kgf/mm");
    row(2, "回転ばね", "kgf·mm/rad");
    for (int j = 0; j < 6; ++j) {
        springEdits_[j] = box(QStringLiteral("springEdit%1").arg(j),
                              j < 3 ? QStringLiteral("地面への並進ばね定数（0：なし）")
                                    : QStringLiteral("地面への回転ばね定数（0：なし）"));
        grid->addWidget(springEdits_[j], j / 3 + 1, j % 3 + 1);
    }
    row(3, "回転慣性", "kgf·mm²");
    for (int i = 0; i < 3; ++i) {
        inertiaEdits_[i] = box(QStringLiteral("inertiaEdit%1").arg(i),
                               QStringLiteral("軸まわりの回転慣性：重量×回転半径²（0：なし）"));
        grid->addWidget(inertiaEdits_[i], 3, i + 1);
    }
    row(4, "質量（重量）", "kgf");
    massWeightEdit_ = box(QStringLiteral("massWeightEdit"),
                          QStringLiteral("節点に付く集中質量の重量（0：なし）"));
    grid->addWidget(massWeightEdit_, 4, 1);
    return springMassGroup_;
}

bool NodeSheet::eventFilter(QObject* watched, QEvent* event) {
    return OpenKeypadOnDoubleClick(host_, watched, event) || QDialog::eventFilter(watched, event);
}

void NodeSheet::ConstraintChosen(int j) {
    const bool pf = constraintCombos_[j]->currentText() == QLatin1String("pf");
    stepLoadEdits_[j]->setVisible(pf);
    historyCombos_[j]->setVisible(pf);
    // The load function applies to every step-loaded degree of freedom, so it
    // stays visible while any of them is "pf".
    bool anyPf = false;
    for (QComboBox* b : constraintCombos_) anyPf = anyPf || b->currentText() == QLatin1String("pf");
    stepLoadNote_->setVisible(anyPf);
}

void NodeSheet::FillHistoryLists(const std::array<std::string, 6>& chosen) {
    const auto& histories = document_.Model().Histories();
    for (int j = 0; j < 6; ++j) {
        QComboBox* list = historyCombos_[j];
        list->clear();
        list->addItem(QStringLiteral("ステップ"), QString());
        for (const auto& entry : histories) {
            const QString name = QString::fromStdString(entry.first);
            list->addItem(name, name);
        }
        const int at = list->findData(QString::fromStdString(chosen[j]));
        list->setCurrentIndex(at >= 0 ? at : 0);
    }
}

void NodeSheet::EditHistories() {
    if (!host_.editHistories) return;
    std::array<std::string, 6> chosen;
    for (int j = 0; j < 6; ++j)
        chosen[j] = historyCombos_[j]->currentData().toString().toStdString();
    // The dialog may rename or delete histories: the first one chosen here follows its
    // name, the others are kept where they still exist.
    const std::string first = [&] {
        for (const std::string& c : chosen)
            if (!c.empty()) return c;
        return std::string();
    }();
    const std::string now = host_.editHistories(first);
    const auto& histories = document_.Model().Histories();
    for (std::string& c : chosen) {
        if (!first.empty() && c == first)
            c = now;
        else if (histories.count(c) == 0)
            c.clear();
    }
    FillHistoryLists(chosen);
}

void NodeSheet::FillSheet() {
    FillHistoryLists(sheetRecord_.History);
    historiesButton_->setEnabled(static_cast<bool>(host_.editHistories));
    for (int i = 0; i < 3; ++i) coordinateEdits_[i]->setText(NumberText(sheetRecord_.Coord[i]));
    for (int j = 0; j < 6; ++j) {
        const std::string& code = sheetRecord_.BcCode[j];
        int position = -1;
        for (int k = 0; k < 3; ++k)
            if (code == kCodes[k]) position = k;
        constraintCombos_[j]->setCurrentIndex(position);
        ConstraintChosen(j);
        stepLoadEdits_[j]->setText(
            NumberText(position == 1 ? sheetRecord_.FixedDisp[j] : sheetRecord_.LoadValue[j]));
        springEdits_[j]->setText(NumberText(sheetRecord_.Springs[j]));
    }
    massWeightEdit_->setText(NumberText(sheetRecord_.MassWeight));
    for (int i = 0; i < 3; ++i)
        inertiaEdits_[i]->setText(NumberText(sheetRecord_.RotaryInertia[i]));
}

QString NodeSheet::ReadSheet() {
    fem::NodeRecord r = sheetRecord_;
    for (int i = 0; i < 3; ++i) {
        const auto value = BoxValue(coordinateEdits_[i]->text(), sheetRecord_.Coord[i]);
        if (!value) return kBadInput;
        r.Coord[i] = *value;
    }
    for (int j = 0; j < 6; ++j) {
        const QString code = constraintCombos_[j]->currentText();
        r.BcCode[j] = code.toStdString();
        // The complex twins are what the dynamic analysis reads; they follow the
        // real values so that it sees what the sheet shows.
        r.FixedDisp[j] = 0.0;
        r.FixedDispC[j] = {};
        r.LoadC[j] = {};
        r.History[j] = code == QLatin1String("pf")
                           ? historyCombos_[j]->currentData().toString().toStdString()
                           : std::string();
        if (code == QLatin1String("u") || code == QLatin1String("p")) {
            r.LoadValue[j] = 0.0;
        } else if (code == QLatin1String("pf")) {
            const auto size = BoxValue(stepLoadEdits_[j]->text(), sheetRecord_.LoadValue[j]);
            if (!size || *size == 0.0) return kBadInput;
            r.LoadValue[j] = *size;
        } else {
            return kBadInput;
        }
    }
    // Springs, weight and inertias: numbers of 0 or more.
    const auto readAmount = [](QLineEdit* b, double shown, double& target) {
        const auto value = BoxValue(b->text(), shown);
        if (!value) return kBadInput;
        if (!(*value >= 0.0) || !std::isfinite(*value)) return kNegativeAmount;
        target = *value;
        return QString();
    };
    for (int j = 0; j < 6; ++j)
        if (const QString m = readAmount(springEdits_[j], sheetRecord_.Springs[j], r.Springs[j]);
            !m.isEmpty())
            return m;
    if (const QString m = readAmount(massWeightEdit_, sheetRecord_.MassWeight, r.MassWeight);
        !m.isEmpty())
        return m;
    for (int i = 0; i < 3; ++i)
        if (const QString m =
                readAmount(inertiaEdits_[i], sheetRecord_.RotaryInertia[i], r.RotaryInertia[i]);
            !m.isEmpty())
            return m;
    sheetRecord_ = r;
    return {};
}

QString NodeSheet::RefusalReason(const numeric::ComputationFailure& failure) const {
    // A node moved onto the other end of an element, or its elements' values unusable at
    // the new place: the first element that the model would refuse.
    const fem::Model& model = document_.Model();
    if (number_ >= 0 && number_ < model.NodeCount() && !translateAllCheck_->isChecked()) {
        const auto at = [&](int n) {
            return n == number_ ? sheetRecord_.Coord
                                : model.Nodes[static_cast<std::size_t>(n)].Coord;
        };
        for (int e = 0; e < model.ElementCount(); ++e) {
            const fem::ElementRecord& el = model.Elements[static_cast<std::size_t>(e)];
            if (el.EndNode[0] != number_ && el.EndNode[1] != number_) continue;
            const ElementFault fault = FindElementFault(el, at(el.EndNode[0]), at(el.EndNode[1]));
            if (fault != ElementFault::None)
                return QStringLiteral("要素 %1 について、").arg(e) + ElementFaultText(fault);
        }
    }
    return FailureReason(failure);
}

bool NodeSheet::ApplyChange() {
    fem::Model& model = document_.Model();
    try {
        if (number_ < 0) {
            model.AddNode(sheetRecord_);
            number_ = model.NodeCount() - 1;
        } else if (translateAllCheck_->isChecked()) {
            // Every node moves by the entered offsets. The distances between nodes do
            // not change, so the elements are refreshed once all nodes have moved;
            // the trial model replaces the real one only when all of it succeeded.
            fem::Model trial = model;
            for (auto& n : trial.Nodes)
                for (int i = 0; i < 3; ++i) n.Coord[i] += sheetRecord_.Coord[i];
            for (int e = 0; e < trial.ElementCount(); ++e) trial.PutElement(e, trial.Elements[e]);
            model = std::move(trial);
        } else if (applyToAllCheck_->isChecked()) {
            fem::Model trial = model;
            for (int k = 0; k < trial.NodeCount(); ++k) {
                // The constraints only: each node keeps its place, springs and mass.
                fem::NodeRecord r = sheetRecord_;
                r.Coord = trial.Nodes[k].Coord;
                r.Springs = trial.Nodes[k].Springs;
                r.MassWeight = trial.Nodes[k].MassWeight;
                r.RotaryInertia = trial.Nodes[k].RotaryInertia;
                trial.PutNode(k, r);
            }
            model = std::move(trial);
        } else {
            model.PutNode(number_, sheetRecord_);
        }
    } catch (const numeric::ComputationFailure& f) {
        platform::ShowMessage(parentWidget(),
                              QStringLiteral("節点を変更できません：") + RefusalReason(f));
        return false;
    }
    return true;
}

int NodeSheet::Edit(int number) {
    fem::Model& model = document_.Model();
    translateAllCheck_->setChecked(false);
    applyToAllCheck_->setChecked(false);
    sheetResult_ = -1;
    if (host_.place) host_.place(this);
    number_ = number;

    if (number < 0) {
        setWindowTitle(QStringLiteral("節点(%1)追加").arg(model.NodeCount()));
        translateAllCheck_->hide();
        applyToAllCheck_->hide();
        confirmButton_->setText(QStringLiteral("追加"));
        deleteButton_->hide();
        sheetRecord_ = fem::DefaultNode();
    } else {
        setWindowTitle(QStringLiteral("節点番号＝%1").arg(number));
        translateAllCheck_->show();
        applyToAllCheck_->show();
        sheetRecord_ = model.GetNode(number);
        confirmButton_->setText(QStringLiteral("変更"));
        deleteButton_->setVisible(model.NodeCount() > 1);  // the last node cannot be deleted
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
