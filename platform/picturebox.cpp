#include "platform/picturebox.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include "platform/qtcolor.h"
#include "platform/twips.h"

namespace platform {

namespace {

constexpr int kMaxDrawWidth = 100;

QRgb ToQRgb(Color c) {
    return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

// Direct pixel access to an RGB32 image.
class PixelWriter {
  public:
    explicit PixelWriter(QImage& image)
        : bits_(image.bits()),
          stride_(image.bytesPerLine()),
          width_(image.width()),
          height_(image.height()) {}

    // A w x w square whose pixel (w-1)/2 from the left and top is (ix, iy).
    void Square(int ix, int iy, int w, QRgb rgb) {
        if (w == 1) {
            if (ix >= 0 && iy >= 0 && ix < width_ && iy < height_) Row(iy)[ix] = rgb;
            return;
        }
        const int x0 = std::max(ix - (w - 1) / 2, 0);
        const int y0 = std::max(iy - (w - 1) / 2, 0);
        const int x1 = std::min(ix - (w - 1) / 2 + w, width_);
        const int y1 = std::min(iy - (w - 1) / 2 + w, height_);
        for (int y = y0; y < y1; ++y) {
            QRgb* row = Row(y);
            for (int x = x0; x < x1; ++x) row[x] = rgb;
        }
    }

    // Bresenham line between two pixels, both included, stamped with w x w squares.
    void Segment(int xa, int ya, int xb, int yb, int w, QRgb rgb) {
        const int dx = std::abs(xb - xa);
        const int dy = -std::abs(yb - ya);
        const int sx = xa < xb ? 1 : -1;
        const int sy = ya < yb ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Square(xa, ya, w, rgb);
            if (xa == xb && ya == yb) break;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                xa += sx;
            }
            if (e2 <= dx) {
                err += dx;
                ya += sy;
            }
        }
    }

  private:
    QRgb* Row(int y) {
        return reinterpret_cast<QRgb*>(bits_ + static_cast<qsizetype>(y) * stride_);
    }

    uchar* bits_;
    qsizetype stride_;
    int width_;
    int height_;
};

bool Near(double px, double py) {
    return NearPixel(px, py);
}

}  // namespace

struct PictureBox::State {
    QImage image;
    UserScale scale;
    bool userScale = false;
    Color fore = RGB(0, 0, 0);
    Color fill = RGB(0, 0, 0);
    Color back = RGB(255, 255, 255);
    int drawWidth = 1;
    int fillStyle = 1;
    double fontSize = 9.0;
    double currentX = 0.0;
    double currentY = 0.0;
    bool keepOnResize = true;
    bool updatePending = false;
};

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), d_(new State) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

PictureBox::~PictureBox() {
    delete d_;
}

void PictureBox::EnsureImage() const {
    const QSize want(std::max(width(), 1), std::max(height(), 1));
    if (d_->image.size() == want) return;
    QImage fresh(want, QImage::Format_RGB32);
    const int dpm = static_cast<int>(std::lround(ScreenDpi() / 0.0254));
    fresh.setDotsPerMeterX(dpm);
    fresh.setDotsPerMeterY(dpm);
    fresh.fill(ToQColor(d_->back));
    if (d_->keepOnResize && !d_->image.isNull()) {
        const int w = std::min(fresh.width(), d_->image.width());
        const int h = std::min(fresh.height(), d_->image.height());
        for (int y = 0; y < h; ++y)
            std::memcpy(fresh.scanLine(y), d_->image.constScanLine(y), sizeof(QRgb) * w);
    }
    d_->image = std::move(fresh);
}

void PictureBox::MarkDirty() {
    if (d_->updatePending || !isVisible()) return;
    d_->updatePending = true;
    update();
}

QFont PictureBox::TextFont(double points) const {
    QFont f = font();
    f.setPointSizeF(points > 0.0 ? points : 1.0);
    return f;
}

void PictureBox::SetScale(double left, double top, double width, double height) {
    if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(width) ||
        !std::isfinite(height) || width == 0.0 || height == 0.0)
        return;
    d_->scale = UserScale{left, top, width, height};
    d_->userScale = true;
}

UserScale PictureBox::Scale() const {
    if (d_->userScale) return d_->scale;
    EnsureImage();
    return UserScale{0.0, 0.0, PixelsToTwips(d_->image.width()), PixelsToTwips(d_->image.height())};
}

