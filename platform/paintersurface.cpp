#include "platform/paintersurface.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPolygonF>
#include <QStringList>

#include "platform/qtcolor.h"
#include "platform/twips.h"
#include "platform/usermapping.h"

namespace platform {

namespace {

constexpr int kMaxDrawWidth = 100;

// A w x w square whose pixel (w - 1) / 2 from its left and top edges is (ix, iy), as
// the picture box sets a dot.
QRectF DotSquare(int ix, int iy, int w) {
    return QRectF(ix - (w - 1) / 2, iy - (w - 1) / 2, w, w);
}

}  // namespace

PainterSurface::PainterSurface(QPainter& painter, QSize size, const QFont& font, double textDpi)
    : painter_(painter),
      size_(std::max(size.width(), 1), std::max(size.height(), 1)),
      font_(font),
      textDpi_(textDpi > 0.0 ? textDpi : ScreenDpi()) {
    // Until SetScale: twips from the top-left corner, as in a picture box.
    width_ = size_.width() * 1440.0 / textDpi_;
    height_ = size_.height() * 1440.0 / textDpi_;
    painter_.setRenderHint(QPainter::Antialiasing, false);
}

PainterSurface::~PainterSurface() = default;

QFont PainterSurface::TextFont(double points) const {
    // Sized so that one point is textDpi / 72 logical pixels on any device.
    QFont f = font_;
    const QPaintDevice* device = painter_.device();
    const double deviceDpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 72.0;
    f.setPointSizeF(std::max(points, 1.0) * textDpi_ / deviceDpi);
    return f;
}

double PainterSurface::PixelX(double x) const {
    return (x - left_) * size_.width() / width_;
}

double PainterSurface::PixelY(double y) const {
    return (y - top_) * size_.height() / height_;
}

void PainterSurface::SetScale(double left, double top, double width, double height) {
    if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(width) ||
        !std::isfinite(height) || width == 0.0 || height == 0.0)
        return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

double PainterSurface::ScaleLeft() const {
    return left_;
}
double PainterSurface::ScaleTop() const {
    return top_;
}
double PainterSurface::ScaleWidth() const {
    return width_;
}
double PainterSurface::ScaleHeight() const {
    return height_;
}
Color PainterSurface::ForeColor() const {
    return fore_;
}
void PainterSurface::SetForeColor(Color c) {
    fore_ = c;
}
Color PainterSurface::FillColor() const {
    return fill_;
}
void PainterSurface::SetFillColor(Color c) {
    fill_ = c;
}
Color PainterSurface::BackColor() const {
    return back_;
}

void PainterSurface::SetBackColor(Color c) {
    back_ = c;
    Clear();
}

int PainterSurface::DrawWidth() const {
    return drawWidth_;
}
void PainterSurface::SetDrawWidth(int w) {
    drawWidth_ = std::clamp(w, 1, kMaxDrawWidth);
}
int PainterSurface::FillStyle() const {
    return fillStyle_;
}
void PainterSurface::SetFillStyle(int s) {
    fillStyle_ = s;
}
double PainterSurface::FontSize() const {
    return fontSize_;
}
void PainterSurface::SetFontSize(double points) {
    if (std::isfinite(points) && points > 0.0) fontSize_ = points;
}
double PainterSurface::CurrentX() const {
    return currentX_;
}
double PainterSurface::CurrentY() const {
    return currentY_;
}
void PainterSurface::SetCurrentX(double x) {
    currentX_ = x;
}
void PainterSurface::SetCurrentY(double y) {
    currentY_ = y;
}

void PainterSurface::Line(double x1, double y1, double x2, double y2, Color c) {
    currentX_ = x2;
    currentY_ = y2;
    double ax = PixelX(x1), ay = PixelY(y1), bx = PixelX(x2), by = PixelY(y2);
    if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by))
        return;
    const double margin = drawWidth_ + 2.0;
    if (!ClipSegment(ax, ay, bx, by, -margin, -margin, size_.width() + margin,
                     size_.height() + margin))
        return;
    // Through the centres of the end pixels, both included, as the picture box draws.
    QPen pen(ToQColor(c));
    pen.setWidth(drawWidth_);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(pen);
    painter_.drawLine(QPointF(PixelFloor(ax) + 0.5, PixelFloor(ay) + 0.5),
                      QPointF(PixelFloor(bx) + 0.5, PixelFloor(by) + 0.5));
}

void PainterSurface::LineTo(double x, double y, Color c) {
    Line(currentX_, currentY_, x, y, c);
}

