#pragma once
// ElemSheetForm: the modal sheet in which one element is added, changed or deleted:
// its two end nodes, diameter and material.
#include <array>

#include <QDialog>
#include <QString>

#include "model/model.h"
#include "shell/sheethost.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace shell {

class ElemSheetForm : public QDialog {
    Q_OBJECT
  public:
    explicit ElemSheetForm(SheetHost host, QWidget* parent = nullptr);

    // Opens the sheet modally on element `number` (-1: a new element) and carries out
    // the user's choice on fem::FEM() before returning. Returns how the sheet was
    // closed: 1 add or change, 2 delete, -1 cancel.
    int SetElement(int number);

    [[nodiscard]] int SheetResult() const { return sheetResult_; }
    [[nodiscard]] const fem::ElementRecord& SheetRecord() const { return sheetRecord_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void FillSheet();
    // Reads the controls into SheetRecord; returns an error message or "".
    QString ReadSheet();

    SheetHost host_;
    fem::ElementRecord sheetRecord_;
    int number_ = -1;
    int sheetResult_ = -1;

    std::array<QComboBox*, 2> nod_{};
    std::array<QLineEdit*, 4> v_{};
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QPushButton* command3_ = nullptr;
};

}  // namespace shell
