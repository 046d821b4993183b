#include "shell/elementsheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
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

ElementSheet::ElementSheet(Document& document, SheetHost host, QWidget* parent)
    : QDialog(parent), document_(document), host_(std::move(host)) {
    setObjectName(QStringLiteral("elementSheet"));
    setWindowTitle(QStringLiteral("Element Data"));
    setModal(true);
    BuildControls();
}

void ElementSheet::BuildControls() {
    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout();
    const char* const nodeTitles[2] = {"節点1", "節点2"};
    const char* const nodeTips[2] = {"節点1を選択", "節点2を選択"};
    for (int i = 0; i < 2; ++i) {
        auto* lb = new QLabel(QString::fromUtf8(nodeTitles[i]), this);
        lb->setObjectName(QStringLiteral("endNodeLabel%1").arg(i));
        lb->setToolTip(QString::fromUtf8(nodeTips[i]));
        endNodeCombos_[i] = new QComboBox(this);
        endNodeCombos_[i]->setObjectName(QStringLiteral("endNodeCombo%1").arg(i));
        endNodeCombos_[i]->setEditable(true);
        endNodeCombos_[i]->setInsertPolicy(QComboBox::NoInsert);
        endNodeCombos_[i]->setToolTip(QString::fromUtf8(nodeTips[i]));
        endNodeCombos_[i]->setMinimumContentsLength(6);
        grid->addWidget(lb, 0, i);
        grid->addWidget(endNodeCombos_[i], 1, i);
    }
    const char* const valueTitles[4] = {"直径", "ヤング率", "横弾性係数", "密度"};
    const char* const labelNames[4] = {"diameterLabel", "youngModulusLabel", "shearModulusLabel",
                                       "densityLabel"};
    const char* const editNames[4] = {"diameterEdit", "youngModulusEdit", "shearModulusEdit",
                                      "densityEdit"};
    for (int i = 0; i < 4; ++i) {
        auto* lb = new QLabel(QString::fromUtf8(valueTitles[i]), this);
        lb->setObjectName(QLatin1String(labelNames[i]));
        valueEdits_[i] = new QLineEdit(this);
        valueEdits_[i]->setObjectName(QLatin1String(editNames[i]));
        valueEdits_[i]->setMinimumWidth(90);
        valueEdits_[i]->installEventFilter(this);
        grid->addWidget(lb, 2 + 2 * (i / 2), i % 2);
        grid->addWidget(valueEdits_[i], 3 + 2 * (i / 2), i % 2);
    }
    top->addLayout(grid);
    timoshenkoCheck_ = new QCheckBox(QString::fromUtf8("せん断変形を考慮（Timoshenko）"), this);
    timoshenkoCheck_->setObjectName(QStringLiteral("timoshenkoCheck"));
    timoshenkoCheck_->setToolTip(
        QString::fromUtf8("せん断変形と回転慣性を考慮した Timoshenko はりとして解析"));
    top->addWidget(timoshenkoCheck_);

    auto* buttons = new QHBoxLayout();
    confirmButton_ = new QPushButton(QStringLiteral("変更"), this);
    confirmButton_->setObjectName(QStringLiteral("confirmButton"));
    deleteButton_ = new QPushButton(QStringLiteral("削除"), this);
    deleteButton_->setObjectName(QStringLiteral("deleteButton"));
    cancelButton_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* b : {confirmButton_, deleteButton_, cancelButton_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    top->addLayout(buttons);

    ConnectSheetButtons(this, sheetResult_, confirmButton_, deleteButton_, cancelButton_);
}

bool ElementSheet::eventFilter(QObject* watched, QEvent* event) {
    return OpenKeypadOnDoubleClick(host_, watched, event) || QDialog::eventFilter(watched, event);
}

void ElementSheet::FillSheet() {
    endNodeCombos_[0]->setCurrentText(QString::number(sheetRecord_.EndNode[0]));
    endNodeCombos_[1]->setCurrentText(QString::number(sheetRecord_.EndNode[1]));
    valueEdits_[0]->setText(NumberText(sheetRecord_.CrossSection.Diameter));
    valueEdits_[1]->setText(NumberText(sheetRecord_.Young));
    valueEdits_[2]->setText(NumberText(sheetRecord_.Shear));
    valueEdits_[3]->setText(NumberText(sheetRecord_.Density));
    timoshenkoCheck_->setChecked(sheetRecord_.Timoshenko);
}

QString ElementSheet::ReadSheet() {
    const QString badNumber = QStringLiteral("入力された数値が不適当です");
    fem::ElementRecord r = sheetRecord_;
    // The node lists are editable: a typed text must name an existing node, and
    // texts such as 1 and 01 name the same node.
    const QString texts[2] = {endNodeCombos_[0]->currentText().trimmed(),
                              endNodeCombos_[1]->currentText().trimmed()};
    const std::optional<int> nodes[2] = {ParseWhole(texts[0]), ParseWhole(texts[1])};
    if (texts[0] == texts[1] || (nodes[0] && nodes[1] && *nodes[0] == *nodes[1]))
        return QStringLiteral("節点が同じです");
    for (int i = 0; i < 2; ++i) {
        if (!nodes[i]) return badNumber;
        if (*nodes[i] < 0 || *nodes[i] >= document_.Model().NodeCount())
            return QStringLiteral("節点番号 %1 はありません").arg(*nodes[i]);
        r.EndNode[i] = *nodes[i];
    }
    double* const targets[4] = {&r.CrossSection.Diameter, &r.Young, &r.Shear, &r.Density};
    for (int i = 0; i < 4; ++i) {
        const auto value = BoxValue(valueEdits_[i]->text(), *targets[i]);
        if (!value) return badNumber;
        *targets[i] = *value;
    }
    r.Timoshenko = timoshenkoCheck_->isChecked();
    sheetRecord_ = r;
    return {};
}

int ElementSheet::Edit(int number) {
    fem::Model& model = document_.Model();
    if (host_.place) host_.place(this);
    sheetResult_ = -1;
    number_ = number;

    for (QComboBox* n : endNodeCombos_) {
        n->clear();
        for (int k = 0; k < model.NodeCount(); ++k) n->addItem(QString::number(k));
    }
    if (number < 0) {
        setWindowTitle(QStringLiteral("要素(%1)追加").arg(model.ElementCount()));
        confirmButton_->setText(QStringLiteral("追加"));
        deleteButton_->hide();
        sheetRecord_ = fem::DefaultElement();
    } else {
        setWindowTitle(QStringLiteral("要素番号＝%1").arg(number));
        confirmButton_->setText(QStringLiteral("変更"));
        deleteButton_->show();
        sheetRecord_ = model.GetElement(number);
    }
    FillSheet();
    exec();

    if (sheetResult_ == 1) {
        const QString message = ReadSheet();
        if (!message.isEmpty()) {
            platform::ShowMessage(parentWidget(), message);
            return sheetResult_;
        }
        try {
            if (number < 0)
                model.AddElement(sheetRecord_);
            else
                model.PutElement(number, sheetRecord_);
        } catch (const numeric::ComputationFailure& f) {
            const ElementFault fault = FindElementFault(model, sheetRecord_);
            platform::ShowMessage(
                parentWidget(),
                QStringLiteral("要素を変更できません：") +
                    (fault != ElementFault::None ? ElementFaultText(fault) : FailureReason(f)));
            return sheetResult_;
        }
        if (host_.redraw) host_.redraw();
    } else if (sheetResult_ == 2) {
        if (platform::AskYesNo(parentWidget(),
                               QStringLiteral("要素番号 %1 を削除します").arg(number))) {
            model.DeleteElement(number);
            if (host_.redraw) host_.redraw();
        }
    }
    return sheetResult_;
}

}  // namespace shell
