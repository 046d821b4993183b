#pragma once
// ElementSheet: the modal sheet in which one element is added, changed or deleted: its
// two end nodes, and in groups of their own its material, its section (each by name from
// the model's tables, or the element's own values) and its orientation about its axis.
//
// The values of a named material or section are shown, not edited, here: they belong to
// every element that names it. "材料..." and "断面..." open the dialogs that change them;
// choosing "（個別）" gives this element its own values, starting from those shown.
// A check box makes the member bend as a Timoshenko beam, and a grid of check boxes
// releases end forces (hinges) at either end.
#include <array>
#include <optional>
#include <string>

#include <QDialog>
#include <QString>

#include "model/model.h"
#include "shell/sheethost.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace shell {

class Document;
class SectionEditor;

class ElementSheet : public QDialog {
    Q_OBJECT
  public:
    ElementSheet(Document& document, SheetHost host, QWidget* parent = nullptr);

    // Opens the sheet modally on element `number` (-1: a new element) and carries out
    // the user's choice on the document's model before returning. Returns how the sheet was
    // closed: 1 add or change, 2 delete, -1 cancel.
    int Edit(int number);

    [[nodiscard]] int SheetResult() const { return sheetResult_; }
    [[nodiscard]] const fem::ElementRecord& SheetRecord() const { return sheetRecord_; }
    // The entry of the material and section lists that stands for the element's own values.
    static QString OwnValuesEntry();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    QGroupBox* BuildMaterialGroup();
    QGroupBox* BuildSectionGroup();
    QGroupBox* BuildOrientationGroup();
    QGroupBox* BuildReleaseGroup();
    void FillSheet();
    // The lists of the model's names, `material` and `section` chosen ("" own values).
    void FillNameLists(const std::string& material, const std::string& section);
    // The chosen name of a list, "" for the own values.
    [[nodiscard]] static std::string ChosenName(const QComboBox* list);
    // A named material or section shows the table's values read-only; own values are
    // edited, starting from what is shown.
    void MaterialChosen();
    void SectionChosen();
    void ShowMaterial(const fem::Material& m);
    // Poisson's ratio of the material boxes for the shear areas, and the orientation
    // only for sections that have one.
    void MaterialEdited();
    void SectionShapeChanged();
    // The material and section dialogs, and the sheet following what they changed.
    void OpenMaterials();
    void OpenSections();
    // Reads the controls into SheetRecord; returns an error message or "".
    QString ReadSheet();
    // Why the model refused r, in words.
    QString RefusalText(const fem::ElementRecord& r, const std::exception& failure) const;

    Document& document_;
    SheetHost host_;
    fem::ElementRecord sheetRecord_;
    int number_ = -1;
    int sheetResult_ = -1;

    std::array<QComboBox*, 2> endNodeCombos_{};
    // Material: the list of names, its dialog, E, G, density.
    QGroupBox* materialGroup_ = nullptr;
    QComboBox* materialCombo_ = nullptr;
    QPushButton* materialsButton_ = nullptr;
    std::array<QLineEdit*, 3> materialEdits_{};
    fem::Material shownMaterial_;  // the values the material boxes were filled with
    // Section: the list of names, its dialog, the shape, dimensions and properties.
    QGroupBox* sectionGroup_ = nullptr;
    QComboBox* sectionCombo_ = nullptr;
    QPushButton* sectionsButton_ = nullptr;
    SectionEditor* sectionEditor_ = nullptr;
    QCheckBox* timoshenkoCheck_ = nullptr;
    // Released end forces: releaseChecks_[6 * end + k] as ElementRecord::Released.
    std::array<QCheckBox*, 12> releaseChecks_{};
    // Orientation: a roll in degrees or a direction for local z.
    QGroupBox* orientationGroup_ = nullptr;
    QRadioButton* rollRadio_ = nullptr;
    QRadioButton* zTowardsRadio_ = nullptr;
    QLineEdit* rollEdit_ = nullptr;
    std::array<QLineEdit*, 3> zTowardsEdits_{};
    QLabel* orientationNote_ = nullptr;
    fem::Vec3 shownTowards_{};

    QPushButton* confirmButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace shell
