#include "shell/sectioneditor.h"

#include <cstring>
#include <utility>

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "shell/messages.h"
#include "shell/numbertext.h"

namespace shell {
namespace {

// Every dimension any shape has, with the object name of its box.
const struct {
    const char* key;
    double fem::Section::*value;
    const char* box;
} kKeys[] = {
    {"d", &fem::Section::Diameter, "diameterEdit"},
    {"t", &fem::Section::Thickness, "thicknessEdit"},
    {"b", &fem::Section::Width, "widthEdit"},
    {"h", &fem::Section::Height, "heightEdit"},
    {"tw", &fem::Section::WebThickness, "webThicknessEdit"},
    {"tf", &fem::Section::FlangeThickness, "flangeThicknessEdit"},
    {"A", &fem::Section::Area, "areaEdit"},
    {"Iy", &fem::Section::Iy, "iyEdit"},
    {"Iz", &fem::Section::Iz, "izEdit"},
    {"J", &fem::Section::J, "torsionConstantEdit"},
    {"Ay", &fem::Section::ShearAreaY, "shearAreaYEdit"},
    {"Az", &fem::Section::ShearAreaZ, "shearAreaZEdit"},
};

int KeyIndex(const char* key) {
    for (int k = 0; k < static_cast<int>(std::size(kKeys)); ++k)
        if (std::strcmp(kKeys[k].key, key) == 0) return k;
    return 0;
}

constexpr fem::SectionShape kShapes[] = {fem::SectionShape::Round,     fem::SectionShape::Tube,
                                         fem::SectionShape::Rectangle, fem::SectionShape::Box,
                                         fem::SectionShape::I,         fem::SectionShape::General};

// The properties shown: A, Iy, Iz, J, Ay, Az.
const struct {
    const char* name;
    const char* label;
    const char* unit;
} kProperties[] = {{"A", "propertyA", "mm²"},   {"Iy", "propertyIy", "mm⁴"},
                   {"Iz", "propertyIz", "mm⁴"}, {"J", "propertyJ", "mm⁴"},
                   {"Ay", "propertyAy", "mm²"}, {"Az", "propertyAz", "mm²"}};

// A section of each shape that a new one starts from: a bar of 10, a pipe of 60.5 x 3.2,
// a flat of 50 x 9, a box of 100 x 150 x 6, an H of 200 x 100 x 5.5 x 8.
fem::Section TypicalSection(fem::SectionShape shape) {
    fem::Section s;
    s.Shape = shape;
    s.Diameter = shape == fem::SectionShape::Tube ? 60.5 : 10.0;
    s.Thickness = shape == fem::SectionShape::Tube ? 3.2 : 6.0;
    s.Width = shape == fem::SectionShape::Rectangle ? 50.0 : 100.0;
    s.Height = shape == fem::SectionShape::Rectangle ? 9.0
               : shape == fem::SectionShape::Box     ? 150.0
                                                     : 200.0;
    s.WebThickness = 5.5;
    s.FlangeThickness = 8.0;
    return s;
}

}  // namespace

SectionEditor::SectionEditor(QWidget* parent) : QWidget(parent) {
    static_assert(std::size(kKeys) == kKeyCount);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);

    auto* shapeRow = new QGridLayout();
    auto* shapeLabel = new QLabel(QStringLiteral("形状"), this);
    shapeCombo_ = new QComboBox(this);
    shapeCombo_->setObjectName(QStringLiteral("shapeCombo"));
    for (fem::SectionShape shape : kShapes) shapeCombo_->addItem(ShapeTitle(shape));
    shapeRow->addWidget(shapeLabel, 0, 0);
    shapeRow->addWidget(shapeCombo_, 0, 1);
    shapeRow->setColumnStretch(1, 1);
    top->addLayout(shapeRow);

    boxGrid_ = new QGridLayout();
    for (int k = 0; k < kKeyCount; ++k) {
        keyLabels_[k] = new QLabel(QLatin1String(kKeys[k].key), this);
        boxes_[k] = new QLineEdit(this);
        boxes_[k]->setObjectName(QLatin1String(kKeys[k].box));
        boxes_[k]->setMinimumWidth(90);
        boxes_[k]->installEventFilter(this);
        meaningLabels_[k] = new QLabel(this);
        connect(boxes_[k], &QLineEdit::textEdited, this, [this] {
            ShowProperties();
            emit Edited();
        });
    }
    top->addLayout(boxGrid_);

    auto* properties = new QGridLayout();
    for (int p = 0; p < 6; ++p) {
        propertyNames_[p] = new QLabel(QLatin1String(kProperties[p].name), this);
        propertyValues_[p] = new QLabel(this);
        propertyValues_[p]->setObjectName(QLatin1String(kProperties[p].label));
        propertyValues_[p]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        propertyValues_[p]->setMinimumWidth(110);
        propertyUnits_[p] = new QLabel(QString::fromUtf8(kProperties[p].unit), this);
        // A and J, Iy and Iz, Ay and Az side by side.
        static constexpr int kRow[6] = {0, 1, 1, 0, 2, 2};
        static constexpr int kColumn[6] = {0, 0, 3, 3, 0, 3};
        properties->addWidget(propertyNames_[p], kRow[p], kColumn[p]);
        properties->addWidget(propertyValues_[p], kRow[p], kColumn[p] + 1);
        properties->addWidget(propertyUnits_[p], kRow[p], kColumn[p] + 2);
    }
    properties->setColumnMinimumWidth(2, 40);
    top->addLayout(properties);

