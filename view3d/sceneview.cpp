#include "view3d/sceneview.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "numeric/constants.h"
#include "numeric/failure.h"

namespace view3d {

Mat44 Identity44() {
    Mat44 m{};
    for (int i = 0; i < 4; ++i) m[i][i] = 1.0;
    return m;
}

void Multiply4x4(Mat44& C, const Mat44& a, const Mat44& B) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k) s += a[i][k] * B[k][j];
            C[i][j] = s;
        }
    }
}

Mat44 RotationMatrix(int axis, double angle) {
    Mat44 m = Identity44();
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    switch (axis) {
        case 0:
            m[1][1] = c;
            m[1][2] = s;
            m[2][1] = -s;
            m[2][2] = c;
            break;
        case 1:
            m[0][0] = c;
            m[0][2] = -s;
            m[2][0] = s;
            m[2][2] = c;
            break;
        case 2:
            m[0][0] = c;
            m[0][1] = s;
            m[1][0] = -s;
            m[1][1] = c;
            break;
        default:
            throw numeric::ComputationFailure(numeric::kOutOfRange, "no view axis");
    }
    return m;
}

namespace {

void CheckAxis(int axis) {
    if (axis < 0 || axis > 2)
        throw numeric::ComputationFailure(numeric::kOutOfRange, "no view axis");
}

}  // namespace

SceneView::SceneView()
    : ViewMatrix(Identity44()),
      RotXMatrix(Identity44()),
      RotYMatrix(Identity44()),
      RotZMatrix(Identity44()),
      MoveMatrix(Identity44()),
      DepthMatrix(Identity44()) {
    // Support marks in multiples of the mark size, apex (or stem end) at the anchor.
    markShapes_[0] = {1, {{-1, 0, 0}}, false};
    markShapes_[1] = {2, {{-1, 0.5, 0}, {-1, -0.5, 0}}, true};
    markShapes_[2] = {3, {{-1, 0, 0}, {-1, 0, -0.5}, {-1, 0, 0.5}}, false};
    markShapes_[3] = {10,
                      {{-1, 0.5, 0.5},
                       {-1, -0.5, 0.5},
                       {-1, -0.5, -0.5},
                       {-1, 0.5, -0.5},
                       {-1, 0.5, 0.5},
                       {0, 0, 0},
                       {-1, -0.5, 0.5},
                       {-1, -0.5, -0.5},
                       {0, 0, 0},
                       {-1, 0.5, -0.5}},
                      true};
    arrowHead_ = {2, {{-1, 0.333, 0.333}, {-1, -0.333, -0.333}}, false};
    DepthMatrix[2][2] = 0.0;
}

platform::Surface& SceneView::Picture() const {
    if (picture_ == nullptr) throw std::logic_error("the view has no picture");
    return *picture_;
}

void SceneView::SetPictureSize(double width, double height) {
    picWidth_ = width;
    picHeight_ = height;
    textCaches_ = {};  // a unit of the picture now spans other pixels
}

// ---------------------------------------------------------------------------
// View transformation

bool SceneView::Project(Vec3& projected, const Vec3& point) const {
    const Mat44& m = ViewMatrix;
    const Vec3 p{point[0] - centre_[0], point[1] - centre_[1], point[2] - centre_[2]};
    const double w = p[0] * m[0][3] + p[1] * m[1][3] + p[2] * m[2][3] + m[3][3];
    if (!(w > 0.0)) {
        projected = {0.0, 0.0, 0.0};
        return false;
    }
    for (int i = 0; i < 3; ++i)
        projected[i] = (p[0] * m[0][i] + p[1] * m[1][i] + p[2] * m[2][i] + m[3][i]) / w;
    return true;
}

void SceneView::Compose() {
    Mat44 scratch;
    Multiply4x4(scratch, MoveMatrix, DepthMatrix);
    Multiply4x4(ViewMatrix, RotYMatrix, scratch);
    Multiply4x4(scratch, RotXMatrix, ViewMatrix);
    Multiply4x4(ViewMatrix, RotZMatrix, scratch);
}

