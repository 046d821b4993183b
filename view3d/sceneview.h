#pragma once
// The three-dimensional view without its window: the view matrix that maps model
// points (mm) to the user coordinates of the view's picture, the display list of
// drawing items in model coordinates, and the logic behind the view window's
// sliders and buttons. Plain C++; ViewWindow (viewwindow.h) puts Qt controls on it.
//
// Matrices are 4x4, M[row][column]; a model point is the row vector [x, y, z, 1]
// multiplied from the left (p' = p * M), so in a product A * B the transformation
// A acts first.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace view3d {

using Vec3 = std::array<double, 3>;                  // model point or vector
using Mat3 = std::array<std::array<double, 3>, 3>;   // used as out = R * v (column v)
using Mat44 = std::array<std::array<double, 4>, 4>;  // view matrices
using platform::Color;

Mat44 Identity44();
// C <- a * B. C must be distinct from a and B.
void Multiply4x4(Mat44& C, const Mat44& a, const Mat44& B);
// Rotation about x, y or z by angle (rad), as used by the view.
Mat44 RotationMatrix(int axis, double angle);

// One entry of the display list.
enum class ItemKind {
    Line,    // line between point 1 and point 2
    LineTo,  // line from the surface's current position to point 1
    Circle,  // circle about point 1, radius in picture units
    Text,    // text at point 1
    Dot,     // dot at point 1
    Shape,   // dot at the anchor, then a polyline through the shape points
};

struct DrawItem {
    ItemKind Kind = ItemKind::Line;
    Vec3 Point1{};
    Vec3 Point2{};
    int DrawWidth = 1;
    int FillStyle = 1;
    Color ForeColor = 0;
    Color FillColor = 0;
    double Radius = 0.0;
    // When above 0 the circle's radius is this fraction of the scale width of the
    // picture it is drawn on, so that it keeps its size on the screen in any picture.
    double RadiusOfWidth = 0.0;
    std::string Text;
    int PointCount = 0;
    Vec3 Anchor{};
    std::vector<Vec3> ShapePoints;
    bool Closed = false;  // shape returns to the anchor after its last point
    int TextSize = 0;
    // A node or element number: hidden with the numbers, skipped where it would cover
    // another number.
    bool Number = false;
};

// A support or arrow mark in multiples of its size, anchored at the origin.
struct MarkShape {
    int PointCount = 0;
    std::vector<Vec3> Points;
    bool Closed = false;
};

// Slider ranges of the view window.
inline constexpr int kAngleMin = -120, kAngleMax = 120;  // degrees
inline constexpr int kShiftMin = -100, kShiftMax = 100;
inline constexpr int kDepthMin = -100, kDepthMax = 0;

// The default view puts the eye this many structure radii in front of the structure's
// centre, far enough for a gentle perspective without distortion.
inline constexpr double kEyeDistanceInRadii = 12.0;
// Once the view knows the structure, a shift step is 2 / 100 of this many structure
// radii: about the width of a picture fitted to the structure.
inline constexpr double kViewWidthInRadii = 4.0;
// Node and element numbers are shown on request only when there are more of them.
inline constexpr int kMaxNumbersShown = 300;

class SceneView {
  public:
    SceneView();

    // --- the picture -------------------------------------------------------
    // The surface every item is drawn on. Must be set before drawing.
    void SetPicture(platform::Surface* pic) { picture_ = pic; }
    [[nodiscard]] platform::Surface& Picture() const;
    // Outer size of the picture in the window's units (only the ratio matters).
    void SetPictureSize(double width, double height);

    // --- the structure in view --------------------------------------------------
    // The points of the structure (its node positions). Turns act about the centre of
    // their bounding box, and the picture is fitted to them. The first structure
    // a view gets also sets its units (see SetDefaultView).
    void SetStructure(std::vector<Vec3> points);
    [[nodiscard]] const Vec3& Centre() const { return centre_; }
    // Half the diagonal of the structure's bounding box; 0 without a structure.
    [[nodiscard]] double StructureRadius() const { return radius_; }
    // Extent of the projected structure points; false when none can be projected.
    bool ProjectedExtent(double& xmin, double& xmax, double& ymin, double& ymax) const;
    // "全体表示": fits the picture to the projected structure and redraws.
    void FitStructure();
    // Scales the picture by factor (below 1 enlarges the drawing) about the picture
    // point (x, y), which stays where it is on the screen, and redraws.
    void Zoom(double factor, double x, double y);