void PainterSurface::Circle(double x, double y, double r, Color c) {
    currentX_ = x;
    currentY_ = y;
    const double px = PixelX(x);
    const double py = PixelY(y);
    const double radius = std::abs(r * size_.width() / width_);
    if (!NearPixel(px, py) || !std::isfinite(radius) || radius > kFarAwayPixels) return;
    QPen pen(ToQColor(c));
    pen.setWidth(drawWidth_);
    painter_.setPen(pen);
    static const Qt::BrushStyle kFill[] = {Qt::SolidPattern, Qt::NoBrush,         Qt::HorPattern,
                                           Qt::VerPattern,   Qt::BDiagPattern,    Qt::FDiagPattern,
                                           Qt::CrossPattern, Qt::DiagCrossPattern};
    const Qt::BrushStyle style =
        fillStyle_ >= 0 && fillStyle_ < 8 ? kFill[fillStyle_] : Qt::NoBrush;
    painter_.setBrush(style == Qt::NoBrush ? QBrush() : QBrush(ToQColor(fill_), style));
    painter_.drawEllipse(QPointF(PixelFloor(px) + 0.5, PixelFloor(py) + 0.5), radius, radius);
    painter_.setBrush(QBrush());
}

void PainterSurface::Dot(double x, double y, Color c) {
    Dots(&x, &y, 1, c);
}

void PainterSurface::Dots(const double* xs, const double* ys, int count, Color c) {
    if (count <= 0) return;
    currentX_ = xs[count - 1];
    currentY_ = ys[count - 1];
    const int w = drawWidth_;
    const double kx = size_.width() / width_;
    const double ky = size_.height() / height_;
    const double margin = w + 1.0;
    std::vector<QRectF> squares;
    squares.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double px = (xs[i] - left_) * kx;
        const double py = (ys[i] - top_) * ky;
        // Dots off the picture are not drawn at all (a vector picture would keep them).
        if (!NearPixel(px, py) || px < -margin || py < -margin || px > size_.width() + margin ||
            py > size_.height() + margin)
            continue;
        squares.push_back(DotSquare(PixelFloor(px), PixelFloor(py), w));
    }
    // One call for the whole row: filled squares without an outline.
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(ToQColor(c));
    painter_.drawRects(squares.data(), static_cast<int>(squares.size()));
    painter_.setBrush(QBrush());
}

void PainterSurface::Polyline(const double* xs, const double* ys, int count, Color c) {
    if (count <= 0) return;
    currentX_ = xs[count - 1];
    currentY_ = ys[count - 1];
    QPolygonF points;
    points.reserve(count);
    const double kx = size_.width() / width_;
    const double ky = size_.height() / height_;
    for (int i = 0; i < count; ++i) {
        const double px = (xs[i] - left_) * kx;
        const double py = (ys[i] - top_) * ky;
        if (NearPixel(px, py)) points.append(QPointF(px, py));
    }
    if (points.isEmpty()) return;
    QPen pen(ToQColor(c));
    pen.setWidthF(drawWidth_);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter_.setPen(pen);
    painter_.setBrush(QBrush());
    if (points.size() == 1)
        painter_.drawPoint(points.front());
    else
        painter_.drawPolyline(points);
}

void PainterSurface::Print(const std::string& text) {
    const QStringList lines = QString::fromStdString(text).split(QLatin1Char('\n'));
    const QFont f = TextFont(fontSize_);
    const QFontMetricsF fm(f, painter_.device());
    const double ox = PixelX(currentX_);
    const double oy = PixelY(currentY_);
    if (NearPixel(ox, oy)) {
        painter_.setFont(f);
        painter_.setPen(ToQColor(fore_));
        for (int i = 0; i < lines.size(); ++i) {
            QString line = lines[i];
            if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
            painter_.drawText(QPointF(ox, oy + fm.ascent() + i * fm.height()), line);
        }
    }
    currentY_ += lines.size() * fm.height() * height_ / size_.height();
}

void PainterSurface::Clear() {
    painter_.fillRect(QRectF(0, 0, size_.width(), size_.height()), ToQColor(back_));
    currentX_ = 0.0;
    currentY_ = 0.0;
}

double PainterSurface::TextHeight(const std::string& text) const {
    const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    const QFontMetricsF fm(TextFont(fontSize_), painter_.device());
    return lines * fm.height() * std::abs(height_) / size_.height();
}

double PainterSurface::TextHeightTwips(double fontSize) const {
    const QFontMetricsF fm(TextFont(fontSize), painter_.device());
    return fm.height() * 1440.0 / textDpi_;
}

double PainterSurface::TextWidth(const std::string& text) const {
    const QFontMetricsF fm(TextFont(fontSize_), painter_.device());
    double widest = 0.0;
    for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest * std::abs(width_) / size_.width();
}

}  // namespace platform