void SceneView::RebuildRotation(int axis) {
    const Mat44 r = RotationMatrix(axis, ViewAngle[axis]);
    if (axis == 0) RotXMatrix = r;
    if (axis == 1) RotYMatrix = r;
    if (axis == 2) RotZMatrix = r;
}

void SceneView::RebuildView() {
    MoveMatrix = Identity44();
    for (int k = 0; k < 3; ++k) MoveMatrix[3][k] = ViewShift[k];
    DepthMatrix = Identity44();
    DepthMatrix[2][2] = 0.0;
    DepthMatrix[2][3] = ViewDepth;
    for (int k = 0; k < 3; ++k) RebuildRotation(k);
    Compose();
}

void SceneView::Rotate(int axis, double angle) {
    CheckAxis(axis);
    if (!objectMode_) {
        ViewAngle[axis] = angle;
        RebuildRotation(axis);
        Compose();
        return;
    }
    // The turn by the difference multiplies from the left: about the object's own axis.
    const double delta = angle - ViewAngle[axis];
    ViewAngle[axis] = angle;
    const Mat44 t = RotationMatrix(axis, delta);
    Mat44 scratch;
    Multiply4x4(scratch, t, ViewMatrix);
    ViewMatrix = scratch;
}

void SceneView::Shift(int axis, double amount) {
    CheckAxis(axis);
    if (!objectMode_) {
        ViewShift[axis] = amount;
        MoveMatrix[3][axis] = amount;
        Compose();
        return;
    }
    Mat44 t = Identity44();
    t[3][axis] = amount - ViewShift[axis];
    ViewShift[axis] = amount;
    Mat44 scratch;
    Multiply4x4(scratch, t, ViewMatrix);
    ViewMatrix = scratch;
}

void SceneView::SetDepth(double depth) {
    ViewDepth = depth;
    if (objectMode_) return;  // takes effect at the next RebuildView
    DepthMatrix[2][2] = 0.0;
    DepthMatrix[2][3] = depth;
    Compose();
}

void SceneView::FitPicture(double xmin, double xmax, double ymin, double ymax) {
    extent_ = {xmin, xmax, ymin, ymax};
    zoom_ = 1.0;
    zoomCentre_ = {(xmin + xmax) / 2, (ymin + ymax) / 2};
    ApplyExtent();
}

bool SceneView::ApplyExtent() {
    const auto [xmin, xmax, ymin, ymax] = extent_;
    const double dx = xmax - xmin;
    const double dy = ymax - ymin;
    double W = 0.0;
    double H = 0.0;
    if (dy > dx) {
        H = 2.0 * dy;
        W = H * (picWidth_ / picHeight_);
    } else {
        W = 2.0 * dx;
        H = W * (picHeight_ / picWidth_);
    }
    // An empty extent (W = 0) or one that was never widened by a point (xmin > xmax,
    // W < 0) keeps the present scale; a negative one would mirror the picture.
    if (!(W > 0.0) || !std::isfinite(W)) return false;
    // Half the larger dimension, as long as the other one fits too: in a picture much
    // wider than high (or the reverse) the extent keeps a margin on every side.
    constexpr double kMostOfPicture = 0.9;
    const double grow = std::max({1.0, dx / (kMostOfPicture * W), dy / (kMostOfPicture * H)});
    W *= grow * zoom_;
    H *= grow * zoom_;
    Picture().SetScale(zoomCentre_[0] - W / 2, zoomCentre_[1] + H / 2, W, -H);
    return true;
}

void SceneView::RefitPicture() {
    ApplyExtent();
    DrawAxes();
}

void SceneView::SetStructure(std::vector<Vec3> points) {
    structure_ = std::move(points);
    radius_ = 0.0;
    if (structure_.empty()) {
        centre_ = {0.0, 0.0, 0.0};
    } else {
        Vec3 lo = structure_.front();
        Vec3 hi = lo;
        for (const Vec3& p : structure_)
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
        double d2 = 0.0;
        for (int k = 0; k < 3; ++k) {
            centre_[k] = (lo[k] + hi[k]) / 2;
            d2 += (hi[k] - lo[k]) * (hi[k] - lo[k]);
        }
        radius_ = std::sqrt(d2) / 2;
        if (!std::isfinite(radius_)) radius_ = 0.0;
    }
    // A view that has not known a structure yet takes its units from this one, so that
    // the view set up before (the default view of a new window) suits it.
    if (unitRadius_ == 0.0 && radius_ > 0.0) {
        unitRadius_ = radius_;
        ApplySliderUnits();
    }
}

