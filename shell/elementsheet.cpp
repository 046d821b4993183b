#include "shell/elementsheet.h"

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
#include <QRadioButton>
#include <QVBoxLayout>

#include "numeric/failure.h"
#include "platform/messagebox.h"
#include "shell/document.h"
#include "shell/elementfault.h"
#include "shell/messages.h"
#include "shell/numbertext.h"
#include "shell/sectioneditor.h"

namespace shell {

ElementSheet::ElementSheet(Document& document, SheetHost host, QWidget* parent)
    : QDialog(parent), document_(document), host_(std::move(host)) {
    setObjectName(QStringLiteral("elementSheet"));
    setWindowTitle(QStringLiteral("Element Data"));
    setModal(true);
    BuildControls();
}

QString ElementSheet::OwnValuesEntry() {
    return QStringLiteral("（個別）");
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

    // Two columns of groups: nodes, material and orientation; the section.
    auto* columns = new QHBoxLayout();
    auto* left = new QVBoxLayout();
    left->addLayout(grid);
    left->addWidget(BuildMaterialGroup());
    left->addWidget(BuildOrientationGroup());
    left->addStretch(1);
    auto* right = new QVBoxLayout();
    right->addWidget(BuildSectionGroup());
    timoshenkoCheck_ = new QCheckBox(QString::fromUtf8("せん断変形を考慮（Timoshenko）"), this);
    timoshenkoCheck_->setObjectName(QStringLiteral("timoshenkoCheck"));
    timoshenkoCheck_->setToolTip(
        QString::fromUtf8("せん断変形と回転慣性を考慮した Timoshenko はりとして解析"));
    right->addWidget(timoshenkoCheck_);
    right->addWidget(BuildReleaseGroup());
    right->addStretch(1);
    columns->addLayout(left);
    columns->addLayout(right);
    top->addLayout(columns);

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

QGroupBox* ElementSheet::BuildMaterialGroup() {
    materialGroup_ = new QGroupBox(QStringLiteral("材料"), this);
    materialGroup_->setObjectName(QStringLiteral("materialGroup"));
    auto* grid = new QGridLayout(materialGroup_);
    materialCombo_ = new QComboBox(materialGroup_);
    materialCombo_->setObjectName(QStringLiteral("materialCombo"));
    materialCombo_->setToolTip(
        QStringLiteral("名前の付いた材料か、この要素だけの値（（個別））を選びます"));
    materialsButton_ = new QPushButton(QStringLiteral("材料..."), materialGroup_);
    materialsButton_->setObjectName(QStringLiteral("materialsButton"));
    materialsButton_->setAutoDefault(false);
    materialsButton_->setToolTip(QStringLiteral("名前の付いた材料を追加・変更します"));
    grid->addWidget(materialCombo_, 0, 0, 1, 2);
    grid->addWidget(materialsButton_, 0, 2);
    const char* const titles[3] = {"ヤング率", "横弾性係数", "密度"};
    const char* const units[3] = {"kgf/mm²", "kgf/mm²", "kgf/mm³"};
    const char* const labelNames[3] = {"youngModulusLabel", "shearModulusLabel", "densityLabel"};
    const char* const editNames[3] = {"youngModulusEdit", "shearModulusEdit", "densityEdit"};
    for (int i = 0; i < 3; ++i) {
        auto* lb = new QLabel(QString::fromUtf8(titles[i]), materialGroup_);
        lb->setObjectName(QLatin1String(labelNames[i]));
        materialEdits_[i] = new QLineEdit(materialGroup_);
        materialEdits_[i]->setObjectName(QLatin1String(editNames[i]));
        materialEdits_[i]->setMinimumWidth(90);
        materialEdits_[i]->installEventFilter(this);
        grid->addWidget(lb, i + 1, 0);
        grid->addWidget(materialEdits_[i], i + 1, 1);
        grid->addWidget(new QLabel(QString::fromUtf8(units[i]), materialGroup_), i + 1, 2);
        connect(materialEdits_[i], &QLineEdit::textChanged, this, [this] { MaterialEdited(); });
    }
    connect(materialCombo_, &QComboBox::activated, this, [this] { MaterialChosen(); });
    connect(materialsButton_, &QPushButton::clicked, this, [this] { OpenMaterials(); });
    return materialGroup_;
}

QGroupBox* ElementSheet::BuildSectionGroup() {
    sectionGroup_ = new QGroupBox(QStringLiteral("断面"), this);
    sectionGroup_->setObjectName(QStringLiteral("sectionGroup"));
    auto* layout = new QVBoxLayout(sectionGroup_);
    auto* row = new QHBoxLayout();
    sectionCombo_ = new QComboBox(sectionGroup_);
    sectionCombo_->setObjectName(QStringLiteral("sectionCombo"));
    sectionCombo_->setToolTip(
        QStringLiteral("名前の付いた断面か、この要素だけの断面（（個別））を選びます"));
    sectionsButton_ = new QPushButton(QStringLiteral("断面..."), sectionGroup_);
    sectionsButton_->setObjectName(QStringLiteral("sectionsButton"));
    sectionsButton_->setAutoDefault(false);
    sectionsButton_->setToolTip(QStringLiteral("名前の付いた断面を追加・変更します"));
    row->addWidget(sectionCombo_, 1);
    row->addWidget(sectionsButton_);
    layout->addLayout(row);
    sectionEditor_ = new SectionEditor(sectionGroup_);
    sectionEditor_->setObjectName(QStringLiteral("sectionEditor"));
    sectionEditor_->SetKeypad(host_.keypad);
    layout->addWidget(sectionEditor_);
    connect(sectionCombo_, &QComboBox::activated, this, [this] { SectionChosen(); });
    connect(sectionsButton_, &QPushButton::clicked, this, [this] { OpenSections(); });
    connect(sectionEditor_, &SectionEditor::Edited, this, [this] { SectionShapeChanged(); });
    return sectionGroup_;
}

QGroupBox* ElementSheet::BuildOrientationGroup() {
    orientationGroup_ = new QGroupBox(QStringLiteral("向き"), this);
    orientationGroup_->setObjectName(QStringLiteral("orientationGroup"));
    auto* grid = new QGridLayout(orientationGroup_);
    rollRadio_ = new QRadioButton(QStringLiteral("回転角"), orientationGroup_);
    rollRadio_->setObjectName(QStringLiteral("rollRadio"));
    rollRadio_->setToolTip(
        QStringLiteral("局所 y、z 軸を要素の軸まわりに回す角度（y から z へ正）"));
    rollEdit_ = new QLineEdit(orientationGroup_);
    rollEdit_->setObjectName(QStringLiteral("rollEdit"));
    rollEdit_->setMinimumWidth(60);
    rollEdit_->installEventFilter(this);
    grid->addWidget(rollRadio_, 0, 0);
    grid->addWidget(rollEdit_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("度"), orientationGroup_), 0, 2);
    zTowardsRadio_ = new QRadioButton(QStringLiteral("z 方向"), orientationGroup_);
    zTowardsRadio_->setObjectName(QStringLiteral("zTowardsRadio"));
    zTowardsRadio_->setToolTip(
        QStringLiteral("局所 z 軸をこのベクトル（全体座標）の要素に垂直な成分の向きにします"));
    grid->addWidget(zTowardsRadio_, 1, 0);
    auto* vector = new QHBoxLayout();
    const char* const axes[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        vector->addWidget(new QLabel(QLatin1String(axes[i]), orientationGroup_));
        zTowardsEdits_[i] = new QLineEdit(orientationGroup_);
        zTowardsEdits_[i]->setObjectName(QStringLiteral("zTowardsEdit%1").arg(i));
        zTowardsEdits_[i]->setMinimumWidth(50);
        zTowardsEdits_[i]->installEventFilter(this);
        vector->addWidget(zTowardsEdits_[i]);
    }
    grid->addLayout(vector, 1, 1, 1, 2);
    orientationNote_ =
        new QLabel(QStringLiteral("丸棒と円管の断面は向きによりません。"), orientationGroup_);
    orientationNote_->setObjectName(QStringLiteral("orientationNote"));
    grid->addWidget(orientationNote_, 2, 0, 1, 3);
    const auto enableBoxes = [this] {
        rollEdit_->setEnabled(rollRadio_->isChecked());
        for (QLineEdit* box : zTowardsEdits_) box->setEnabled(zTowardsRadio_->isChecked());
    };
    connect(rollRadio_, &QRadioButton::toggled, this, enableBoxes);
    connect(zTowardsRadio_, &QRadioButton::toggled, this, enableBoxes);
    return orientationGroup_;
}

QGroupBox* ElementSheet::BuildReleaseGroup() {
    auto* group = new QGroupBox(QStringLiteral("端部解放"), this);
    group->setObjectName(QStringLiteral("releaseGroup"));
    group->setToolTip(
        QStringLiteral("チェックした端部の力（要素座標系）を 0 にします（ピン、ローラー）"));
    auto* grid = new QGridLayout(group);
    for (int k = 0; k < 6; ++k) {
        auto* head = new QLabel(QLatin1String(fem::ReleaseName(k)), group);
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, k + 1);
    }
    const char* const endTitles[2] = {"節点1側", "節点2側"};
    for (int end = 0; end < 2; ++end) {
        grid->addWidget(new QLabel(QString::fromUtf8(endTitles[end]), group), end + 1, 0);
        for (int k = 0; k < 6; ++k) {
            QCheckBox*& box = releaseChecks_[static_cast<std::size_t>(6 * end + k)];
            box = new QCheckBox(group);
            box->setObjectName(QStringLiteral("releaseCheck%1").arg(6 * end + k));
            box->setToolTip(
                QStringLiteral("%1の %2 を解放")
                    .arg(QString::fromUtf8(endTitles[end]), QLatin1String(fem::ReleaseName(k))));
            grid->addWidget(box, end + 1, k + 1, Qt::AlignCenter);
        }
    }
    return group;
}

