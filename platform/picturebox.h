#pragma once
// A picture box: a widget that is a platform::Surface. Drawing goes into a
// member image that paintEvent copies, so it persists until cleared.
#include <QImage>
#include <QPointF>
#include <QWidget>

#include "platform/surface.h"

namespace platform {

// Mapping between a user coordinate system and the pixels of a w x h image: user
// (left, top) is the centre of pixel (0, 0)'s top-left corner, (left + width,
// top + height) the bottom-right corner of the image.
struct UserScale {
    double left = 0.0;
    double top = 0.0;
    double width = 1.0;
    double height = 1.0;
};
QPointF UserToPixel(const UserScale& s, int pixelWidth, int pixelHeight, double x, double y);
QPointF PixelToUser(const UserScale& s, int pixelWidth, int pixelHeight, QPointF pixel);

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
    void PSet(double x, double y, Color c) override;
    void Print(const std::string& text) override;
    void Cls() override;
    [[nodiscard]] double TextHeight(const std::string& text) const override;
    [[nodiscard]] double TextHeightTwips(double fontSize) const override;

    // Many PSet calls in a row (a curve of dots) without per-call overhead.
    void PSetMany(const double* xs, const double* ys, int count, Color c);

    [[nodiscard]] UserScale Scale() const;
    [[nodiscard]] QPointF ToPixel(double x, double y) const;
    [[nodiscard]] QPointF ToUser(QPointF pixel) const;
    // The persistent drawing, as shown.
    [[nodiscard]] const QImage& Image() const;

    // When true (the default) a resize keeps what was drawn, placed at the top left;
    // when false a resize starts from a clear picture.
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
    struct State;
    State* d_;
};

}  // namespace platform