double PictureBox::ScaleLeft() const {
    return Scale().left;
}
double PictureBox::ScaleTop() const {
    return Scale().top;
}
double PictureBox::ScaleWidth() const {
    return Scale().width;
}
double PictureBox::ScaleHeight() const {
    return Scale().height;
}

Color PictureBox::ForeColor() const {
    return d_->fore;
}
void PictureBox::SetForeColor(Color c) {
    d_->fore = c;
}
Color PictureBox::FillColor() const {
    return d_->fill;
}
void PictureBox::SetFillColor(Color c) {
    d_->fill = c;
}
Color PictureBox::BackColor() const {
    return d_->back;
}

void PictureBox::SetBackColor(Color c) {
    d_->back = c;
    Clear();
}

int PictureBox::DrawWidth() const {
    return d_->drawWidth;
}
void PictureBox::SetDrawWidth(int w) {
    d_->drawWidth = std::clamp(w, 1, kMaxDrawWidth);
}
int PictureBox::FillStyle() const {
    return d_->fillStyle;
}
void PictureBox::SetFillStyle(int s) {
    d_->fillStyle = s;
}
double PictureBox::FontSize() const {
    return d_->fontSize;
}

void PictureBox::SetFontSize(double points) {
    if (std::isfinite(points) && points > 0.0) d_->fontSize = points;
}

double PictureBox::CurrentX() const {
    return d_->currentX;
}
double PictureBox::CurrentY() const {
    return d_->currentY;
}
void PictureBox::SetCurrentX(double x) {
    d_->currentX = x;
}
void PictureBox::SetCurrentY(double y) {
    d_->currentY = y;
}

QPointF PictureBox::ToPixel(double x, double y) const {
    EnsureImage();
    return UserToPixel(Scale(), d_->image.width(), d_->image.height(), x, y);
}

QPointF PictureBox::ToUser(QPointF pixel) const {
    EnsureImage();
    return PixelToUser(Scale(), d_->image.width(), d_->image.height(), pixel);
}

void PictureBox::Line(double x1, double y1, double x2, double y2, Color c) {
    d_->currentX = x2;
    d_->currentY = y2;
    QPointF a = ToPixel(x1, y1);
    QPointF b = ToPixel(x2, y2);
    double ax = a.x(), ay = a.y(), bx = b.x(), by = b.y();
    if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by))
        return;
    const double margin = d_->drawWidth + 2.0;
    if (!ClipSegment(ax, ay, bx, by, -margin, -margin, d_->image.width() + margin,
                     d_->image.height() + margin))
        return;
    PixelWriter(d_->image).Segment(PixelFloor(ax), PixelFloor(ay), PixelFloor(bx), PixelFloor(by),
                                   d_->drawWidth, ToQRgb(c));
    MarkDirty();
}

void PictureBox::LineTo(double x, double y, Color c) {
    Line(d_->currentX, d_->currentY, x, y, c);
}

void PictureBox::Circle(double x, double y, double r, Color c) {
    d_->currentX = x;
    d_->currentY = y;
    const UserScale s = Scale();
    const QPointF centre = ToPixel(x, y);
    const double radius = std::abs(r * d_->image.width() / s.width);
    if (!Near(centre.x(), centre.y()) || !std::isfinite(radius) || radius > kFarAwayPixels) return;
    const QPoint pixel = PixelIndex(centre);
    QPainter p(&d_->image);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(ToQColor(c));
    pen.setWidth(d_->drawWidth);
    p.setPen(pen);
    static const Qt::BrushStyle kFill[] = {Qt::SolidPattern, Qt::NoBrush,         Qt::HorPattern,
                                           Qt::VerPattern,   Qt::BDiagPattern,    Qt::FDiagPattern,
                                           Qt::CrossPattern, Qt::DiagCrossPattern};
    const Qt::BrushStyle style =
        d_->fillStyle >= 0 && d_->fillStyle < 8 ? kFill[d_->fillStyle] : Qt::NoBrush;
    p.setBrush(style == Qt::NoBrush ? QBrush() : QBrush(ToQColor(d_->fill), style));
    p.drawEllipse(QPointF(pixel.x() + 0.5, pixel.y() + 0.5), radius, radius);
    MarkDirty();
}