bool SceneView::ProjectedExtent(double& xmin, double& xmax, double& ymin, double& ymax) const {
    constexpr double inf = std::numeric_limits<double>::infinity();
    xmin = ymin = inf;
    xmax = ymax = -inf;
    bool any = false;
    for (const Vec3& point : structure_) {
        Vec3 p;
        if (!Project(p, point)) continue;  // behind the eye: not in the extent
        xmin = std::min(xmin, p[0]);
        xmax = std::max(xmax, p[0]);
        ymin = std::min(ymin, p[1]);
        ymax = std::max(ymax, p[1]);
        any = true;
    }
    return any;
}

void SceneView::FitStructure() {
    double xmin, xmax, ymin, ymax;
    if (ProjectedExtent(xmin, xmax, ymin, ymax)) {
        if (xmin == xmax && ymin == ymax) {
            // A single point: a square of the structure's size, or of the present
            // width, about it.
            const double half = radius_ > 0.0 ? radius_ : Picture().ScaleWidth() / 4;
            xmin -= half, xmax += half, ymin -= half, ymax += half;
        }
        FitPicture(xmin, xmax, ymin, ymax);
    }
    Redraw();
}

void SceneView::Zoom(double factor, double x, double y) {
    if (!(factor > 0.0) || !std::isfinite(factor)) return;
    zoomCentre_ = {x + (zoomCentre_[0] - x) * factor, y + (zoomCentre_[1] - y) * factor};
    zoom_ *= factor;
    if (!ApplyExtent()) {
        // Nothing fitted yet: zoom the present scale.
        platform::Surface& pic = Picture();
        const double W = pic.ScaleWidth() * factor;
        const double H = pic.ScaleHeight() * factor;
        const double cx = pic.ScaleLeft() + pic.ScaleWidth() / 2;
        const double cy = pic.ScaleTop() + pic.ScaleHeight() / 2;
        const double nx = x + (cx - x) * factor;
        const double ny = y + (cy - y) * factor;
        pic.SetScale(nx - W / 2, ny - H / 2, W, H);
        zoom_ = 1.0;
    }
    Redraw();
}

double SceneView::ShiftStep() const {
    if (unitRadius_ > 0.0) return 2.0 * kViewWidthInRadii * unitRadius_ / kShiftMax;
    // A shift of the full slider is twice the picture's width, at its present scale.
    return Picture().ScaleWidth() * 2.0 / kShiftMax;
}

double SceneView::DepthStep() const {
    if (unitRadius_ > 0.0) {
        // At the default sliders the eye is kEyeDistanceInRadii * R in front of the
        // centre, which the default z shift has moved towards it.
        constexpr int kDefaultDepth = -20;
        constexpr int kDefaultShift = 10;
        const double eye = kEyeDistanceInRadii * unitRadius_ + kDefaultShift * ShiftStep();
        return 1.0 / (-kDefaultDepth * eye);
    }
    return 0.005 / (kDepthMax - kDepthMin);
}

void SceneView::ApplySliderUnits() {
    for (int k = 0; k < 3; ++k) ViewShift[k] = shiftSlider_[k] * ShiftStep();
    ViewDepth = depthSlider_ * DepthStep();
    RebuildView();
}

void SceneView::SetDefaultView() {
    if (radius_ > 0.0) unitRadius_ = radius_;  // the units follow the structure in view
    Updating = true;
    for (int k = 0; k < 3; ++k) SetAngleSlider(k, 0);
    for (int k = 0; k < 3; ++k) SetShiftSlider(k, 0);
    SetDepthSlider(0);  // so that the depth is worked out anew in the present units
    SetAngleSlider(0, 10);
    SetAngleSlider(1, -20);
    SetShiftSlider(2, 10);
    SetDepthSlider(-20);
    Updating = false;
    RebuildView();
}

