#pragma once
// The view window "解析対象": the picture Pic1 with the structure in a rotatable,
// movable perspective view, and below it the frame Frame1 with the sliders and
// buttons that turn, shift and put the drawing into perspective. A plain QWidget:
// it works as a top-level window and as the widget of an MDI sub-window. The view
// itself (matrix, display list, slider logic) is the Qt-free View3D, Core().
#include <array>
#include <functional>

#include <QWidget>

#include "platform/surface.h"
#include "view3d/view3d.h"

class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace platform {
class PictureBox;
}

namespace view3d {

class Graphic3D : public QWidget {
    Q_OBJECT
  public:
    explicit Graphic3D(QWidget* parent = nullptr);
    ~Graphic3D() override;

    // The view: every drawing call, TransForm, SetScreen, TransMatDefault, ...
    [[nodiscard]] View3D& Core() { return view_; }

    // Lays the picture and the frame out: "b" both sizes follow the window, "w" only
    // the width (the window's height goes back to the previous one), "h" only the height.
    // Then re-fits the picture to the last extent and draws the axes.
    void LayoutWindow(char mode);

    // Asks for the picture's background colour on a right click; returns the colour or
    // -1 when cancelled. When unset, the file service's ChooseColor asks.
    std::function<platform::Color()> ColorRequest;

    // Window size rules, twips.
    static constexpr int kMinWidth = 4000;
    static constexpr int kMinHeight = 5000;
    static constexpr int kSideMargin = 150;    // window width - picture width
    static constexpr int kBottomMargin = 480;  // window height - picture - frame
    static constexpr int kLoadWidth = 10000;
    static constexpr int kLoadHeight = 9500;

    // Controls, named as in the window's design (index = axis x, y, z).
    platform::PictureBox* Pic1 = nullptr;
    QFrame* Frame1 = nullptr;
    std::array<QRadioButton*, 2> Option1{};
    std::array<QSlider*, 3> ScrollAngl{};
    std::array<QLabel*, 3> RotAngle{};
    std::array<QSlider*, 3> ScrollSlide{};
    std::array<QLabel*, 3> SlideValue{};
    QSlider* ScrollDisp = nullptr;
    QLabel* DispValue = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* ButonRedraw = nullptr;

    [[nodiscard]] QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void SyncControls();
    void Option1Click();
    void Pic1MouseUp(Qt::MouseButton button);
    void SetOwnHeight(int pixels);

    View3D view_;
    int prevWidth_ = kMinWidth;  // twips
    int prevHeight_ = kMinHeight;
};

}  // namespace view3d