bool ElementSheet::eventFilter(QObject* watched, QEvent* event) {
    return OpenKeypadOnDoubleClick(host_, watched, event) || QDialog::eventFilter(watched, event);
}

void ElementSheet::FillNameLists(const std::string& material, const std::string& section) {
    const fem::Model& model = document_.Model();
    const auto fill = [](QComboBox* list, const auto& table, const std::string& chosen) {
        list->clear();
        list->addItem(OwnValuesEntry(), QString());
        for (const auto& entry : table) {
            const QString name = QString::fromStdString(entry.first);
            list->addItem(name, name);
            if (entry.first == chosen) list->setCurrentIndex(list->count() - 1);
        }
        if (chosen.empty() || table.count(chosen) == 0) list->setCurrentIndex(0);
    };
    fill(materialCombo_, model.Materials(), material);
    fill(sectionCombo_, model.Sections(), section);
}

std::string ElementSheet::ChosenName(const QComboBox* list) {
    return list->currentData().toString().toStdString();
}

void ElementSheet::ShowMaterial(const fem::Material& m) {
    shownMaterial_ = m;
    const double values[3] = {m.Young, m.Shear, m.Density};
    for (int i = 0; i < 3; ++i) materialEdits_[i]->setText(NumberText(values[i]));
}

void ElementSheet::MaterialChosen() {
    const std::string name = ChosenName(materialCombo_);
    const auto& materials = document_.Model().Materials();
    const auto found = materials.find(name);
    if (found != materials.end()) ShowMaterial(found->second);
    for (QLineEdit* box : materialEdits_) box->setReadOnly(found != materials.end());
    MaterialEdited();
}

