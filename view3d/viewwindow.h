#pragma once
// The view window "解析対象": a picture with the structure in a rotatable, movable
// perspective view, and below it a panel with the sliders and buttons that turn,
// shift and put the drawing into perspective. A plain QWidget:
// it works as a top-level window and as the widget of an MDI sub-window. The view
// itself (matrix, display list, slider logic) is the Qt-free SceneView, Scene().
//
// After an analysis the window animates the impact response: the play control, the time
// slider (t and j shown) and the box of the animation's own magnification draw the
// structure deformed at t_j from the nodes' displacement histories, inverted on first
// use on a thread of the window's own and kept until the structure or the results change. Other
// frames (a mode shape) can be handed in with SetFrames. "画像保存" and "印刷" replay the drawing
// onto a file or a printer page.
#include <array>
#include <exception>
#include <functional>
#include <memory>

#include <QSize>
#include <QWidget>

#include "platform/pictureexport.h"
#include "platform/surface.h"
#include "view3d/animation.h"
#include "view3d/sceneview.h"

class QCheckBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;

namespace fem {
class Model;
class ImpactSolution;
}  // namespace fem
namespace platform {
class PictureBox;
}
namespace services {
class PictureSizeDialog;
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

    // --- animation ---------------------------------------------------------------
    // The structure animated (none until set). It must outlive the window or be unset.
    void SetModel(const fem::Model* model);
    // Where the impact response comes from: the window asks whenever it needs it (the
    // last analysis of the structure, or null). A solution of another revision of the
    // structure, or one that is not complete, is not animated.
    std::function<std::shared_ptr<const fem::ImpactSolution>()> ImpactResponse;
    // Frames to animate instead of the impact response of the last analysis, e.g. a mode
    // shape (ModeShapeFrames); null goes back to the impact response. They are let go
    // of when the structure changes. A magnification above 0 is used for them as if it
    // had been typed; otherwise the automatic one.
    void SetFrames(std::shared_ptr<const FrameSource> frames, double magnification = 0.0);
    // While an analysis runs there is nothing to animate: the animation stops and lets
    // go of its frames, and its controls are disabled.
    void SetAnalysisRunning(bool running);
    // "再生" / "停止".
    void Play();
    void Pause();
    [[nodiscard]] bool Playing() const;
    // Draws frame j (clamped) over the structure; false when there is nothing to animate.
    bool ShowFrame(int j);
    // One tick of the play control: the next frames, or a stop when the structure changed.
    void NextFrame();
    // The impact response's histories are being inverted on a thread of the window's
    // own (the time label shows how far): Play and the slider take effect when they are.
    [[nodiscard]] bool InvertingHistories() const { return inversion_ != nullptr; }
    [[nodiscard]] const Animation& Animator() const { return animation_; }
    // Milliseconds between two ticks of the play control.
    static constexpr int kFrameInterval = 40;

    QPushButton* playButton = nullptr;              // "再生" / "停止"
    QSlider* timeSlider = nullptr;                  // the frame j
    QLabel* timeLabel = nullptr;                    // "t = ... s   j = ..."
    QLineEdit* dynamicMagnificationEdit = nullptr;  // "動的変位の倍率"

    // --- pictures ----------------------------------------------------------------
    // "画像保存": asks for a file (PNG, SVG or PDF) and a size (the picture's by default).
    void SavePicture();
    // Writes the drawing as it is now, at size pixels, to path (format by extension),
    // with the coordinate axes unless axes is false.
    [[nodiscard]] platform::ExportResult SavePicture(const QString& path, QSize size,
                                                     bool axes = true);
    // "印刷": on the program's printer, or into a PDF file when none is installed.
    void Print();
    bool PrintTo(QPrinter& printer);
    services::PictureSizeDialog* pictureSizeDialog();
    QPushButton* savePictureButton = nullptr;  // "画像保存"
    QPushButton* printButton = nullptr;        // "印刷"

    [[nodiscard]] QSize sizeHint() const override;
    // As narrow as the slider panel's controls fit side by side; the smallest picture
    // height.
    [[nodiscard]] QSize minimumSizeHint() const override;

  signals:
    // The inversion of the impact response's histories has ended: the frames are shown,
    // or were let go of (the structure changed, a failure, an analysis started).
    void InversionEnded();

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
    // The animation part of the controls, and their enabled states.
    void BuildAnimationControls(QWidget* parent, QGridLayout* grid);
    void UpdateAnimationControls();
    // Frames of the present structure, made on first use; false when there are none.
    // When the impact response's histories must first be inverted, starts that on the
    // inversion's thread and returns false too.
    bool EnsureFrames();
    // The impact response that belongs to the structure, or null.
    [[nodiscard]] std::shared_ptr<const fem::ImpactSolution> CurrentResponse() const;
    void StartInversion(std::shared_ptr<const fem::ImpactSolution> solution);
    // Reports of the inversion's thread, on the window's thread; run tells which one.
    void InversionProgressed(unsigned run, int percentDone);
    void InversionFinished(unsigned run);
    // Stops the inversion's thread, waits for it and lets go of its frames.
    void StopInversion();
    void StartFrames(std::shared_ptr<const FrameSource> frames);
    void ShowInversionProgress();
    void ShowInversionFailure(const std::exception& e);
    void DrawFrame();
    void ShowTime();
    void MagnificationEntered();
    // The drawing was started anew (the structure drawn again).
    void SceneCleared();

    // The drag in progress: where it started and the angle sliders then.
    bool loaded_ = false;  // the window has been set up (its first layout is done)
    bool dragging_ = false;
    QPointF dragStart_;
    std::array<int, 2> dragAngles_{};

    SceneView scene_;
    Animation animation_;
    const fem::Model* model_ = nullptr;
    std::shared_ptr<const FrameSource> givenFrames_;  // SetFrames
    bool analysisRunning_ = false;
    bool frameShown_ = false;  // a frame is drawn over the structure
    QTimer* playTimer_ = nullptr;
    // The impact response's histories being inverted, and what to do when they are.
    struct Inversion;
    std::unique_ptr<Inversion> inversion_;
    unsigned inversionRun_ = 0;  // counts the inversions, so that a late report is ignored
    bool playWanted_ = false;
    bool magnificationTyped_ = false;  // typed in before there were frames
    int wantedFrame_ = -1;
    services::PictureSizeDialog* sizeDialog_ = nullptr;
    int prevWidth_ = kMinWidth;  // twips
    int prevHeight_ = kMinHeight;
};

}  // namespace view3d
