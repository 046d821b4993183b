#include "shell/tabledialogs.h"

#include <algorithm>
#include <new>

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "numeric/failure.h"
#include "platform/messagebox.h"
#include "shell/dampingeditor.h"
#include "shell/document.h"
#include "shell/elementfault.h"
#include "shell/messages.h"
#include "shell/numbertext.h"
#include "shell/sectioneditor.h"

namespace shell {
namespace {

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// The element that names `name` through `reference`, -1 when none does.
int FirstElementNaming(const fem::Model& model, const std::string& name,
                       std::string fem::ElementRecord::*reference) {
    for (int k = 0; k < model.ElementCount(); ++k)
        if (model.Elements[static_cast<size_t>(k)].*reference == name) return k;
    return -1;
}

// The first element naming `name` through `reference` that the model refuses once
// `give` has given it the new values, and why; "" when every one takes them.
template <class Give>
QString FirstRefusal(const fem::Model& model, const std::string& name,
                     std::string fem::ElementRecord::*reference, Give give) {
    for (int k = 0; k < model.ElementCount(); ++k) {
        fem::ElementRecord e = model.Elements[static_cast<size_t>(k)];
        if (e.*reference != name) continue;
        e.*reference = std::string();  // its values now, not the table's
        give(e);
        try {
            model.UpdateElement(e);
        } catch (const numeric::ComputationFailure& f) {
            const ElementFault fault = FindElementFault(model, e);
            return QStringLiteral("要素 %1 が使えなくなります（%2）")
                .arg(k)
                .arg(fault != ElementFault::None ? ElementFaultText(fault) : FailureReason(f));
        }
    }
    return {};
}

}  // namespace

// --- NamedTableDialog ------------------------------------------------------------------

NamedTableDialog::NamedTableDialog(Document& document, SheetHost host, const QString& what,
                                   QWidget* parent)
    : QDialog(parent), document_(document), host_(std::move(host)), what_(what) {
    setWindowTitle(what);
    setModal(true);
}

void NamedTableDialog::BuildControls(QWidget* editor) {
    auto* top = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout();

    auto* left = new QVBoxLayout();
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("nameList"));
    list_->setMinimumWidth(140);
    left->addWidget(list_);
    auto* nameRow = new QHBoxLayout();
    nameRow->addWidget(new QLabel(QStringLiteral("名前"), this));
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    nameRow->addWidget(nameEdit_);
    left->addLayout(nameRow);
    auto* nameButtons = new QGridLayout();
    addButton_ = new QPushButton(QStringLiteral("追加"), this);
    addButton_->setObjectName(QStringLiteral("addButton"));
    addButton_->setToolTip(QStringLiteral("名前の欄の名前で、右の値の%1を加えます").arg(what_));
    renameButton_ = new QPushButton(QStringLiteral("名前変更"), this);
    renameButton_->setObjectName(QStringLiteral("renameButton"));
    renameButton_->setToolTip(QStringLiteral("選んだ%1の名前を名前の欄の名前にします").arg(what_));
    deleteButton_ = new QPushButton(QStringLiteral("削除"), this);
    deleteButton_->setObjectName(QStringLiteral("deleteButton"));
    nameButtons->addWidget(addButton_, 0, 0);
    nameButtons->addWidget(renameButton_, 0, 1);
    nameButtons->addWidget(deleteButton_, 1, 0);
    left->addLayout(nameButtons);
    columns->addLayout(left);

    auto* right = new QVBoxLayout();
    right->addWidget(editor);
    right->addStretch(1);
    changeButton_ = new QPushButton(QStringLiteral("変更"), this);
    changeButton_->setObjectName(QStringLiteral("changeButton"));
    changeButton_->setToolTip(
        QStringLiteral("選んだ%1をこの値にします（その%1を使う要素すべてが変わります）")
            .arg(what_));
    right->addWidget(changeButton_, 0, Qt::AlignRight);
    columns->addLayout(right, 1);
    top->addLayout(columns);

    closeButton_ = new QPushButton(QStringLiteral("閉じる"), this);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    top->addWidget(closeButton_, 0, Qt::AlignRight);
    for (QPushButton* b : {addButton_, renameButton_, deleteButton_, changeButton_, closeButton_})
        b->setAutoDefault(false);