void SceneView::ResetView() {
    Updating = true;
    for (int k = 0; k < 3; ++k) SetAngleSlider(k, 0);
    for (int k = 0; k < 3; ++k) SetShiftSlider(k, 0);
    SetDepthSlider(0);
    Updating = false;
    RebuildView();
}

// ---------------------------------------------------------------------------
// Sliders and buttons

void SceneView::SetAngleSlider(int axis, int degrees) {
    CheckAxis(axis);
    degrees = std::clamp(degrees, kAngleMin, kAngleMax);
    if (degrees == angleSlider_[axis]) return;
    angleSlider_[axis] = degrees;
    AngleChanged(axis);
}

void SceneView::SetShiftSlider(int axis, int value) {
    CheckAxis(axis);
    value = std::clamp(value, kShiftMin, kShiftMax);
    if (value == shiftSlider_[axis]) return;
    shiftSlider_[axis] = value;
    ShiftChanged(axis);
}

void SceneView::SetDepthSlider(int value) {
    value = std::clamp(value, kDepthMin, kDepthMax);
    if (value == depthSlider_) return;
    depthSlider_ = value;
    DepthChanged();
}

void SceneView::AngleChanged(int axis) {
    Rotate(axis, angleSlider_[axis] * numeric::Pi / 180.0);
    NotifyControls();
    if (!Updating) Redraw();
}

void SceneView::ShiftChanged(int axis) {
    Shift(axis, ShiftStep() * shiftSlider_[axis]);
    NotifyControls();
    if (!Updating) Redraw();
}

void SceneView::DepthChanged() {
    SetDepth(depthSlider_ * DepthStep());
    NotifyControls();
    if (!Updating) Redraw();
}

std::string SceneView::AngleCaption(int axis) const {
    return std::to_string(angleSlider_[axis]) + "゜";
}

std::string SceneView::ShiftCaption(int axis) const {
    return std::to_string(shiftSlider_[axis]);
}

std::string SceneView::DepthCaption() const {
    return std::to_string(depthSlider_);
}

void SceneView::ClearSettingsClicked() {
    ResetView();
    Redraw();
}

void SceneView::RedrawClicked() {
    Picture().Clear();
    RebuildView();
    Redraw();
}

void SceneView::NotifyControls() {
    if (ControlsChanged) ControlsChanged();
}

void SceneView::NotifyPicture() {
    if (PictureChanged) PictureChanged();
}

// ---------------------------------------------------------------------------
// Display list

DrawItem& SceneView::NewItem() {
    platform::Surface& pic = Picture();
    DrawItem item;
    item.ForeColor = pic.ForeColor();
    item.FillColor = pic.FillColor();
    item.DrawWidth = pic.DrawWidth();
    item.FillStyle = pic.FillStyle();
    displayList_.push_back(std::move(item));
    return displayList_.back();
}

void SceneView::FinishItem() {
    CurrentItem = ItemCount() - 1;
    if (batch_) return;
    ReplayItem(Picture(), displayList_.back());
    NotifyPicture();
}

void SceneView::BeginBatch() {
    batch_ = true;
}

void SceneView::EndBatch() {
    batch_ = false;
    Redraw();
}

void SceneView::DiscardItemsFrom(int count) {
    if (count < 0) count = 0;
    if (count < ItemCount()) displayList_.resize(static_cast<std::size_t>(count));
}

void SceneView::SetNumbersShown(bool shown, bool byUser) {
    numbersShown_ = shown;
    if (byUser) numbersChosen_ = true;
    NotifyControls();
}

void SceneView::ForgetLabels(const platform::Surface& target) {
    for (LabelSpace& s : labelSpaces_)
        if (s.target == &target) s.boxes.clear();
}

