#pragma once
// DampingEditor: the boxes of one damping, given either as Rayleigh's alpha and beta or as
// a damping ratio at two frequencies, with the alpha and beta the ratio comes to shown
// beside it (fem::RayleighOf). Used for a material's damping and the model's.
#include <optional>

#include <QString>
#include <QWidget>

#include "model/damping.h"

class QLabel;
class QLineEdit;
class QRadioButton;

namespace shell {

class DampingEditor : public QWidget {
    Q_OBJECT
  public:
    explicit DampingEditor(QWidget* parent = nullptr);
    void SetDamping(const fem::Damping& damping);
    // The damping the boxes describe, or nothing when a box is not a number.
    [[nodiscard]] std::optional<fem::Damping> CurrentDamping() const;
    // Why the damping cannot be used, in Japanese ("" when it can).
    [[nodiscard]] QString Fault() const;

  signals:
    void Edited();

  private:
    void Refresh();

    QRadioButton* rayleighButton_ = nullptr;
    QRadioButton* ratioButton_ = nullptr;
    QLineEdit* alphaEdit_ = nullptr;
    QLineEdit* betaEdit_ = nullptr;
    QLineEdit* ratioEdit_ = nullptr;
    QLineEdit* f1Edit_ = nullptr;
    QLineEdit* f2Edit_ = nullptr;
    QLabel* convertedLabel_ = nullptr;  // alpha and beta of a ratio
    fem::Damping shown_;
};

// Why the damping cannot be used, in Japanese ("" when it can).
[[nodiscard]] QString DampingFaultText(const fem::Damping& damping);

}  // namespace shell
