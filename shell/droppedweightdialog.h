#pragma once
// DroppedWeightDialog: the modal dialog in which the weight dropped on a node is set,
// changed or removed: the node it strikes, its weight, its velocity at the strike and
// whether its own weight then loads the node.
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

class DroppedWeightDialog : public QDialog {
    Q_OBJECT
  public:
    DroppedWeightDialog(Document& document, SheetHost host, QWidget* parent = nullptr);

    // Opens the dialog modally on the model's dropped weight (or a new one) and carries
    // out the user's choice on the model before returning: 1 set, 2 removed, -1 cancel.
    int Edit();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    // Reads the controls into `weight`; returns an error message or "".
    QString ReadDialog(fem::DroppedWeight& weight) const;

    Document& document_;
    SheetHost host_;
    fem::DroppedWeight shown_;  // the values the boxes were filled with
    int result_ = -1;

    QComboBox* nodeCombo_ = nullptr;
    QLineEdit* weightEdit_ = nullptr;
    std::array<QLineEdit*, 3> velocityEdits_{};
    QCheckBox* gravityCheck_ = nullptr;
    QPushButton* confirmButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace shell