bool SceneView::NumberCovers(platform::Surface& target, const std::string& text, double x, double y,
                             bool claim) {
    // Find the target's list, or take the one of another target than the picture.
    LabelSpace* space = nullptr;
    for (LabelSpace& s : labelSpaces_)
        if (s.target == &target) space = &s;
    if (space == nullptr) {
        // A free list, or else the one that is not the picture's.
        space = &labelSpaces_[SlotFor(labelSpaces_[0].target, labelSpaces_[1].target)];
        space->target = &target;
        space->boxes.clear();
    }
    // Digits are a little under half a line high wide; a leading blank counts less.
    const double h = LineHeight(target);
    std::size_t chars = 0;
    for (char c : text) chars += (c == ' ') ? 0 : 1;
    const double w = 0.45 * h * static_cast<double>(chars) * (target.ScaleWidth() < 0 ? -1 : 1);
    const double down = target.ScaleHeight() < 0 ? -0.8 * h : 0.8 * h;  // the digits' height
    const std::array<double, 4> box{std::min(x, x + w), std::min(y, y + down), std::max(x, x + w),
                                    std::max(y, y + down)};
    for (const auto& b : space->boxes)
        if (box[0] < b[2] && b[0] < box[2] && box[1] < b[3] && b[1] < box[3]) return true;
    if (claim) space->boxes.push_back(box);
    return false;
}

void SceneView::AddLine(const Vec3& from, const Vec3& to, Color color, int width) {
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Line;
    it.Point1 = from;
    it.Point2 = to;
    it.ForeColor = color;
    it.DrawWidth = width;
    FinishItem();
}

void SceneView::AddLineTo(const Vec3& to, Color color, int width) {
    DrawItem& it = NewItem();
    it.Kind = ItemKind::LineTo;
    it.Point1 = to;
    it.ForeColor = color;
    it.DrawWidth = width;
    FinishItem();
}

void SceneView::AddCircle(const Vec3& centre, double radius, Color color) {
    const double r = radius > 0.0 ? radius : -radius * Picture().ScaleWidth();
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Circle;
    it.Point1 = centre;
    it.ForeColor = color;
    it.Radius = r;
    if (radius < 0.0) it.RadiusOfWidth = -radius;
    FinishItem();
}

void SceneView::AddDisc(const Vec3& centre, double radius, Color color) {
    const double r = radius > 0.0 ? radius : -radius * Picture().ScaleWidth();
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Circle;
    it.Point1 = centre;
    it.ForeColor = color;
    it.FillColor = color;
    it.FillStyle = 0;
    it.Radius = r;
    if (radius < 0.0) it.RadiusOfWidth = -radius;
    FinishItem();
}

void SceneView::AddPolyline(const Vec3& start, std::vector<Vec3> points, Color color, int width,
                            bool closed) {
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Shape;
    it.ForeColor = color;
    it.DrawWidth = width;
    it.Anchor = start;
    it.PointCount = static_cast<int>(points.size());
    it.ShapePoints = std::move(points);
    it.Closed = closed;
    FinishItem();
}

void SceneView::AddDot(const Vec3& point) {
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Dot;
    it.Point1 = point;
    FinishItem();
}

void SceneView::AddText(const Vec3& point, const std::string& text, Color color, int size) {
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Text;
    it.Point1 = point;
    it.ForeColor = color;
    it.Text = text;
    it.TextSize = size;
    FinishItem();
}

void SceneView::AddNumber(const Vec3& point, const std::string& text, Color color, int size) {
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Text;
    it.Point1 = point;
    it.ForeColor = color;
    it.Text = text;
    it.TextSize = size;
    it.Number = true;
    FinishItem();
}

void SceneView::AddMark(int mark, const Vec3& anchor, int direction, double size, int width,
                        Color color) {
    if (mark < 0 || mark >= static_cast<int>(markShapes_.size()))
        throw numeric::ComputationFailure(numeric::kOutOfRange, "no such mark");
    const MarkShape& shape = markShapes_[mark];
    const Mat3 R = AxisTurn(direction, 1.0);
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Shape;
    it.ForeColor = color;
    it.DrawWidth = width;
    it.PointCount = shape.PointCount;
    it.Closed = shape.Closed;
    it.Anchor = anchor;
    it.ShapePoints.reserve(shape.Points.size());
    for (const Vec3& p : shape.Points)
        it.ShapePoints.push_back(PlaceShapePoint(p, anchor, R, size));
    FinishItem();
}

