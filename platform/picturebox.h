#pragma once
// A picture box: a widget that is a platform::Surface. Drawing goes into a
// member image that paintEvent copies, so it persists until cleared.
//
// Until SetScale is called the user coordinates are twips from the top-left corner
// (and follow the size of the widget); after SetScale they stay as set, so a resize
// stretches them. Defaults: back colour white, fore and fill colour black, draw width
// 1, fill style 1 (transparent), font size 9 points in the widget's font family.
//
// Pixels are exact: a point lands on the pixel that contains its pixel position
// (PixelIndex); lines and dots are drawn without antialiasing. A dot of width w is a
// w x w square whose pixel (w - 1) / 2 from its left and top edges is the point's
// pixel; lines include both end pixels and are stamped with such squares. Circles
// use the draw width for the outline and the fill colour and style inside
// (0 solid, 1 transparent, 2..7 hatch patterns). Drawing outside the picture is
// clipped; points with non-finite or enormous pixel positions are skipped. Print
// starts a further line at each "\n"; TextHeight is positive whatever the sign of
// ScaleHeight.
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QWidget>

#include "platform/surface.h"
#include "platform/usermapping.h"

namespace platform {

class PictureBox : public QWidget, public Surface {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    // Surface
    void SetScale(double left, double top, double width, double height) override;
    [[nodiscard]] double ScaleLeft() const override;
    [[nodiscard]] double ScaleTop() const override;
    [[nodiscard]] double ScaleWidth() const override;
    [[nodiscard]] double ScaleHeight() const override;
    [[nodiscard]] Color ForeColor() const override;
    void SetForeColor(Color c) override;
    [[nodiscard]] Color FillColor() const override;
    void SetFillColor(Color c) override;
    [[nodiscard]] Color BackColor() const override;
    void SetBackColor(Color c) override;
    [[nodiscard]] int DrawWidth() const override;
    void SetDrawWidth(int w) override;
    [[nodiscard]] int FillStyle() const override;
    void SetFillStyle(int s) override;
    [[nodiscard]] double FontSize() const override;
    void SetFontSize(double points) override;
    [[nodiscard]] double CurrentX() const override;
    [[nodiscard]] double CurrentY() const override;
    void SetCurrentX(double x) override;
    void SetCurrentY(double y) override;
    void Line(double x1, double y1, double x2, double y2, Color c) override;
    void LineTo(double x, double y, Color c) override;
    void Circle(double x, double y, double r, Color c) override;
    void Dot(double x, double y, Color c) override;
    void Print(const std::string& text) override;
    void Clear() override;
    [[nodiscard]] double TextHeight(const std::string& text) const override;
    [[nodiscard]] double TextHeightTwips(double fontSize) const override;
    [[nodiscard]] double TextWidth(const std::string& text) const override;

    // The points joined in order as one line of the draw width (points that are not
    // finite are left out); the current position becomes the last point.
    void Polyline(const double* xs, const double* ys, int count, Color c);
    // Many Dot calls in a row (a curve of dots) without per-call overhead; the
    // current position becomes the last point.
    void Dots(const double* xs, const double* ys, int count, Color c);

    [[nodiscard]] UserScale Scale() const;
    [[nodiscard]] QPointF ToPixel(double x, double y) const;
    [[nodiscard]] QPointF ToUser(QPointF pixel) const;
    // The persistent drawing, as shown (one image pixel per widget pixel).
    [[nodiscard]] const QImage& Image() const;

    // When true (the default) a resize keeps what was drawn, placed at the top left,
    // with new area in the back colour; when false a resize starts from a clear
    // picture. Neither moves the current position.
    void SetKeepDrawingOnResize(bool keep);

  signals:
    // Mouse events with positions in user coordinates.
    void MouseMoved(double x, double y, Qt::MouseButtons buttons);
    void MousePressed(double x, double y, Qt::MouseButton button);
    void MouseReleased(double x, double y, Qt::MouseButton button);
    void DoubleClicked(double x, double y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void EnsureImage() const;  // matches the image to the widget size
    void MarkDirty();          // schedules one repaint for any amount of drawing
    [[nodiscard]] QFont TextFont(double points) const;

    struct State;
    State* d_;
};

}  // namespace platform
