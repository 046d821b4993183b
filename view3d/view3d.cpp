#include "view3d/view3d.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "numeric/constants.h"
#include "numeric/failure.h"

namespace view3d {

Mat44 Identity44() {
    Mat44 m{};
    for (int i = 0; i < 4; ++i) m[i][i] = 1.0;
    return m;
}

void zzMatMulMat44(Mat44& C, const Mat44& a, const Mat44& B) {
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

View3D::View3D()
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

platform::Surface& View3D::Pic1() const {
    if (pic1_ == nullptr) throw std::logic_error("the view has no picture");
    return *pic1_;
}

void View3D::SetPictureSize(double width, double height) {
    picWidth_ = width;
    picHeight_ = height;
    textOffsetCache_ = {};  // a unit of the picture now spans other pixels
}

// ---------------------------------------------------------------------------
// View transformation

bool View3D::TransForm(Vec3& Yv, const Vec3& Xv) const {
    const Mat44& m = ViewMatrix;
    const double w = Xv[0] * m[0][3] + Xv[1] * m[1][3] + Xv[2] * m[2][3] + m[3][3];
    if (!(w > 0.0)) {
        Yv = {0.0, 0.0, 0.0};
        return false;
    }
    for (int i = 0; i < 3; ++i)
        Yv[i] = (Xv[0] * m[0][i] + Xv[1] * m[1][i] + Xv[2] * m[2][i] + m[3][i]) / w;
    return true;
}

void View3D::Compose() {
    Mat44 scratch;
    zzMatMulMat44(scratch, MoveMatrix, DepthMatrix);
    zzMatMulMat44(ViewMatrix, RotYMatrix, scratch);
    zzMatMulMat44(scratch, RotXMatrix, ViewMatrix);
    zzMatMulMat44(ViewMatrix, RotZMatrix, scratch);
}

void View3D::RebuildRotation(int axis) {
    const Mat44 r = RotationMatrix(axis, ViewAngle[axis]);
    if (axis == 0) RotXMatrix = r;
    if (axis == 1) RotYMatrix = r;
    if (axis == 2) RotZMatrix = r;
}

void View3D::RebuildView() {
    MoveMatrix = Identity44();
    for (int k = 0; k < 3; ++k) MoveMatrix[3][k] = ViewShift[k];
    DepthMatrix = Identity44();
    DepthMatrix[2][2] = 0.0;
    DepthMatrix[2][3] = ViewDepth;
    for (int k = 0; k < 3; ++k) RebuildRotation(k);
    Compose();
}

void View3D::Rotate(int axis, double angle) {
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
    zzMatMulMat44(scratch, t, ViewMatrix);
    ViewMatrix = scratch;
}

void View3D::Shift(int axis, double amount) {
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
    zzMatMulMat44(scratch, t, ViewMatrix);
    ViewMatrix = scratch;
}

void View3D::SetDepth(double depth) {
    ViewDepth = depth;
    if (objectMode_) return;  // takes effect at the next RebuildView
    DepthMatrix[2][2] = 0.0;
    DepthMatrix[2][3] = depth;
    Compose();
}

void View3D::SetScreen(double Xmin, double Xmax, double Ymin, double Ymax) {
    extent_ = {Xmin, Xmax, Ymin, Ymax};
    const double dx = Xmax - Xmin;
    const double dy = Ymax - Ymin;
    double W = 0.0;
    double H = 0.0;
    if (dy > dx) {
        H = 2.0 * dy;
        W = H * (picWidth_ / picHeight_);
    } else {
        W = 2.0 * dx;
        H = W * (picHeight_ / picWidth_);
    }
    // An empty extent (W = 0) or one that was never widened by a point (Xmin > Xmax,
    // W < 0) keeps the present scale; a negative one would mirror the picture.
    if (W > 0.0) Pic1().SetScale((Xmin + Xmax) / 2 - W / 2, (Ymin + Ymax) / 2 + H / 2, W, -H);
    DrawAxes();
}

void View3D::SetScreenAgain() {
    SetScreen(extent_[0], extent_[1], extent_[2], extent_[3]);
}

void View3D::TransMatDefault() {
    Updating = true;
    for (int k = 0; k < 3; ++k) SetScrollAngl(k, 0);
    for (int k = 0; k < 3; ++k) SetScrollSlide(k, 0);
    SetScrollAngl(0, 10);
    SetScrollAngl(1, -20);
    SetScrollSlide(2, 10);
    SetScrollDisp(-20);
    Updating = false;
    RebuildView();
}

void View3D::TransMatorigin() {
    Updating = true;
    for (int k = 0; k < 3; ++k) SetScrollAngl(k, 0);
    for (int k = 0; k < 3; ++k) SetScrollSlide(k, 0);
    SetScrollDisp(0);
    Updating = false;
    RebuildView();
}

// ---------------------------------------------------------------------------
// Sliders and buttons

void View3D::SetScrollAngl(int axis, int degrees) {
    CheckAxis(axis);
    degrees = std::clamp(degrees, kAngleMin, kAngleMax);
    if (degrees == scrollAngl_[axis]) return;
    scrollAngl_[axis] = degrees;
    AngleChanged(axis);
}

void View3D::SetScrollSlide(int axis, int value) {
    CheckAxis(axis);
    value = std::clamp(value, kSlideMin, kSlideMax);
    if (value == scrollSlide_[axis]) return;
    scrollSlide_[axis] = value;
    SlideChanged(axis);
}

void View3D::SetScrollDisp(int value) {
    value = std::clamp(value, kDispMin, kDispMax);
    if (value == scrollDisp_) return;
    scrollDisp_ = value;
    DispChanged();
}

void View3D::AngleChanged(int axis) {
    Rotate(axis, scrollAngl_[axis] * numeric::Pi / 180.0);
    NotifyControls();
    if (!Updating) Redraw();
}

void View3D::SlideChanged(int axis) {
    // A shift of the full slider is twice the picture's width, at its present scale.
    const double amount = Pic1().ScaleWidth() * 2.0 / kSlideMax * scrollSlide_[axis];
    Shift(axis, amount);
    NotifyControls();
    if (!Updating) Redraw();
}

void View3D::DispChanged() {
    SetDepth(scrollDisp_ * 0.005 / (kDispMax - kDispMin));
    NotifyControls();
    if (!Updating) Redraw();
}

std::string View3D::RotAngleCaption(int axis) const {
    return std::to_string(scrollAngl_[axis]) + "゜";
}

std::string View3D::SlideValueCaption(int axis) const {
    return std::to_string(scrollSlide_[axis]);
}

std::string View3D::DispValueCaption() const {
    return std::to_string(scrollDisp_);
}

void View3D::Command1Click() {
    TransMatorigin();
    Redraw();
}

void View3D::ButonRedrawClick() {
    Pic1().Clear();
    RebuildView();
    Redraw();
}

void View3D::NotifyControls() {
    if (ControlsChanged) ControlsChanged();
}

void View3D::NotifyPicture() {
    if (PictureChanged) PictureChanged();
}

// ---------------------------------------------------------------------------
// Display list

DrawItem& View3D::NewItem() {
    platform::Surface& pic = Pic1();
    DrawItem item;
    item.ForeColor = pic.ForeColor();
    item.FillColor = pic.FillColor();
    item.DrawWidth = pic.DrawWidth();
    item.FillStyle = pic.FillStyle();
    displayList_.push_back(std::move(item));
    return displayList_.back();
}

void View3D::FinishItem() {
    NowItem = ItemCount() - 1;
    ReplayItem(Pic1(), displayList_.back());
    NotifyPicture();
}

void View3D::DrwLine03D(const Vec3& Sx0, const Vec3& Sx1, Color Col, int Pen) {
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Line0;
    it.Point1 = Sx0;
    it.Point2 = Sx1;
    it.ForeColor = Col;
    it.DrawWidth = Pen;
    FinishItem();
}

void View3D::DrwLine13D(const Vec3& Sx0, Color Col, int Pen) {
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Line1;
    it.Point1 = Sx0;
    it.ForeColor = Col;
    it.DrawWidth = Pen;
    FinishItem();
}

void View3D::DrwCircle3D(const Vec3& Sx0, double R, Color Col) {
    const double radius = R > 0.0 ? R : -R * Pic1().ScaleWidth();
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Circle;
    it.Point1 = Sx0;
    it.ForeColor = Col;
    it.Radius = radius;
    FinishItem();
}

void View3D::DrwPset3D(const Vec3& Sx0) {
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Point;
    it.Point1 = Sx0;
    FinishItem();
}

void View3D::DrwPrint3D(const Vec3& Sx0, const std::string& text, Color Col, int Size) {
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Text;
    it.Point1 = Sx0;
    it.ForeColor = Col;
    it.Text = text;
    it.TextSize = Size;
    FinishItem();
}

void View3D::DrwMarks(int Mark, const Vec3& Sx0, int Dir, double Size, int Pw, Color Col) {
    if (Mark < 0 || Mark >= static_cast<int>(markShapes_.size()))
        throw numeric::ComputationFailure(numeric::kOutOfRange, "no such mark");
    const MarkShape& shape = markShapes_[Mark];
    const Mat3 R = AxisTurn(Dir, 1.0);
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Shape;
    it.ForeColor = Col;
    it.DrawWidth = Pw;
    it.PointCount = shape.PointCount;
    it.Closed = shape.Closed;
    it.Anchor = Sx0;
    it.ShapePoints.reserve(shape.Points.size());
    for (const Vec3& p : shape.Points) it.ShapePoints.push_back(PlaceShapePoint(p, Sx0, R, Size));
    FinishItem();
}

void View3D::DrwVector(const Vec3& Sx0, const Vec3& dVec, Color Col) {
    double len = 0.0;
    const Mat3 R = VectorFrame(dVec, len);  // raises for a zero vector, before any item
    const double head = 0.5 * len;
    const Vec3 tip{Sx0[0] + dVec[0], Sx0[1] + dVec[1], Sx0[2] + dVec[2]};
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Shape;
    it.Closed = false;
    it.DrawWidth = 2;
    it.ForeColor = Col;
    it.Anchor = Sx0;
    it.PointCount = 5;
    it.ShapePoints = {Sx0, tip, PlaceShapePoint(arrowHead_.Points[0], tip, R, head),
                      PlaceShapePoint(arrowHead_.Points[1], tip, R, head), tip};
    FinishItem();
}

void View3D::DrwAxiLine(int Dir, const Vec3& Sx0, double length, Color Col, int Pw) {
    Vec3 end{0.0, 0.0, 0.0};
    if (Dir >= 0 && Dir <= 2) {
        end = Sx0;
        end[Dir] += length;
    }
    DrawItem& it = NewItem();
    it.Kind = ItemKind::Shape;
    it.PointCount = 1;
    it.Closed = false;
    it.ForeColor = Col;
    it.DrawWidth = Pw;
    it.Anchor = Sx0;
    it.ShapePoints = {end};
    FinishItem();
}

Mat3 View3D::AxisTurn(int code, double s) {
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

Mat3 View3D::VectorFrame(const Vec3& d, double& len) {
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

Vec3 View3D::PlaceShapePoint(const Vec3& v, const Vec3& anchor, const Mat3& R, double size) {
    Vec3 out;
    for (int i = 0; i < 3; ++i)
        out[i] = anchor[i] + size * (R[i][0] * v[0] + R[i][1] * v[1] + R[i][2] * v[2]);
    return out;
}

int View3D::PenWidth() const {
    return Pic1().DrawWidth();
}

void View3D::SetPenWidth(int w) {
    Pic1().SetDrawWidth(w);
}

void View3D::ClearAll() {
    displayList_.clear();
    Pic1().Clear();
    NotifyPicture();
}

void View3D::AJustCopy(platform::Surface& target) {
    if (NowItem < 0 || NowItem >= ItemCount()) return;
    Copying = true;
    try {
        ReplayItem(target, displayList_[NowItem]);
    } catch (...) {
        Copying = false;
        throw;
    }
    Copying = false;
}

void View3D::Redraw() {
    platform::Surface& pic = Pic1();
    pic.Clear();
    for (const DrawItem& item : displayList_) ReplayItem(pic, item);
    DrawAxes();
    NotifyPicture();
}

void View3D::DrawAxes() {
    platform::Surface* pic = pic1_;
    if (pic == nullptr) return;
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
        if (!TransForm(a, from) || !TransForm(b, to)) continue;  // behind the eye
        pic->Line(a[0], a[1], b[0], b[1], axisColor);
        pic->SetCurrentX(b[0]);
        pic->SetCurrentY(b[1]);
        pic->Print(std::string(1, static_cast<char>('X' + k)));
    }
    pic->SetDrawWidth(width);
}

double View3D::TextOffset(platform::Surface& target, int size) {
    // Measuring text is slow; a redraw asks again and again for the same few sizes,
    // alternating between them (element numbers 11, axis labels 8).
    TextOffsetCache& c = textOffsetCache_;
    if (c.target != &target || c.scaleWidth != target.ScaleWidth() ||
        c.scaleHeight != target.ScaleHeight())
        c = {&target, target.ScaleWidth(), target.ScaleHeight(), {}, {}};
    const auto h = static_cast<std::size_t>(std::clamp(size - 6, 0, 10));
    if (!c.known[h]) {
        c.offset[h] = MeasureTextOffset(target, size);
        c.known[h] = true;
    }
    return c.offset[h];
}

double View3D::MeasureTextOffset(platform::Surface& target, int size) {
    const int h = std::clamp(size - 6, 0, 10);
    // Twips of one line at the reference size, converted to the target's picture units
    // through the line height at its current font size in both measures.
    const double twips = target.TextHeightTwips(6 + h);
    const double nowTwips = target.TextHeightTwips(target.FontSize());
    if (!(nowTwips > 0.0)) return 0.0;
    const double unitsPerTwip = std::fabs(target.TextHeight("0")) / nowTwips;
    return 0.2 * twips * unitsPerTwip;
}

void View3D::ReplayItem(platform::Surface& target, const DrawItem& item) {
    // Project first: an item with a point at or behind the eye is not drawn at all.
    Vec3 a;
    Vec3 b;
    switch (item.Kind) {
        case ItemKind::Line0:
            if (!TransForm(a, item.Point1) || !TransForm(b, item.Point2)) return;
            break;
        case ItemKind::Shape:
            if (!TransForm(a, item.Anchor)) return;
            scratch_.resize(item.ShapePoints.size());
            for (std::size_t i = 0; i < item.ShapePoints.size(); ++i) {
                if (!TransForm(b, item.ShapePoints[i])) return;
                scratch_[i] = {b[0], b[1]};
            }
            break;
        default:
            if (!TransForm(a, item.Point1)) return;
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
        case ItemKind::Line0:
            target.Line(a[0], a[1], b[0], b[1], item.ForeColor);
            break;
        case ItemKind::Line1:
            target.LineTo(a[0], a[1], item.ForeColor);
            break;
        case ItemKind::Circle:
            try {
                target.Circle(a[0], a[1], item.Radius, item.ForeColor);
            } catch (...) {
                // a circle that cannot be drawn is left out
            }
            break;
        case ItemKind::Text:
            target.SetDrawWidth(1);
            if (!Copying) {
                target.SetFontSize(item.TextSize);
                const double off = TextOffset(target, item.TextSize);
                target.SetCurrentX(a[0] + off);
                target.SetCurrentY(a[1] - off);
            } else {
                target.SetCurrentX(a[0]);
                target.SetCurrentY(a[1]);
            }
            target.Print(item.Text);
            break;
        case ItemKind::Point:
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