    // --- view transformation -------------------------------------------------
    // projected <- view position of the model point (projected[2] is 0). Returns
    // false, with projected all zero, when the point cannot be projected: its
    // homogeneous weight w <= 0, at or behind the eye. The view matrix acts on the
    // point's position relative to the structure's centre.
    bool Project(Vec3& projected, const Vec3& point) const;
    // Fits the picture's user coordinates so that the extent of view positions is
    // centred and fills half the larger picture dimension (the axes are drawn by whoever
    // draws the picture: Redraw, or DrawStructure after the structure's numbers).
    void FitPicture(double xmin, double xmax, double ymin, double ymax);
    // FitPicture again with the last extent (after a resize).
    void RefitPicture();
    // The default view: angles (10, -20, 0) deg, z shift slider 10, depth slider -20.
    // Without a structure a shift step is 2 / 100 of the picture's scale width and a
    // depth step 0.005 / 100 (z shift 0.2 * scale width, depth -0.001). With one the
    // units follow its radius R: a shift step is 2 * kViewWidthInRadii * R / 100 and the
    // default depth puts the eye kEyeDistanceInRadii * R in front of the centre.
    void SetDefaultView();
    // Every slider at 0: no rotation, no shift, parallel projection.
    void ResetView();

    // Object mode (the default): turns and shifts act on the object's
    // own current axes and accumulate; space mode: on the screen-fixed axes, composed
    // from the absolute slider values.
    void SetObjectMode(bool objectMode) { objectMode_ = objectMode; }
    [[nodiscard]] bool ObjectMode() const { return objectMode_; }

    void Rotate(int axis, double angle);  // angle in rad
    void Shift(int axis, double amount);  // model units
    void SetDepth(double depth);          // 0 = parallel projection
    void RebuildView();                   // recomposes from the stored angles, shifts, depth
    // Model units of one shift slider step, and the depth of one depth slider step.
    [[nodiscard]] double ShiftStep() const;
    [[nodiscard]] double DepthStep() const;

    Mat44 ViewMatrix;
    Mat44 RotXMatrix, RotYMatrix, RotZMatrix, MoveMatrix, DepthMatrix;
    Vec3 ViewAngle{};  // rad
    Vec3 ViewShift{};  // model units
    double ViewDepth = 0.0;

    // --- sliders and buttons of the view window --------------------------------
    // Setting a slider runs its change handler only when the value changes (values
    // are clamped to the slider's range). The handler applies the value and, unless
    // Updating, redraws.
    void SetAngleSlider(int axis, int degrees);
    void SetShiftSlider(int axis, int value);
    void SetDepthSlider(int value);
    [[nodiscard]] int AngleSlider(int axis) const { return angleSlider_[axis]; }
    [[nodiscard]] int ShiftSlider(int axis) const { return shiftSlider_[axis]; }
    [[nodiscard]] int DepthSlider() const { return depthSlider_; }
    // Captions of the value labels: "10゜", "-35", "-20".
    [[nodiscard]] std::string AngleCaption(int axis) const;
    [[nodiscard]] std::string ShiftCaption(int axis) const;
    [[nodiscard]] std::string DepthCaption() const;
    // Clicking a value label puts its slider back to 0.
    void AngleLabelClicked(int axis) { SetAngleSlider(axis, 0); }
    void ShiftLabelClicked(int axis) { SetShiftSlider(axis, 0); }
    void DepthLabelClicked() { SetDepthSlider(0); }
    void ClearSettingsClicked();  // "設定値クリアー"
    void RedrawClicked();         // "書直し": back to the space composition of the sliders

    // True while the window sets its own controls: handlers then skip their redraws.
    bool Updating = false;
    // Called after a slider value or caption changed, so the window can show it.
    std::function<void()> ControlsChanged;
    // Called after the picture was redrawn or drawn on (the window repaints).
    std::function<void()> PictureChanged;