void SceneView::AddVector(const Vec3& start, const Vec3& vector, Color color) {
    double len = 0.0;
    const Mat3 R = VectorFrame(vector, len);  // raises for a zero vector, before any item
    const double head = 0.5 * len;
    const Vec3 tip{start[0] + vector[0], start[1] + vector[1], start[2] + vector[2]};
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Shape;
    it.Closed = false;
    it.DrawWidth = 2;
    it.ForeColor = color;
    it.Anchor = start;
    it.PointCount = 5;
    it.ShapePoints = {start, tip, PlaceShapePoint(arrowHead_.Points[0], tip, R, head),
                      PlaceShapePoint(arrowHead_.Points[1], tip, R, head), tip};
    FinishItem();
}

void SceneView::AddAxisLine(int axis, const Vec3& start, double length, Color color, int width) {
    Vec3 end{0.0, 0.0, 0.0};
    if (axis >= 0 && axis <= 2) {
        end = start;
        end[axis] += length;
    }
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Shape;
    it.PointCount = 1;
    it.Closed = false;
    it.ForeColor = color;
    it.DrawWidth = width;
    it.Anchor = start;
    it.ShapePoints = {end};
    FinishItem();
}

Mat3 SceneView::AxisTurn(int code, double s) {
    Mat3 R{};
    switch (code) {
        case 1:  // (s vy, -s vx, vz): the shape's -x side faces +y
            R[0][1] = s;
            R[1][0] = -s;
            R[2][2] = 1.0;
            break;
        case 2:  // (s vz, vy, -s vx): the shape's -x side faces +z
            R[0][2] = s;
            R[1][1] = 1.0;
            R[2][0] = -s;
            break;
        default:
            R[0][0] = s;
            R[1][1] = s;
            R[2][2] = s;
            break;
    }
    return R;
}

Mat3 SceneView::VectorFrame(const Vec3& d, double& len) {
    len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (len == 0.0)
        throw numeric::ComputationFailure(numeric::kDivisionByZero, "arrow of zero length");
    const double c = d[0] / len;
    Mat3 R{};
    for (int i = 0; i < 3; ++i) R[i][i] = c;
    // Turning axis (0, -d2, d1): perpendicular to both x and d.
    const double nl = std::sqrt(d[1] * d[1] + d[2] * d[2]);
    if (nl == 0.0) return R;  // along +x or -x: c = +1 or -1
    const double s = std::sqrt(std::max(0.0, 1.0 - c * c));
    const Vec3 n{0.0, -d[2] / nl, d[1] / nl};
    // Rodrigues: R = c I + s [n]x + (1 - c) n n^T.
    const Mat3 cross{{{0.0, -n[2], n[1]}, {n[2], 0.0, -n[0]}, {-n[1], n[0], 0.0}}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) R[i][j] += s * cross[i][j] + (1.0 - c) * n[i] * n[j];
    return R;
}

Vec3 SceneView::PlaceShapePoint(const Vec3& v, const Vec3& anchor, const Mat3& R, double size) {
    Vec3 out;
    for (int i = 0; i < 3; ++i)
        out[i] = anchor[i] + size * (R[i][0] * v[0] + R[i][1] * v[1] + R[i][2] * v[2]);
    return out;
}

int SceneView::PenWidth() const {
    return Picture().DrawWidth();
}

void SceneView::SetPenWidth(int w) {
    Picture().SetDrawWidth(w);
}

void SceneView::ClearAll() {
    displayList_.clear();
    StructureItems = 0;
    if (Cleared) Cleared();
    Picture().Clear();
    ForgetLabels(Picture());
    NotifyPicture();
}

void SceneView::CopyCurrentItem(platform::Surface& target) {
    if (CurrentItem < 0 || CurrentItem >= ItemCount()) return;
    CopyingItem = true;
    try {
        ReplayItem(target, displayList_[CurrentItem]);
    } catch (...) {
        CopyingItem = false;
        throw;
    }
    CopyingItem = false;
}

void SceneView::Redraw() {
    platform::Surface& pic = Picture();
    pic.Clear();
    ForgetLabels(pic);
    for (const DrawItem& item : displayList_) ReplayItem(pic, item);
    DrawAxes();
    NotifyPicture();
}

void SceneView::DrawAxes() {
    if (picture_ != nullptr) DrawAxes(*picture_);
}