    faultLabel_ = new QLabel(this);
    faultLabel_->setObjectName(QStringLiteral("sectionFaultLabel"));
    faultLabel_->setWordWrap(true);
    faultLabel_->setStyleSheet(QStringLiteral("color: #c00000"));
    top->addWidget(faultLabel_);

    connect(shapeCombo_, &QComboBox::activated, this, [this] {
        StartShape();
        ArrangeBoxes();
        ShowProperties();
        emit Edited();
    });
    SetSection(shown_);
}

void SectionEditor::SetSection(const fem::Section& s) {
    shown_ = s;
    shapeCombo_->setCurrentIndex(static_cast<int>(s.Shape));
    for (int k = 0; k < kKeyCount; ++k) boxes_[k]->setText(NumberText(s.*kKeys[k].value));
    ArrangeBoxes();
    ShowProperties();
}

fem::SectionShape SectionEditor::Shape() const {
    return kShapes[std::max(0, shapeCombo_->currentIndex())];
}

std::optional<fem::Section> SectionEditor::CurrentSection() const {
    fem::Section s;
    s.Shape = Shape();
    for (const fem::SectionDimension& d : fem::DimensionsOf(s.Shape)) {
        const int k = KeyIndex(d.Key);
        const auto value = BoxValue(boxes_[k]->text(), shown_.*kKeys[k].value);
        if (!value) return std::nullopt;
        s.*d.Value = *value;
    }
    return s;
}

void SectionEditor::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    shapeCombo_->setEnabled(!readOnly);
    for (QLineEdit* box : boxes_) box->setReadOnly(readOnly);
}

void SectionEditor::SetPoisson(std::optional<double> nu) {
    nu_ = nu;
    ShowProperties();
}

QString SectionEditor::FaultText() const {
    return faultLabel_->text();
}

void SectionEditor::StartShape() {
    // A general section starts from the properties of the section shown so far, so that
    // only what differs need be typed.
    const fem::SectionShape shape = Shape();
    if (shape == fem::SectionShape::General && lastUsable_) {
        const fem::SectionProperties p = fem::PropertiesOf(*lastUsable_);
        const std::pair<const char*, double> start[] = {
            {"A", p.Area}, {"Iy", p.Iy}, {"Iz", p.Iz}, {"J", p.J}};
        for (const auto& [key, value] : start) boxes_[KeyIndex(key)]->setText(NumberText(value));
        return;
    }
    // Dimensions the other shapes had no use for (0 or not numbers) start from a typical
    // section of the shape; those they share (b, h, t) are kept.
    const fem::Section typical = TypicalSection(shape);
    for (const fem::SectionDimension& d : fem::DimensionsOf(shape)) {
        if (d.Optional) continue;
        QLineEdit* box = boxes_[KeyIndex(d.Key)];
        const std::optional<double> value = ParseDouble(box->text());
        if (!value || !(*value > 0.0)) box->setText(NumberText(typical.*d.Value));
    }
}

void SectionEditor::ArrangeBoxes() {
    for (int k = 0; k < kKeyCount; ++k) {
        for (QWidget* w : {static_cast<QWidget*>(keyLabels_[k]), static_cast<QWidget*>(boxes_[k]),
                           static_cast<QWidget*>(meaningLabels_[k])}) {
            boxGrid_->removeWidget(w);
            w->hide();
        }
    }
    const fem::SectionShape shape = Shape();
    int row = 0;
    for (const fem::SectionDimension& d : fem::DimensionsOf(shape)) {
        const int k = KeyIndex(d.Key);
        meaningLabels_[k]->setText(DimensionMeaning(shape, d.Key));
        boxGrid_->addWidget(keyLabels_[k], row, 0);
        boxGrid_->addWidget(boxes_[k], row, 1);
        boxGrid_->addWidget(meaningLabels_[k], row, 2);
        for (QWidget* w : {static_cast<QWidget*>(keyLabels_[k]), static_cast<QWidget*>(boxes_[k]),
                           static_cast<QWidget*>(meaningLabels_[k])})
            w->show();
        ++row;
    }
    boxGrid_->setColumnStretch(2, 1);
}

void SectionEditor::ShowProperties() {
    const std::optional<fem::Section> s = CurrentSection();
    QString fault;
    if (!s)
        fault = QStringLiteral("寸法に数値でない値があります。");
    else
        fault = SectionFaultText(*s);
    if (fault.isEmpty()) lastUsable_ = s;
    faultLabel_->setText(fault);
    faultLabel_->setVisible(!fault.isEmpty());
    // Ay and Az of a general section are its own (0: none); the others derive them.
    const bool shear = nu_.has_value() || (s && s->Shape == fem::SectionShape::General);
    for (int p = 4; p < 6; ++p)
        for (QLabel* l : {propertyNames_[p], propertyValues_[p], propertyUnits_[p]})
            l->setVisible(shear);
    if (!fault.isEmpty()) {
        for (QLabel* v : propertyValues_) v->setText(QStringLiteral("－"));
        return;
    }
    const fem::SectionProperties p = fem::PropertiesOf(*s);
    const fem::ShearAreas areas = fem::ShearAreasOf(*s, nu_.value_or(0.0));
    const double values[6] = {p.Area, p.Iy, p.Iz, p.J, areas.Ay, areas.Az};
    for (int k = 0; k < 6; ++k) propertyValues_[k]->setText(ReadoutText(values[k]));
}

bool SectionEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && keypad_ && !readOnly_) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            keypad_(box);
            ShowProperties();
            emit Edited();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace shell