void ElementSheet::SectionChosen() {
    const std::string name = ChosenName(sectionCombo_);
    const auto& sections = document_.Model().Sections();
    const auto found = sections.find(name);
    if (found != sections.end()) sectionEditor_->SetSection(found->second);
    sectionEditor_->SetReadOnly(found != sections.end());
    SectionShapeChanged();
}

void ElementSheet::MaterialEdited() {
    // Poisson's ratio for the shear areas, as the model derives it.
    const auto young = BoxValue(materialEdits_[0]->text(), shownMaterial_.Young);
    const auto shear = BoxValue(materialEdits_[1]->text(), shownMaterial_.Shear);
    std::optional<double> nu;
    if (young && shear && *shear > 0.0 && *young > 0.0) nu = *young / (*shear * 2.0) - 1.0;
    sectionEditor_->SetPoisson(nu);
}

void ElementSheet::SectionShapeChanged() {
    const bool oriented = fem::IsOriented(sectionEditor_->Shape());
    for (QWidget* w : orientationGroup_->findChildren<QWidget*>())
        if (w != orientationNote_) w->setEnabled(oriented);
    if (oriented) {
        rollEdit_->setEnabled(rollRadio_->isChecked());
        for (QLineEdit* box : zTowardsEdits_) box->setEnabled(zTowardsRadio_->isChecked());
    }
    orientationNote_->setVisible(!oriented);
}

void ElementSheet::OpenMaterials() {
    if (!host_.editMaterials) return;
    const std::string now = host_.editMaterials(ChosenName(materialCombo_));
    FillNameLists(now, ChosenName(sectionCombo_));
    MaterialChosen();
    SectionChosen();  // the element's shear areas follow a changed Poisson's ratio
}

void ElementSheet::OpenSections() {
    if (!host_.editSections) return;
    const std::string now = host_.editSections(ChosenName(sectionCombo_));
    FillNameLists(ChosenName(materialCombo_), now);
    MaterialChosen();
    SectionChosen();
}

