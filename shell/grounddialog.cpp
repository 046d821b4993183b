#include "shell/grounddialog.h"

#include <cmath>

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/model.h"
#include "numeric/failure.h"
#include "platform/messagebox.h"
#include "shell/dampingeditor.h"
#include "shell/document.h"
#include "shell/messages.h"
#include "shell/numbertext.h"

namespace shell {

GroundDampingDialog::GroundDampingDialog(Document& document, SheetHost host, QWidget* parent)
    : QDialog(parent), document_(document), host_(std::move(host)) {
    setObjectName(QStringLiteral("groundDampingDialog"));
    setWindowTitle(QStringLiteral("地盤運動・減衰"));
    setModal(true);
    auto* top = new QVBoxLayout(this);

    groundGroup_ = new QGroupBox(QStringLiteral("地盤運動"), this);
    groundGroup_->setObjectName(QStringLiteral("groundGroup"));
    groundGroup_->setCheckable(true);
    groundGroup_->setToolTip(
        QStringLiteral("衝撃解析で、固定(u)された並進自由度すべてが地盤と共に動きます"));
    auto* ground = new QGridLayout(groundGroup_);
    const char* const axes[3] = {"X方向", "Y方向", "Z方向"};
    for (int i = 0; i < 3; ++i) {
        ground->addWidget(new QLabel(QString::fromUtf8(axes[i]), groundGroup_), 0, i + 1);
        directionEdits_[i] = new QLineEdit(groundGroup_);
        directionEdits_[i]->setObjectName(QStringLiteral("directionEdit%1").arg(i));
        ground->addWidget(directionEdits_[i], 1, i + 1);
        connect(directionEdits_[i], &QLineEdit::textChanged, this, [this] { ShowFault(); });
    }
    ground->addWidget(new QLabel(QStringLiteral("方向"), groundGroup_), 1, 0);
    ground->addWidget(new QLabel(QStringLiteral("荷重履歴"), groundGroup_), 2, 0);
    historyCombo_ = new QComboBox(groundGroup_);
    historyCombo_->setObjectName(QStringLiteral("groundHistoryCombo"));
    ground->addWidget(historyCombo_, 2, 1, 1, 2);
    ground->addWidget(new QLabel(QStringLiteral("履歴の量"), groundGroup_), 3, 0);
    quantityCombo_ = new QComboBox(groundGroup_);
    quantityCombo_->setObjectName(QStringLiteral("groundQuantityCombo"));
    quantityCombo_->addItems({QStringLiteral("加速度 (mm/s²)"), QStringLiteral("変位 (mm)")});
    ground->addWidget(quantityCombo_, 3, 1, 1, 2);
    top->addWidget(groundGroup_);

    dampingGroup_ = new QGroupBox(QStringLiteral("全体の減衰"), this);
    dampingGroup_->setObjectName(QStringLiteral("modelDampingGroup"));
    dampingGroup_->setCheckable(true);
    dampingGroup_->setToolTip(QStringLiteral("減衰を持たない材料の要素すべての減衰"));
    auto* dampingLayout = new QVBoxLayout(dampingGroup_);
    damping_ = new DampingEditor(dampingGroup_);
    damping_->setObjectName(QStringLiteral("modelDampingEditor"));
    dampingLayout->addWidget(damping_);
    top->addWidget(dampingGroup_);
    auto* note = new QLabel(
        QStringLiteral(
            "固有振動数は減衰のない値です。静的解析は地盤運動・減衰の影響を受けません。"),
        this);
    note->setWordWrap(true);
    top->addWidget(note);

    faultLabel_ = new QLabel(this);
    faultLabel_->setObjectName(QStringLiteral("groundDampingFaultLabel"));
    faultLabel_->setWordWrap(true);
    faultLabel_->setStyleSheet(QStringLiteral("color: #c00000"));
    top->addWidget(faultLabel_);

    auto* buttons = new QHBoxLayout();
    confirmButton_ = new QPushButton(QStringLiteral("変更"), this);
    confirmButton_->setObjectName(QStringLiteral("confirmButton"));
    cancelButton_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    confirmButton_->setAutoDefault(false);
    cancelButton_->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(confirmButton_);
    buttons->addWidget(cancelButton_);
    top->addLayout(buttons);

    connect(groundGroup_, &QGroupBox::toggled, this, [this] { ShowFault(); });
    connect(dampingGroup_, &QGroupBox::toggled, this, [this] { ShowFault(); });
    connect(damping_, &DampingEditor::Edited, this, [this] { ShowFault(); });
    connect(confirmButton_, &QPushButton::clicked, this, [this] {
        if (Apply()) accept();
    });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void GroundDampingDialog::Fill() {
    const fem::Model& model = document_.Model();
    historyCombo_->clear();
    for (const auto& entry : model.Histories())
        historyCombo_->addItem(QString::fromStdString(entry.first));
    const std::optional<fem::GroundMotion>& g = model.Ground();
    groundGroup_->setChecked(g.has_value());
    shownDirection_ = g ? g->Direction : std::array<double, 3>{0.0, 0.0, 1.0};
    for (int i = 0; i < 3; ++i) directionEdits_[i]->setText(NumberText(shownDirection_[i]));
    historyCombo_->setCurrentIndex(g ? historyCombo_->findText(QString::fromStdString(g->History))
                                     : 0);
    quantityCombo_->setCurrentIndex(g && g->Quantity == fem::GroundQuantity::Displacement ? 1 : 0);
    dampingGroup_->setChecked(model.ModelDamping().has_value());
    damping_->SetDamping(model.ModelDamping().value_or(fem::Damping{}));
    ShowFault();
}

QString GroundDampingDialog::Fault() const {
    if (groundGroup_->isChecked()) {
        double length = 0.0;
        for (int i = 0; i < 3; ++i) {
            const auto v = BoxValue(directionEdits_[i]->text(), shownDirection_[i]);
            if (!v) return QStringLiteral("地盤運動の方向が数値ではありません。");
            length = std::hypot(length, *v);
        }
        if (!(length > 0.0) || !std::isfinite(length))
            return QStringLiteral("地盤運動の方向に長さがありません。");
        if (historyCombo_->currentIndex() < 0)
            return QStringLiteral(
                "地盤運動の荷重履歴がありません（「荷重履歴」で作ってください）。");
    }
    if (dampingGroup_->isChecked()) return damping_->Fault();
    return {};
}

void GroundDampingDialog::ShowFault() {
    const QString fault = Fault();
    faultLabel_->setText(fault);
    faultLabel_->setVisible(!fault.isEmpty());
}

bool GroundDampingDialog::Apply() {
    const QString refusal = QStringLiteral("地盤運動・減衰を変更できません：");
    if (const QString fault = Fault(); !fault.isEmpty()) {
        platform::ShowMessage(this, refusal + fault);
        return false;
    }
    std::optional<fem::GroundMotion> ground;
    if (groundGroup_->isChecked()) {
        ground.emplace();
        for (int i = 0; i < 3; ++i)
            ground->Direction[static_cast<std::size_t>(i)] =
                *BoxValue(directionEdits_[i]->text(), shownDirection_[i]);
        ground->History = historyCombo_->currentText().toStdString();
        ground->Quantity = quantityCombo_->currentIndex() == 1 ? fem::GroundQuantity::Displacement
                                                               : fem::GroundQuantity::Acceleration;
    }
    std::optional<fem::Damping> damping;
    if (dampingGroup_->isChecked()) damping = damping_->CurrentDamping();

    fem::Model& model = document_.Model();
    if (model.Ground() == ground && model.ModelDamping() == damping) return true;
    // Both or neither: the trial takes them first.
    fem::Model trial = model;
    try {
        trial.SetGround(ground);
        trial.SetModelDamping(damping);
    } catch (const numeric::ComputationFailure& f) {
        platform::ShowMessage(this, refusal + FailureReason(f));
        return false;
    }
    model = std::move(trial);
    changed_ = true;
    if (host_.redraw) host_.redraw();
    return true;
}

bool GroundDampingDialog::Edit() {
    changed_ = false;
    if (host_.place) host_.place(this);
    Fill();
    exec();
    return changed_;
}

}  // namespace shell