    // --- display list ----------------------------------------------------------
    // Each Add draws its item at once and keeps it in the list. Widths in pixels.
    void AddLine(const Vec3& from, const Vec3& to, Color color, int width);
    // Line from the picture's current position.
    void AddLineTo(const Vec3& to, Color color, int width);
    // radius > 0: in picture units; otherwise -radius times the picture's scale width.
    void AddCircle(const Vec3& centre, double radius, Color color);
    // A circle filled with its colour (radius as AddCircle).
    void AddDisc(const Vec3& centre, double radius, Color color);
    // A polyline from start through points, back to start when closed.
    void AddPolyline(const Vec3& start, std::vector<Vec3> points, Color color, int width,
                     bool closed);
    // A dot in the picture's own colour and width.
    void AddDot(const Vec3& point);
    void AddText(const Vec3& point, const std::string& text, Color color, int size);
    // A node or element number (text that may be hidden or skipped, see Number).
    void AddNumber(const Vec3& point, const std::string& text, Color color, int size);
    // Mark 0..5 of MarkShapes, turned by AxisTurn(direction) and scaled by size.
    void AddMark(int mark, const Vec3& anchor, int direction, double size, int width, Color color);
    // Arrow from start to start + vector with a head half its length. Raises
    // numeric::ComputationFailure for a zero vector.
    void AddVector(const Vec3& start, const Vec3& vector, Color color);
    // Line from start along axis (0..2) by length.
    void AddAxisLine(int axis, const Vec3& start, double length, Color color, int width);

    // Empties the list and clears the picture (no axes); StructureItems becomes 0 and
    // Cleared is called.
    void ClearAll();
    // Called by ClearAll, before a new drawing fills the list: whoever draws over the
    // old drawing (an animation) lets go of it. Must not draw.
    std::function<void()> Cleared;
    // Number of items of the structure alone at the start of the list (DrawStructure
    // sets it): what is drawn after them (a deformation) can be replaced.
    int StructureItems = 0;
    // Removes the items from index `count` on, without redrawing: a drawing over the
    // structure (a deformation) can be replaced by another one, then Redraw.
    void DiscardItemsFrom(int count);
    // Between BeginBatch and EndBatch the Add calls only fill the list; EndBatch
    // redraws the picture once.
    void BeginBatch();
    void EndBatch();

    // Node and element numbers: shown unless hidden; the drawing hides them by itself
    // for large structures until the user chooses.
    void SetNumbersShown(bool shown, bool byUser);
    [[nodiscard]] bool NumbersShown() const { return numbersShown_; }
    [[nodiscard]] bool NumbersChosen() const { return numbersChosen_; }
    void ForgetNumbersChoice() { numbersChosen_ = false; }
    // Forgets the numbers drawn on target, after it was cleared from outside the view.
    void ForgetLabels(const platform::Surface& target);
    // Replays item CurrentItem onto target, text exactly at its point in the target's
    // font.
    void CopyCurrentItem(platform::Surface& target);
    // Clears the picture, replays every item, draws the axes.
    void Redraw();
    // The coordinate axes X, Y, Z, not part of the list, on the picture or on target.
    void DrawAxes();
    void DrawAxes(platform::Surface& target);
    // The picture as it is drawn now onto target, a picture of width x height pixels
    // (a file, a printer page): the same view and centre, the present picture's extent
    // fitted into it at one scale in x and y (lines and text keep their widths and
    // sizes in pixels), in the picture's back colour (target is cleared), with the axes
    // when asked.
    void DrawOnto(platform::Surface& target, double width, double height, bool axes);
    // Draws one item onto target through the current view. An item with a point that
    // cannot be projected is skipped.
    void ReplayItem(platform::Surface& target, const DrawItem& item);
    // The same with a circle given as a fraction of the picture's width (AddCircle with
    // a negative radius) sized on a picture widthForRadius user units wide.
    void ReplayItem(platform::Surface& target, const DrawItem& item, double widthForRadius);

    [[nodiscard]] int PenWidth() const;  // draw width of the picture
    void SetPenWidth(int w);
    [[nodiscard]] const std::vector<DrawItem>& DisplayList() const { return displayList_; }
    [[nodiscard]] int ItemCount() const { return static_cast<int>(displayList_.size()); }
    int CurrentItem = 0;       // index of the item drawn last; kept by ClearAll
    bool CopyingItem = false;  // true only while CopyCurrentItem replays