    connect(list_, &QListWidget::currentRowChanged, this, [this] {
        if (!filling_) EntryChosen();
    });
    connect(addButton_, &QPushButton::clicked, this, &NamedTableDialog::Add);
    connect(changeButton_, &QPushButton::clicked, this, &NamedTableDialog::Change);
    connect(renameButton_, &QPushButton::clicked, this, &NamedTableDialog::Rename);
    connect(deleteButton_, &QPushButton::clicked, this, &NamedTableDialog::Delete);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void NamedTableDialog::Edit(const std::string& name) {
    renames_.clear();
    FillList(name);
    EntryChosen();
    exec();
}

std::string NamedTableDialog::Follow(std::string name) const {
    for (const auto& [from, to] : renames_)
        if (name == from) name = to;
    for (const std::string& n : Names())
        if (n == name) return name;
    return {};
}

void NamedTableDialog::FillList(const std::string& choose) {
    filling_ = true;
    list_->clear();
    int row = 0;
    for (const std::string& n : Names()) {
        if (n == choose) row = list_->count();
        list_->addItem(Text(n));
    }
    if (list_->count() > 0) list_->setCurrentRow(row);
    filling_ = false;
}

std::string NamedTableDialog::Chosen() const {
    const QListWidgetItem* item = list_->currentItem();
    return item ? item->text().toStdString() : std::string();
}

void NamedTableDialog::EntryChosen() {
    const std::string name = Chosen();
    const bool chosen = !name.empty();
    ShowEntry(chosen ? &name : nullptr);
    nameEdit_->setText(Text(name));
    for (QPushButton* b : {changeButton_, renameButton_, deleteButton_}) b->setEnabled(chosen);
}

void NamedTableDialog::Refuse(const QString& refusal, const QString& why) {
    platform::ShowMessage(this, refusal + QStringLiteral("：") + why);
}

template <class Operation>
bool NamedTableDialog::Carry(const QString& refusal, Operation operation) {
    try {
        operation();
    } catch (const numeric::ComputationFailure& f) {
        Refuse(refusal, FailureReason(f));
        return false;
    } catch (const std::bad_alloc& f) {
        Refuse(refusal, FailureReason(f));
        return false;
    }
    if (host_.redraw) host_.redraw();
    return true;
}

void NamedTableDialog::Add() {
    const std::string name = nameEdit_->text().toStdString();
    const QString refusal = QStringLiteral("%1「%2」を追加できません").arg(what_, Text(name));
    if (const fem::NameFault fault = fem::FindNameFault(name); fault != fem::NameFault::None)
        return Refuse(QStringLiteral("%1を追加できません").arg(what_), NameFaultText(fault));
    const std::vector<std::string> names = Names();
    if (std::find(names.begin(), names.end(), name) != names.end())
        return Refuse(refusal, QStringLiteral("同じ名前の%1がすでにあります。").arg(what_));
    if (const QString fault = CheckValues(); !fault.isEmpty()) return Refuse(refusal, fault);
    if (Carry(refusal, [&] { PutEntry(name); })) FillList(name);
    EntryChosen();
}

void NamedTableDialog::Change() {
    const std::string name = Chosen();
    if (name.empty()) return;
    const QString refusal = QStringLiteral("%1「%2」を変更できません").arg(what_, Text(name));
    if (const QString fault = CheckValues(); !fault.isEmpty()) return Refuse(refusal, fault);
    if (const QString element = RefusingElement(name); !element.isEmpty())
        return Refuse(refusal, element);
    Carry(refusal, [&] { PutEntry(name); });
}

void NamedTableDialog::Rename() {
    const std::string from = Chosen();
    const std::string to = nameEdit_->text().toStdString();
    if (from.empty() || from == to) return;
    const QString refusal = QStringLiteral("%1「%2」の名前を変えられません").arg(what_, Text(from));
    if (const fem::NameFault fault = fem::FindNameFault(to); fault != fem::NameFault::None)
        return Refuse(refusal, NameFaultText(fault));
    const std::vector<std::string> names = Names();
    if (std::find(names.begin(), names.end(), to) != names.end())
        return Refuse(refusal, QStringLiteral("%1「%2」がすでにあります。").arg(what_, Text(to)));
    if (Carry(refusal, [&] { RenameEntry(from, to); })) {
        renames_.emplace_back(from, to);
        FillList(to);
    }
    EntryChosen();
}

void NamedTableDialog::Delete() {
    const std::string name = Chosen();
    if (name.empty()) return;
    const QString refusal = QStringLiteral("%1「%2」を削除できません").arg(what_, Text(name));
    if (const QString user = UserText(name); !user.isEmpty()) return Refuse(refusal, user);
    if (!platform::AskYesNo(this, QStringLiteral("%1「%2」を削除します").arg(what_, Text(name))))
        return;
    if (Carry(refusal, [&] { DeleteEntry(name); })) FillList(std::string());
    EntryChosen();
}

QString NamedTableDialog::UserText(const std::string& name) const {
    const int user = FirstUser(name);
    if (user < 0) return {};
    return QStringLiteral("要素 %1 がこの%2を使っています。").arg(user).arg(what_);
}

bool NamedTableDialog::eventFilter(QObject* watched, QEvent* event) {
    return OpenKeypadOnDoubleClick(host_, watched, event) || QDialog::eventFilter(watched, event);
}

// --- MaterialsDialog ---------------------------------------------------------------------

MaterialsDialog::MaterialsDialog(Document& document, SheetHost host, QWidget* parent)
    : NamedTableDialog(document, std::move(host), QStringLiteral("材料"), parent) {
    setObjectName(QStringLiteral("materialsDialog"));
    auto* editor = new QWidget(this);
    auto* grid = new QGridLayout(editor);
    grid->setContentsMargins(0, 0, 0, 0);
    const char* const titles[3] = {"ヤング率 E", "横弾性係数 G", "密度"};
    const char* const units[3] = {"kgf/mm²", "kgf/mm²", "kgf/mm³"};
    const char* const names[3] = {"youngModulusEdit", "shearModulusEdit", "densityEdit"};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(titles[i]), editor), i, 0);
        boxes_[i] = new QLineEdit(editor);
        boxes_[i]->setObjectName(QLatin1String(names[i]));
        boxes_[i]->setMinimumWidth(110);
        boxes_[i]->installEventFilter(this);
        grid->addWidget(boxes_[i], i, 1);
        grid->addWidget(new QLabel(QString::fromUtf8(units[i]), editor), i, 2);
        connect(boxes_[i], &QLineEdit::textChanged, this, [this] { ShowFault(); });
    }
    grid->addWidget(new QLabel(QStringLiteral("ポアソン比 ν"), editor), 3, 0);
    poissonLabel_ = new QLabel(editor);
    poissonLabel_->setObjectName(QStringLiteral("poissonLabel"));
    grid->addWidget(poissonLabel_, 3, 1);
    dampingGroup_ = new QGroupBox(QStringLiteral("材料の減衰"), editor);
    dampingGroup_->setObjectName(QStringLiteral("materialDampingGroup"));
    dampingGroup_->setCheckable(true);
    dampingGroup_->setToolTip(
        QStringLiteral("この材料の要素の減衰（なし：「地盤運動・減衰」の全体の減衰）"));
    auto* dampingLayout = new QVBoxLayout(dampingGroup_);
    damping_ = new DampingEditor(dampingGroup_);
    damping_->setObjectName(QStringLiteral("materialDampingEditor"));
    dampingLayout->addWidget(damping_);
    grid->addWidget(dampingGroup_, 4, 0, 1, 3);
    connect(dampingGroup_, &QGroupBox::toggled, this, [this] { ShowFault(); });
    connect(damping_, &DampingEditor::Edited, this, [this] { ShowFault(); });
    faultLabel_ = new QLabel(editor);
    faultLabel_->setObjectName(QStringLiteral("materialFaultLabel"));
    faultLabel_->setWordWrap(true);
    faultLabel_->setStyleSheet(QStringLiteral("color: #c00000"));
    grid->addWidget(faultLabel_, 5, 0, 1, 3);
    BuildControls(editor);
}

