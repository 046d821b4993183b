#pragma once
// The pen dialog of the result graphs: line colour, label text colour, scale,
// line width, sign inversion and "apply the width to all". It edits copies of the
// values only; ReSult::GetPen reads them back after the dialog has closed.
#include <functional>

#include <QDialog>

#include "platform/surface.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace results {

// Returns the chosen colour, or -1 when the choice was cancelled.
using ColorChooser = std::function<platform::Color(QWidget* parent)>;
// The program's colour service (FileService::ChooseColor).
ColorChooser DefaultColorChooser();

class SetDrawPen : public QDialog {
    Q_OBJECT
  public:
    explicit SetDrawPen(QWidget* parent = nullptr);

    // Colour choice for the two swatches; by default the program's colour dialog.
    void SetColorChooser(ColorChooser chooser);

    // Swatch colours: Label1 (line colour) also colours the back of the preview
    // Label3, Label2 (text colour) its text.
    [[nodiscard]] platform::Color LineColor() const { return lineColor_; }
    [[nodiscard]] platform::Color TextColor() const { return textColor_; }
    void SetLineColor(platform::Color c);
    void SetTextColor(platform::Color c);

    bool PenChanged = false;  // true when closed with ＯＫ
    int PenIndex = 0;         // pen being edited, 0..11

    // Controls.
    QLabel* Label1;         // line colour swatch
    QLabel* Label2;         // text colour swatch
    QLabel* Label3;         // preview of the scale label
    QLineEdit* Text1;       // scale value
    QComboBox* Combo1;      // line width "1", "2", "3"
    QCheckBox* Check1;      // 負号反転
    QCheckBox* Check2;      // 全て
    QPushButton* Command1;  // ＯＫ
    QPushButton* Command2;  // 取消

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SignClicked();

    platform::Color lineColor_ = 0;
    platform::Color textColor_ = 0;
    ColorChooser chooser_;
};

// Shows the swatch colour c as the back colour of label (and keeps its text colour).
void SetLabelColors(QLabel* label, platform::Color back, platform::Color text);

}  // namespace results