void SceneView::DrawOnto(platform::Surface& target, double width, double height, bool axes) {
    const platform::Surface& pic = Picture();
    // User units per pixel of target: the picture's extent fitted into it, the same
    // scale in x and y (the larger of the two), the same centre.
    const double sw = pic.ScaleWidth();
    const double sh = pic.ScaleHeight();
    const double unit =
        std::max(std::fabs(sw) / std::max(width, 1.0), std::fabs(sh) / std::max(height, 1.0));
    const double w = std::copysign(unit * width, sw);
    const double h = std::copysign(unit * height, sh);
    const double cx = pic.ScaleLeft() + sw / 2;
    const double cy = pic.ScaleTop() + sh / 2;
    target.SetScale(cx - w / 2, cy - h / 2, w, h);
    target.SetBackColor(pic.BackColor());
    target.Clear();
    ForgetLabels(target);
    // Circles sized by the picture's width grow and shrink with the structure.
    for (const DrawItem& item : displayList_) ReplayItem(target, item, std::fabs(sw));
    if (axes) DrawAxes(target);
    ForgetLabels(target);
}

void SceneView::DrawAxes(platform::Surface& target) {
    platform::Surface* pic = &target;
    const int width = pic->DrawWidth();
    pic->SetDrawWidth(1);
    pic->SetFontSize(12);
    const double L = 0.2 * pic->ScaleWidth();
    const Color axisColor = platform::RGB(0, 100, 100);
    for (int k = 0; k < 3; ++k) {
        Vec3 from{0.0, 0.0, 0.0};
        Vec3 to{0.0, 0.0, 0.0};
        from[k] = -0.5 * L;
        to[k] = L;
        Vec3 a;
        Vec3 b;
        if (!Project(a, from) || !Project(b, to)) continue;  // behind the eye
        pic->Line(a[0], a[1], b[0], b[1], axisColor);
        // The letter at the axis's end, or further out along the axis while a node or
        // element number sits there; an axis seen end-on moves its letter to the left.
        const std::string letter(1, static_cast<char>('X' + k));
        const double length = std::hypot(b[0] - a[0], b[1] - a[1]);
        const double step = LineHeight(*pic);
        const bool seen = length > 1e-9 * step;
        const double towardsX =
            seen ? (b[0] - a[0]) / length : (pic->ScaleWidth() < 0 ? 1.0 : -1.0);
        const double towardsY = seen ? (b[1] - a[1]) / length : 0.0;
        double x = b[0];
        double y = b[1];
        for (int tries = 0; tries < 8 && NumberCovers(*pic, letter, x, y, false); ++tries) {
            x += towardsX * step;
            y += towardsY * step;
        }
        pic->SetCurrentX(x);
        pic->SetCurrentY(y);
        pic->Print(letter);
    }
    pic->SetDrawWidth(width);
}

double SceneView::TextOffset(platform::Surface& target, int size) {
    // Measuring text is slow; a redraw asks again and again for the same few sizes,
    // alternating between them (element numbers 11, axis labels 8).
    TextOffsetCache& c = CacheFor(target);
    const auto h = static_cast<std::size_t>(std::clamp(size - 6, 0, 10));
    if (!c.known[h]) {
        c.offset[h] = MeasureTextOffset(target, size);
        c.known[h] = true;
    }
    return c.offset[h];
}

int SceneView::SlotFor(const platform::Surface* first, const platform::Surface* second) const {
    if (first == nullptr) return 0;
    if (second == nullptr) return 1;
    return first == picture_ ? 1 : 0;
}

SceneView::TextOffsetCache& SceneView::CacheFor(platform::Surface& target) {
    TextOffsetCache* c = nullptr;
    for (TextOffsetCache& k : textCaches_)
        if (k.target == &target) c = &k;
    if (c == nullptr) c = &textCaches_[SlotFor(textCaches_[0].target, textCaches_[1].target)];
    if (c->target != &target || c->scaleWidth != target.ScaleWidth() ||
        c->scaleHeight != target.ScaleHeight())
        *c = {&target, target.ScaleWidth(), target.ScaleHeight(), {}, {}, {}, {}};
    return *c;
}