std::vector<std::string> MaterialsDialog::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : document_.Model().Materials()) names.push_back(entry.first);
    return names;
}

void MaterialsDialog::ShowEntry(const std::string* name) {
    if (name) {
        shown_ = document_.Model().Materials().at(*name);
    } else {
        const fem::ElementRecord steel = fem::DefaultElement();
        shown_ = {steel.Young, steel.Shear, steel.Density};
    }
    const double values[3] = {shown_.Young, shown_.Shear, shown_.Density};
    for (int i = 0; i < 3; ++i) boxes_[i]->setText(NumberText(values[i]));
    dampingGroup_->setChecked(shown_.Damp.has_value());
    damping_->SetDamping(shown_.Damp.value_or(fem::Damping{}));
}

bool MaterialsDialog::Read(fem::Material& m) const {
    double* const targets[3] = {&m.Young, &m.Shear, &m.Density};
    const double shown[3] = {shown_.Young, shown_.Shear, shown_.Density};
    for (int i = 0; i < 3; ++i) {
        const auto value = BoxValue(boxes_[i]->text(), shown[i]);
        if (!value) return false;
        *targets[i] = *value;
    }
    m.Damp.reset();
    if (dampingGroup_->isChecked()) {
        m.Damp = damping_->CurrentDamping();
        if (!m.Damp) return false;
    }
    return true;
}

