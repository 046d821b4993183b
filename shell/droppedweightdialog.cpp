#include "shell/droppedweightdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "numeric/failure.h"
#include "platform/messagebox.h"
#include "shell/document.h"
#include "shell/messages.h"
#include "shell/numbertext.h"

namespace shell {

DroppedWeightDialog::DroppedWeightDialog(Document& document, SheetHost host, QWidget* parent)
    : QDialog(parent), document_(document), host_(std::move(host)) {
    setObjectName(QStringLiteral("droppedWeightDialog"));
    setWindowTitle(QStringLiteral("落下物"));
    setModal(true);
    BuildControls();
}

void DroppedWeightDialog::BuildControls() {
    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout();
    const auto box = [this](const QString& name, const QString& tip) {
        auto* b = new QLineEdit(this);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setMinimumWidth(80);
        b->installEventFilter(this);
        return b;
    };
    grid->addWidget(new QLabel(QStringLiteral("節点"), this), 0, 0);
    nodeCombo_ = new QComboBox(this);
    nodeCombo_->setObjectName(QStringLiteral("nodeCombo"));
    nodeCombo_->setEditable(true);
    nodeCombo_->setInsertPolicy(QComboBox::NoInsert);
    nodeCombo_->setToolTip(QStringLiteral("落下物が衝突する節点"));
    grid->addWidget(nodeCombo_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("重量"), this), 1, 0);
    weightEdit_ = box(QStringLiteral("weightEdit"), QStringLiteral("落下物の重量"));
    grid->addWidget(weightEdit_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("kgf"), this), 1, 2);
    top->addLayout(grid);

    auto* velocity = new QGridLayout();
    const char* const axes[3] = {"X方向", "Y方向", "Z方向"};
    velocity->addWidget(new QLabel(QStringLiteral("衝突速度"), this), 1, 0);
    for (int i = 0; i < 3; ++i) {
        auto* lb = new QLabel(QString::fromUtf8(axes[i]), this);
        lb->setAlignment(Qt::AlignCenter);
        velocity->addWidget(lb, 0, i + 1);
        velocityEdits_[i] = box(QStringLiteral("velocityEdit%1").arg(i),
                                QStringLiteral("衝突する時の速度（全体座標）"));
        velocity->addWidget(velocityEdits_[i], 1, i + 1);
    }
    velocity->addWidget(new QLabel(QStringLiteral("mm/s"), this), 1, 4);
    top->addLayout(velocity);
    gravityCheck_ =
        new QCheckBox(QStringLiteral("衝突後、自重を速度の向きのステップ荷重とする"), this);
    gravityCheck_->setObjectName(QStringLiteral("gravityCheck"));
    top->addWidget(gravityCheck_);
    auto* note = new QLabel(
        QStringLiteral("落下物は時刻 Te/10 に衝突し、以後節点と一体に動きます（完全塑性衝突）"),
        this);
    note->setObjectName(QStringLiteral("droppedWeightNote"));
    note->setWordWrap(true);
    top->addWidget(note);

    auto* buttons = new QHBoxLayout();
    confirmButton_ = new QPushButton(QStringLiteral("設定"), this);
    confirmButton_->setObjectName(QStringLiteral("confirmButton"));
    deleteButton_ = new QPushButton(QStringLiteral("削除"), this);
    deleteButton_->setObjectName(QStringLiteral("deleteButton"));
    cancelButton_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    buttons->addStretch();
    for (QPushButton* b : {confirmButton_, deleteButton_, cancelButton_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    top->addLayout(buttons);
    ConnectSheetButtons(this, result_, confirmButton_, deleteButton_, cancelButton_);
}

bool DroppedWeightDialog::eventFilter(QObject* watched, QEvent* event) {
    return OpenKeypadOnDoubleClick(host_, watched, event) || QDialog::eventFilter(watched, event);
}

QString DroppedWeightDialog::ReadDialog(fem::DroppedWeight& weight) const {
    const QString badNumber = QStringLiteral("入力された数値が不適当です");
    const fem::Model& model = document_.Model();
    const auto node = ParseWhole(nodeCombo_->currentText());
    if (!node) return badNumber;
    if (*node < 0 || *node >= model.NodeCount())
        return QStringLiteral("節点番号 %1 はありません").arg(*node);
    weight.Node = *node;
    const auto w = BoxValue(weightEdit_->text(), shown_.Weight);
    if (!w) return badNumber;
    if (!(*w > 0.0)) return QStringLiteral("落下物の重量には正の値を入力してください");
    weight.Weight = *w;
    bool moving = false;
    for (int i = 0; i < 3; ++i) {
        const auto v = BoxValue(velocityEdits_[i]->text(), shown_.Velocity[i]);
        if (!v) return badNumber;
        weight.Velocity[i] = *v;
        moving = moving || *v != 0.0;
    }
    if (!moving) return QStringLiteral("落下物の衝突速度が 0 です");
    weight.Gravity = gravityCheck_->isChecked();
    return {};
}

int DroppedWeightDialog::Edit() {
    fem::Model& model = document_.Model();
    if (host_.place) host_.place(this);
    result_ = -1;
    nodeCombo_->clear();
    for (int k = 0; k < model.NodeCount(); ++k) nodeCombo_->addItem(QString::number(k));
    // A new weight starts at node 0, falling along -y at 1 m/s.
    shown_ = model.Impact().value_or(fem::DroppedWeight{0, 1.0, {0.0, -1000.0, 0.0}, false});
    nodeCombo_->setCurrentText(QString::number(shown_.Node));
    weightEdit_->setText(NumberText(shown_.Weight));
    for (int i = 0; i < 3; ++i) velocityEdits_[i]->setText(NumberText(shown_.Velocity[i]));
    gravityCheck_->setChecked(shown_.Gravity);
    deleteButton_->setVisible(model.Impact().has_value());
    exec();

    if (result_ == 1) {
        fem::DroppedWeight weight;
        const QString message = ReadDialog(weight);
        if (!message.isEmpty()) {
            platform::ShowMessage(parentWidget(), message);
            return result_;
        }
        try {
            model.SetImpact(weight);
        } catch (const numeric::ComputationFailure& f) {
            platform::ShowMessage(parentWidget(),
                                  QStringLiteral("落下物を設定できません：") + FailureReason(f));
            return result_;
        }
        if (host_.redraw) host_.redraw();
    } else if (result_ == 2) {
        model.SetImpact(std::nullopt);
        if (host_.redraw) host_.redraw();
    }
    return result_;
}

}  // namespace shell