double SceneView::LineHeight(platform::Surface& target) {
    TextOffsetCache& c = CacheFor(target);
    const auto h =
        static_cast<std::size_t>(std::clamp(static_cast<int>(target.FontSize() + 0.5) - 6, 0, 10));
    if (!c.heightKnown[h]) {
        c.height[h] = std::fabs(target.TextHeight("0"));
        c.heightKnown[h] = true;
    }
    return c.height[h];
}

double SceneView::MeasureTextOffset(platform::Surface& target, int size) {
    const int h = std::clamp(size - 6, 0, 10);
    // Twips of one line at the reference size, converted to the target's picture units
    // through the line height at its current font size in both measures.
    const double twips = target.TextHeightTwips(6 + h);
    const double nowTwips = target.TextHeightTwips(target.FontSize());
    if (!(nowTwips > 0.0)) return 0.0;
    const double unitsPerTwip = std::fabs(target.TextHeight("0")) / nowTwips;
    return 0.2 * twips * unitsPerTwip;
}

void SceneView::ReplayItem(platform::Surface& target, const DrawItem& item) {
    ReplayItem(target, item, std::fabs(target.ScaleWidth()));
}

void SceneView::ReplayItem(platform::Surface& target, const DrawItem& item, double widthForRadius) {
    if (item.Number && !numbersShown_) return;
    // Project first: an item with a point at or behind the eye is not drawn at all.
    Vec3 a;
    Vec3 b;
    switch (item.Kind) {
        case ItemKind::Line:
            if (!Project(a, item.Point1) || !Project(b, item.Point2)) return;
            break;
        case ItemKind::Shape:
            if (!Project(a, item.Anchor)) return;
            scratch_.resize(item.ShapePoints.size());
            for (std::size_t i = 0; i < item.ShapePoints.size(); ++i) {
                if (!Project(b, item.ShapePoints[i])) return;
                scratch_[i] = {b[0], b[1]};
            }
            break;
        default:
            if (!Project(a, item.Point1)) return;
            break;
    }

    const Color fore = target.ForeColor();
    const Color fill = target.FillColor();
    const int width = target.DrawWidth();
    const int style = target.FillStyle();
    target.SetForeColor(item.ForeColor);
    target.SetFillColor(item.FillColor);
    target.SetDrawWidth(item.DrawWidth);
    target.SetFillStyle(item.FillStyle);
    struct Restore {
        platform::Surface& t;
        Color fore, fill;
        int width, style;
        ~Restore() {
            t.SetForeColor(fore);
            t.SetFillColor(fill);
            t.SetDrawWidth(width);
            t.SetFillStyle(style);
        }
    } restore{target, fore, fill, width, style};

    switch (item.Kind) {
        case ItemKind::Line:
            target.Line(a[0], a[1], b[0], b[1], item.ForeColor);
            break;
        case ItemKind::LineTo:
            target.LineTo(a[0], a[1], item.ForeColor);
            break;
        case ItemKind::Circle:
            try {
                const double r =
                    item.RadiusOfWidth > 0.0 ? item.RadiusOfWidth * widthForRadius : item.Radius;
                target.Circle(a[0], a[1], r, item.ForeColor);
            } catch (...) {
                // a circle that cannot be drawn is left out
            }
            break;
        case ItemKind::Text:
            target.SetDrawWidth(1);
            if (!CopyingItem) {
                target.SetFontSize(item.TextSize);
                const double off = TextOffset(target, item.TextSize);
                target.SetCurrentX(a[0] + off);
                target.SetCurrentY(a[1] - off);
            } else {
                target.SetCurrentX(a[0]);
                target.SetCurrentY(a[1]);
            }
            if (item.Number &&
                NumberCovers(target, item.Text, target.CurrentX(), target.CurrentY()))
                break;
            target.Print(item.Text);
            break;
        case ItemKind::Dot:
            target.Dot(a[0], a[1], item.ForeColor);
            break;
        case ItemKind::Shape:
            target.Dot(a[0], a[1], item.ForeColor);
            for (const auto& p : scratch_) target.LineTo(p[0], p[1], item.ForeColor);
            if (item.Closed) target.LineTo(a[0], a[1], item.ForeColor);
            break;
    }
}

}  // namespace view3d
