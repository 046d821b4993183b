#pragma once
// The pen dialog of the result graphs: line colour, label text colour, scale,
// line width, sign inversion and "apply the width to all". It edits copies of the
// values only; ForceGraphWindow::EditPen reads them back after the dialog has closed.
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

class PenDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PenDialog(QWidget* parent = nullptr);

    // Colour choice for the two swatches; by default the program's colour dialog.
    void SetColorChooser(ColorChooser chooser);

    // Swatch colours: the line colour is also the back colour of the preview, the
    // text colour its text colour.
    [[nodiscard]] platform::Color LineColor() const { return lineColor_; }
    [[nodiscard]] platform::Color TextColor() const { return textColor_; }
    void SetLineColor(platform::Color c);
    void SetTextColor(platform::Color c);

    bool PenChanged = false;  // true when closed with ＯＫ
    int PenIndex = 0;         // pen being edited, 0..11

    // Controls.
    QLabel* lineColorSwatch;
    QLabel* textColorSwatch;
    QLabel* preview;  // of the scale label
    QLineEdit* scaleEdit;
    QComboBox* widthCombo;        // line width "1", "2", "3"
    QCheckBox* negateCheck;       // 負号反転
    QCheckBox* widthForAllCheck;  // 全て: the width applies to every pen
    QPushButton* okButton;        // ＯＫ
    QPushButton* cancelButton;    // 取消

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