QString MaterialsDialog::CheckValues() const {
    fem::Material m;
    if (!Read(m)) return QStringLiteral("入力された数値が不適当です");
    if (m.Damp)
        if (const QString fault = DampingFaultText(*m.Damp); !fault.isEmpty()) return fault;
    return MaterialFaultText(m);
}

void MaterialsDialog::ShowFault() {
    const QString fault = CheckValues();
    faultLabel_->setText(fault);
    faultLabel_->setVisible(!fault.isEmpty());
    fem::Material m;
    poissonLabel_->setText(fault.isEmpty() && Read(m) ? ReadoutText(m.Young / (2.0 * m.Shear) - 1.0)
                                                      : QStringLiteral("－"));
}

void MaterialsDialog::PutEntry(const std::string& name) {
    fem::Material m;
    if (Read(m)) document_.Model().PutMaterial(name, m);
}

void MaterialsDialog::RenameEntry(const std::string& from, const std::string& to) {
    document_.Model().RenameMaterial(from, to);
}

void MaterialsDialog::DeleteEntry(const std::string& name) {
    document_.Model().DeleteMaterial(name);
}

int MaterialsDialog::FirstUser(const std::string& name) const {
    return FirstElementNaming(document_.Model(), name, &fem::ElementRecord::MaterialName);
}

QString MaterialsDialog::RefusingElement(const std::string& name) const {
    fem::Material m;
    if (!Read(m)) return {};
    return FirstRefusal(document_.Model(), name, &fem::ElementRecord::MaterialName,
                        [&m](fem::ElementRecord& e) {
                            e.Young = m.Young;
                            e.Shear = m.Shear;
                            e.Density = m.Density;
                        });
}

// --- SectionsDialog ----------------------------------------------------------------------

SectionsDialog::SectionsDialog(Document& document, SheetHost host, QWidget* parent)
    : NamedTableDialog(document, std::move(host), QStringLiteral("断面"), parent) {
    setObjectName(QStringLiteral("sectionsDialog"));
    editor_ = new SectionEditor(this);
    editor_->setObjectName(QStringLiteral("sectionEditor"));
    editor_->SetPoisson(0.3);
    editor_->SetKeypad(host_.keypad);
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(editor_);
    auto* note = new QLabel(
        QStringLiteral(
            "Ay、Az はポアソン比 0.3 での値です（要素では材料のポアソン比で求めます）。"),
        box);
    note->setWordWrap(true);
    layout->addWidget(note);
    BuildControls(box);
}

std::vector<std::string> SectionsDialog::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : document_.Model().Sections()) names.push_back(entry.first);
    return names;
}

void SectionsDialog::ShowEntry(const std::string* name) {
    editor_->SetSection(name ? document_.Model().Sections().at(*name)
                             : fem::DefaultElement().CrossSection);
}

QString SectionsDialog::CheckValues() const {
    const std::optional<fem::Section> s = editor_->CurrentSection();
    if (!s) return QStringLiteral("入力された数値が不適当です");
    return SectionFaultText(*s);
}

void SectionsDialog::PutEntry(const std::string& name) {
    if (const std::optional<fem::Section> s = editor_->CurrentSection())
        document_.Model().PutSection(name, *s);
}

void SectionsDialog::RenameEntry(const std::string& from, const std::string& to) {
    document_.Model().RenameSection(from, to);
}

void SectionsDialog::DeleteEntry(const std::string& name) {
    document_.Model().DeleteSection(name);
}

int SectionsDialog::FirstUser(const std::string& name) const {
    return FirstElementNaming(document_.Model(), name, &fem::ElementRecord::SectionName);
}

QString SectionsDialog::RefusingElement(const std::string& name) const {
    const std::optional<fem::Section> s = editor_->CurrentSection();
    if (!s) return {};
    return FirstRefusal(document_.Model(), name, &fem::ElementRecord::SectionName,
                        [&s](fem::ElementRecord& e) { e.CrossSection = *s; });
}

}  // namespace shell
