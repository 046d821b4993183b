#pragma once
// The view window "解析対象": a picture with the structure in a rotatable, movable
// perspective view, and below it a panel with the sliders and buttons that turn,
// shift and put the drawing into perspective. A plain QWidget:
// it works as a top-level window and as the widget of an MDI sub-window. The view
// itself (matrix, display list, slider logic) is the Qt-free SceneView, Scene().
#include <array>
#include <functional>

#include <QWidget>

#include "platform/surface.h"
#include "view3d/sceneview.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace platform {
class PictureBox;
}

namespace view3d {

class ViewWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ViewWindow(QWidget* parent = nullptr);
    ~ViewWindow() override;

    // The view: every drawing call, Project, FitPicture, SetDefaultView, ...
    [[nodiscard]] SceneView& Scene() { return scene_; }

    // Lays the picture and the slider panel out: "b" both sizes follow the window, "w" only
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
    static constexpr int kBottomMargin = 480;  // window height - picture - slider panel
    static constexpr int kLoadWidth = 10000;
    static constexpr int kLoadHeight = 9500;

    // Controls (index = axis x, y, z). The mode buttons choose object or space axes;
    // the labels show the slider values and put their slider back to 0 when clicked.
    platform::PictureBox* viewPicture = nullptr;
    QFrame* sliderPanel = nullptr;
    QRadioButton* objectModeButton = nullptr;
    QRadioButton* spaceModeButton = nullptr;
    std::array<QSlider*, 3> angleSliders{};
    std::array<QLabel*, 3> angleLabels{};
    std::array<QSlider*, 3> shiftSliders{};
    std::array<QLabel*, 3> shiftLabels{};
    QSlider* depthSlider = nullptr;
    QLabel* depthLabel = nullptr;
    QPushButton* clearSettingsButton = nullptr;
    QPushButton* redrawButton = nullptr;
    QPushButton* fitButton = nullptr;   // "全体表示": the whole structure in the picture
    QCheckBox* numbersCheck = nullptr;  // "番号表示": node and element numbers

    // Mouse on the picture: a drag with the left button turns the view (x and y angle
    // sliders, half a degree a pixel), the wheel zooms about the pointer.
    static constexpr double kDegreesPerPixel = 0.5;
    static constexpr double kZoomPerNotch = 1.25;

    [[nodiscard]] QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void SyncControls();
    void ModeChosen();
    void PictureMouseUp(Qt::MouseButton button);
    void SetOwnHeight(int pixels);
    bool PictureEvent(QEvent* event);

    // The drag in progress: where it started and the angle sliders then.
    bool loaded_ = false;  // the window has been set up (its first layout is done)
    bool dragging_ = false;
    QPointF dragStart_;
    std::array<int, 2> dragAngles_{};

    SceneView scene_;
    int prevWidth_ = kMinWidth;  // twips
    int prevHeight_ = kMinHeight;
};

}  // namespace view3d