    [[nodiscard]] const std::array<MarkShape, 6>& MarkShapes() const { return markShapes_; }
    [[nodiscard]] const MarkShape& ArrowHead() const { return arrowHead_; }

    // Turn of a mark so that its -x side faces -x (code 0), +y (1) or +z (2), scaled by s.
    static Mat3 AxisTurn(int code, double s);
    // R turning the local x axis onto d / |d|; len <- |d|. Raises
    // numeric::ComputationFailure for a zero vector.
    static Mat3 VectorFrame(const Vec3& d, double& len);
    // anchor + R * (size * v).
    static Vec3 PlaceShapePoint(const Vec3& v, const Vec3& anchor, const Mat3& R, double size);

  private:
    DrawItem& NewItem();
    void FinishItem();
    void Compose();
    void RebuildRotation(int axis);
    void AngleChanged(int axis);
    void ShiftChanged(int axis);
    void DepthChanged();
    void NotifyControls();
    void NotifyPicture();
    // Text is placed 0.2 of a line height right of and below its point: the height of a
    // line at size (clamped to 6..16) in the target's own font, measured in twips with
    // TextHeightTwips and converted to the target's picture units, so that the label
    // sits just beside its point at any scale.
    double TextOffset(platform::Surface& target, int size);
    double MeasureTextOffset(platform::Surface& target, int size);
    // Sets the picture's scale from the stored extent, the zoom and the picture size;
    // false when the extent is empty (the scale stays).
    bool ApplyExtent();
    // Recomputes the shift and depth from the sliders in the present units.
    void ApplySliderUnits();
    // True when a number at (x, y) of target (user units, top-left corner) would cover
    // one drawn there before; otherwise remembers it.
    // Whether a number at (x, y) would cover one written before; if not, it claims its
    // place (unless claim is false).
    bool NumberCovers(platform::Surface& target, const std::string& text, double x, double y,
                      bool claim = true);

    platform::Surface* picture_ = nullptr;
    double picWidth_ = 1.0;
    double picHeight_ = 1.0;
    std::array<double, 4> extent_{0.0, 0.0, 0.0, 0.0};  // xmin, xmax, ymin, ymax
    double zoom_ = 1.0;                                 // scale over the fitted one
    std::array<double, 2> zoomCentre_{0.0, 0.0};        // picture centre after zooming
    std::vector<Vec3> structure_;
    Vec3 centre_{};
    double radius_ = 0.0;
    double unitRadius_ = 0.0;  // radius the shift and depth units follow; 0: none yet
    bool batch_ = false;
    bool numbersShown_ = true;
    bool numbersChosen_ = false;
    // Corners (x0, y0, x1, y1) of the numbers drawn on a target since it was cleared.
    struct LabelSpace {
        const platform::Surface* target = nullptr;
        std::vector<std::array<double, 4>> boxes;
    };
    std::array<LabelSpace, 2> labelSpaces_;
    bool objectMode_ = true;
    std::array<int, 3> angleSlider_{};
    std::array<int, 3> shiftSlider_{};
    int depthSlider_ = 0;
    std::vector<DrawItem> displayList_;
    std::array<MarkShape, 6> markShapes_;
    MarkShape arrowHead_;
    std::vector<std::array<double, 2>> scratch_;  // projected shape points
    // Offsets measured for the reference sizes 6..16 on one target at one scale and
    // picture size; a resize of the picture (SetPictureSize) measures them anew.
    struct TextOffsetCache {
        const platform::Surface* target = nullptr;
        double scaleWidth = 0.0, scaleHeight = 0.0;
        std::array<double, 11> offset{};
        std::array<bool, 11> known{};
        std::array<double, 11> height{};  // one line at font size 6 .. 16, user units
        std::array<bool, 11> heightKnown{};
    };
    std::array<TextOffsetCache, 2> textCaches_;  // the picture's and one other target's
    TextOffsetCache& CacheFor(platform::Surface& target);
    // Which of two per-target slots (holding these targets) a new target takes: a free
    // one, or else the one that is not the picture's.
    [[nodiscard]] int SlotFor(const platform::Surface* first,
                              const platform::Surface* second) const;
    double LineHeight(platform::Surface& target);
};

}  // namespace view3d
