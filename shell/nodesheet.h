#pragma once
// NodeSheet: the modal sheet in which one node is added, changed or deleted,
// all nodes are moved by a common offset, or all nodes get the same constraints. A group
// of its own holds the node's springs to the ground and its lumped weight and inertias.
#include <array>

#include <QDialog>
#include <QString>

#include "model/model.h"
#include "shell/sheethost.h"

namespace numeric {
class ComputationFailure;
}

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {

class Document;

class NodeSheet : public QDialog {
    Q_OBJECT
  public:
    NodeSheet(Document& document, SheetHost host, QWidget* parent = nullptr);

    // Opens the sheet modally on node `number` (-1: a new node) and carries out the
    // user's choice on the document's model before returning. Returns how the sheet was
    // closed: 1 add or change, 2 delete, -1 cancel.
    int Edit(int number);

    [[nodiscard]] int SheetResult() const { return sheetResult_; }
    [[nodiscard]] const fem::NodeRecord& SheetRecord() const { return sheetRecord_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    QGroupBox* BuildSpringMassGroup();
    void ConstraintChosen(int j);
    void FillSheet();
    // The history lists offer the model's histories, each keeping its choice (or
    // choosing `chosen` of the record) where it still exists.
    void FillHistoryLists(const std::array<std::string, 6>& chosen);
    void EditHistories();
    // Reads the controls into SheetRecord; returns an error message or "".
    QString ReadSheet();
    // Carries out a confirmed add or change; false when the model refused it.
    bool ApplyChange();
    // Why the model refused the change, in words.
    [[nodiscard]] QString RefusalReason(const numeric::ComputationFailure& failure) const;

    Document& document_;
    SheetHost host_;
    fem::NodeRecord sheetRecord_;
    int number_ = -1;
    int sheetResult_ = -1;

    QGroupBox* coordinatesGroup_ = nullptr;
    QGroupBox* constraintsGroup_ = nullptr;
    QGroupBox* springMassGroup_ = nullptr;
    std::array<QLineEdit*, 6> springEdits_{};   // kx, ky, kz, krx, kry, krz
    QLineEdit* massWeightEdit_ = nullptr;       // kgf
    std::array<QLineEdit*, 3> inertiaEdits_{};  // Jx, Jy, Jz
    std::array<QLineEdit*, 3> coordinateEdits_{};
    QCheckBox* translateAllCheck_ = nullptr;
    QCheckBox* applyToAllCheck_ = nullptr;
    std::array<QComboBox*, 6> constraintCombos_{};
    std::array<QLineEdit*, 6> stepLoadEdits_{};  // size of a step load, shown for "pf"
    QLabel* stepLoadNote_ = nullptr;             // the load function, shown for "pf"
    // The load history of a "pf" load: "" (the step of the run) or a named history.
    std::array<QComboBox*, 6> historyCombos_{};
    QPushButton* historiesButton_ = nullptr;
    QPushButton* confirmButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace shell
