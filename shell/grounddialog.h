#pragma once
// GroundDampingDialog: "地盤運動・減衰", the model-wide settings of the impact analysis
// beyond the loads: the motion of the ground (its direction, the load history it follows
// and whether that history is its acceleration or its displacement) and the damping of
// every element whose material has none of its own. "変更" carries both out together or,
// when the model refuses either, neither, with the reason.
#include <array>

#include <QDialog>
#include <QString>

#include "shell/sheethost.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {

class DampingEditor;
class Document;

class GroundDampingDialog : public QDialog {
    Q_OBJECT
  public:
    GroundDampingDialog(Document& document, SheetHost host, QWidget* parent = nullptr);
    // Opens modally on the model's settings and returns when it is closed; true when they
    // were changed.
    bool Edit();
    [[nodiscard]] DampingEditor* Damping() const { return damping_; }

  private:
    void Fill();
    // Carries out the settings; false (after a message) when they were refused.
    bool Apply();
    void ShowFault();
    // What is wrong with the boxes, in Japanese ("" when nothing).
    [[nodiscard]] QString Fault() const;

    Document& document_;
    SheetHost host_;
    QGroupBox* groundGroup_ = nullptr;
    std::array<QLineEdit*, 3> directionEdits_{};
    QComboBox* historyCombo_ = nullptr;
    QComboBox* quantityCombo_ = nullptr;
    QGroupBox* dampingGroup_ = nullptr;
    DampingEditor* damping_ = nullptr;
    QLabel* faultLabel_ = nullptr;
    QPushButton* confirmButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    std::array<double, 3> shownDirection_{};
    bool changed_ = false;
};

}  // namespace shell