void PictureBox::Dot(double x, double y, Color c) {
    d_->currentX = x;
    d_->currentY = y;
    const QPointF p = ToPixel(x, y);
    if (!Near(p.x(), p.y())) return;
    PixelWriter(d_->image).Square(PixelFloor(p.x()), PixelFloor(p.y()), d_->drawWidth, ToQRgb(c));
    MarkDirty();
}

void PictureBox::Dots(const double* xs, const double* ys, int count, Color c) {
    if (count <= 0) return;
    d_->currentX = xs[count - 1];
    d_->currentY = ys[count - 1];
    EnsureImage();
    const UserScale s = Scale();
    const double kx = d_->image.width() / s.width;
    const double ky = d_->image.height() / s.height;
    const QRgb rgb = ToQRgb(c);
    const int w = d_->drawWidth;
    PixelWriter out(d_->image);
    for (int i = 0; i < count; ++i) {
        const double px = (xs[i] - s.left) * kx;
        const double py = (ys[i] - s.top) * ky;
        if (!Near(px, py)) continue;
        out.Square(PixelFloor(px), PixelFloor(py), w, rgb);
    }
    MarkDirty();
}

void PictureBox::Print(const std::string& text) {
    EnsureImage();
    const QStringList lines = QString::fromStdString(text).split(QLatin1Char('\n'));
    const QFont f = TextFont(d_->fontSize);
    const QFontMetricsF fm(f, &d_->image);
    const QPointF origin = ToPixel(d_->currentX, d_->currentY);
    if (Near(origin.x(), origin.y())) {
        QPainter p(&d_->image);
        p.setFont(f);
        p.setPen(ToQColor(d_->fore));
        for (int i = 0; i < lines.size(); ++i) {
            QString line = lines[i];
            if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
            p.drawText(QPointF(origin.x(), origin.y() + fm.ascent() + i * fm.height()), line);
        }
        MarkDirty();
    }
    d_->currentY += lines.size() * fm.height() * Scale().height / d_->image.height();
}

void PictureBox::Clear() {
    EnsureImage();
    d_->image.fill(ToQColor(d_->back));
    d_->currentX = 0.0;
    d_->currentY = 0.0;
    MarkDirty();
}

double PictureBox::TextHeight(const std::string& text) const {
    EnsureImage();
    const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    const QFontMetricsF fm(TextFont(d_->fontSize), &d_->image);
    return lines * fm.height() * std::abs(Scale().height) / d_->image.height();
}

double PictureBox::TextWidth(const std::string& text) const {
    EnsureImage();
    const QFontMetricsF fm(TextFont(d_->fontSize), &d_->image);
    double widest = 0.0;
    for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest * std::abs(Scale().width) / d_->image.width();
}

void PictureBox::Polyline(const double* xs, const double* ys, int count, Color c) {
    bool open = false;  // a point to go on from
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(xs[i]) || !std::isfinite(ys[i])) {
            open = false;
            continue;
        }
        if (open)
            LineTo(xs[i], ys[i], c);
        else
            d_->currentX = xs[i], d_->currentY = ys[i];
        open = true;
    }
}

double PictureBox::TextHeightTwips(double fontSize) const {
    EnsureImage();
    const QFontMetricsF fm(TextFont(fontSize), &d_->image);
    return fm.height() * 1440.0 / d_->image.logicalDpiY();
}

const QImage& PictureBox::Image() const {
    EnsureImage();
    return d_->image;
}

void PictureBox::SetKeepDrawingOnResize(bool keep) {
    d_->keepOnResize = keep;
}

void PictureBox::paintEvent(QPaintEvent* event) {
    d_->updatePending = false;
    EnsureImage();
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), d_->image, event->rect());
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    EnsureImage();
    QWidget::resizeEvent(event);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF u = ToUser(event->position());
    emit MouseMoved(u.x(), u.y(), event->buttons());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPointF u = ToUser(event->position());
    emit MousePressed(u.x(), u.y(), event->button());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF u = ToUser(event->position());
    emit MouseReleased(u.x(), u.y(), event->button());
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPointF u = ToUser(event->position());
    emit DoubleClicked(u.x(), u.y());
}

}  // namespace platform
