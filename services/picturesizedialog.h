#pragma once
// The size of a picture to save, in pixels: width and height, each 1 .. 10000.
#include <QDialog>
#include <QSize>

class QPushButton;
class QSpinBox;

namespace services {

class PictureSizeDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PictureSizeDialog(QWidget* parent = nullptr);

    // Shows the dialog modally starting from size; true and the chosen size on ＯＫ,
    // false (size unchanged) on 取消.
    bool Ask(QSize& size);

    QSpinBox* widthSpin;
    QSpinBox* heightSpin;
    QPushButton* okButton;      // ＯＫ
    QPushButton* cancelButton;  // 取消
};

}  // namespace services
