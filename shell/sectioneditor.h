#pragma once
// SectionEditor: the shape and the dimensions of one cross-section in boxes labelled with
// their keys in the data file (d, t, b, h, tw, tf, A, Iy, Iz, J, Ay, Az), only those of
// the chosen shape shown, and below them the section's properties A, Iy, Iz, J, Ay, Az
// or, while the dimensions are impossible, the reason. Both follow every keystroke.
// The element sheet and the section dialog hold one each.
#include <array>
#include <functional>
#include <optional>

#include <QWidget>

#include "model/section.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;

namespace shell {

class SectionEditor : public QWidget {
    Q_OBJECT
  public:
    explicit SectionEditor(QWidget* parent = nullptr);

    // Shows s. While a box is not edited its value is s's to the last digit.
    void SetSection(const fem::Section& s);
    // The section the controls hold, its shape's dimensions read from the boxes (the
    // others 0); nothing when one of them is not a number.
    [[nodiscard]] std::optional<fem::Section> CurrentSection() const;
    [[nodiscard]] fem::SectionShape Shape() const;
    // Only shows the section (a named one in the element sheet): no box can be edited.
    void SetReadOnly(bool readOnly);
    // Poisson's ratio for the shear areas Ay and Az of the shapes that derive them
    // (Cowper's coefficients depend on it); nothing: they are not shown.
    void SetPoisson(std::optional<double> nu);
    // The reason shown below the boxes, "" while the section can be used.
    [[nodiscard]] QString FaultText() const;
    // A double click on a box calls keypad with it (the on-screen keypad).
    void SetKeypad(std::function<void(QLineEdit*)> keypad) { keypad_ = std::move(keypad); }

  signals:
    // The user chose another shape or edited a box.
    void Edited();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // After the user chose another shape: boxes of the new shape that hold no usable
    // value get a start value.
    void StartShape();
    // The dimension boxes of the shape in the order of the data file.
    void ArrangeBoxes();
    // The properties or the fault of the section as the controls hold it.
    void ShowProperties();

    QComboBox* shapeCombo_ = nullptr;
    QGridLayout* boxGrid_ = nullptr;
    // One row per key of kKeys (sectioneditor.cpp): key, box, meaning.
    static constexpr int kKeyCount = 12;
    std::array<QLabel*, kKeyCount> keyLabels_{};
    std::array<QLineEdit*, kKeyCount> boxes_{};
    std::array<QLabel*, kKeyCount> meaningLabels_{};
    // A, Iy, Iz, J, Ay, Az: their names and values.
    std::array<QLabel*, 6> propertyNames_{};
    std::array<QLabel*, 6> propertyValues_{};
    std::array<QLabel*, 6> propertyUnits_{};
    QLabel* faultLabel_ = nullptr;
    fem::Section shown_;                      // the section the boxes were filled with
    std::optional<fem::Section> lastUsable_;  // the last section shown without a fault
    std::optional<double> nu_;
    bool readOnly_ = false;
    std::function<void(QLineEdit*)> keypad_;
};

}  // namespace shell
