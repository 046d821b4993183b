#pragma once
// ElementSheet: the modal sheet in which one element is added, changed or deleted:
// its two end nodes, diameter and material, and whether it bends as a Timoshenko member.
#include <array>

#include <QDialog>
#include <QString>

#include "model/model.h"
#include "shell/sheethost.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace shell {

class Document;

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

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void FillSheet();
    // Reads the controls into SheetRecord; returns an error message or "".
    QString ReadSheet();

    Document& document_;
    SheetHost host_;
    fem::ElementRecord sheetRecord_;
    int number_ = -1;
    int sheetResult_ = -1;

    std::array<QComboBox*, 2> endNodeCombos_{};
    std::array<QLineEdit*, 4> valueEdits_{};  // diameter, Young's and shear moduli, density
    QCheckBox* timoshenkoCheck_ = nullptr;
    QPushButton* confirmButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace shell