void ElementSheet::FillSheet() {
    const fem::ElementRecord& r = sheetRecord_;
    endNodeCombos_[0]->setCurrentText(QString::number(r.EndNode[0]));
    endNodeCombos_[1]->setCurrentText(QString::number(r.EndNode[1]));
    FillNameLists(r.MaterialName, r.SectionName);
    ShowMaterial({r.Young, r.Shear, r.Density});
    sectionEditor_->SetSection(r.CrossSection);

    // The direction boxes start from the element's local z, so that choosing "z 方向"
    // keeps the orientation it has.
    fem::Vec3 z = r.ZTowards.value_or(r.RotMatrix[2]);
    if (!r.ZTowards) {
        for (double& c : z)
            if (std::fabs(c) < 1e-12) c = 0.0;  // rounding of the turned axes
        if (z == fem::Vec3{0.0, 0.0, 0.0}) z = {0.0, 0.0, 1.0};
    }
    shownTowards_ = z;
    for (int i = 0; i < 3; ++i) zTowardsEdits_[i]->setText(NumberText(z[i]));
    rollEdit_->setText(NumberText(r.Roll));
    (r.ZTowards ? zTowardsRadio_ : rollRadio_)->setChecked(true);
    timoshenkoCheck_->setChecked(r.Timoshenko);
    for (std::size_t j = 0; j < releaseChecks_.size(); ++j)
        releaseChecks_[j]->setChecked(r.Released[j]);

    MaterialChosen();
    SectionChosen();
}

QString ElementSheet::ReadSheet() {
    const QString badNumber = QStringLiteral("入力された数値が不適当です");
    const fem::Model& model = document_.Model();
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
        if (*nodes[i] < 0 || *nodes[i] >= model.NodeCount())
            return QStringLiteral("節点番号 %1 はありません").arg(*nodes[i]);
        r.EndNode[i] = *nodes[i];
    }

    // A named material or section: the table's values, which the model takes anyway.
    r.MaterialName = ChosenName(materialCombo_);
    if (const auto m = model.Materials().find(r.MaterialName); m != model.Materials().end()) {
        r.Young = m->second.Young;
        r.Shear = m->second.Shear;
        r.Density = m->second.Density;
    } else {
        r.MaterialName.clear();
        double* const targets[3] = {&r.Young, &r.Shear, &r.Density};
        const double shown[3] = {shownMaterial_.Young, shownMaterial_.Shear,
                                 shownMaterial_.Density};
        for (int i = 0; i < 3; ++i) {
            const auto value = BoxValue(materialEdits_[i]->text(), shown[i]);
            if (!value) return badNumber;
            *targets[i] = *value;
        }
    }
    r.SectionName = ChosenName(sectionCombo_);
    if (const auto s = model.Sections().find(r.SectionName); s != model.Sections().end()) {
        r.CrossSection = s->second;
    } else {
        r.SectionName.clear();
        const std::optional<fem::Section> own = sectionEditor_->CurrentSection();
        if (!own) return badNumber;
        r.CrossSection = *own;
    }

    // A round bar or a tube keeps the orientation it had: it has none to change.
    if (fem::IsOriented(r.CrossSection.Shape)) {
        if (rollRadio_->isChecked()) {
            const auto roll = BoxValue(rollEdit_->text(), sheetRecord_.Roll);
            if (!roll) return badNumber;
            r.Roll = *roll;
            r.ZTowards.reset();
        } else {
            fem::Vec3 towards{};
            for (int i = 0; i < 3; ++i) {
                const auto c = BoxValue(zTowardsEdits_[i]->text(), shownTowards_[i]);
                if (!c) return badNumber;
                towards[i] = *c;
            }
            r.Roll = 0.0;
            r.ZTowards = towards;
        }
    }
    r.Timoshenko = timoshenkoCheck_->isChecked();
    for (std::size_t j = 0; j < releaseChecks_.size(); ++j)
        r.Released[j] = releaseChecks_[j]->isChecked();
    sheetRecord_ = r;
    return {};
}

QString ElementSheet::RefusalText(const fem::ElementRecord& r,
                                  const std::exception& failure) const {
    const ElementFault fault = FindElementFault(document_.Model(), r);
    if (fault == ElementFault::Section) return SectionFaultText(r.CrossSection);
    if (fault != ElementFault::None) return ElementFaultText(fault);
    if (!fem::ReleaseFault(r).empty())
        return QStringLiteral("端部解放により要素が剛体として動けてしまいます（不安定）");
    return FailureReason(failure);
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
    materialsButton_->setEnabled(static_cast<bool>(host_.editMaterials));
    sectionsButton_->setEnabled(static_cast<bool>(host_.editSections));
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
            platform::ShowMessage(parentWidget(), QStringLiteral("要素を変更できません：") +
                                                      RefusalText(sheetRecord_, f));
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
