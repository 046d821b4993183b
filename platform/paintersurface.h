#pragma once
// PainterSurface: a platform::Surface that draws through a QPainter onto any paint
// device (an image, an SVG generator, a PDF writer, a printer page), with the picture
// box's mapping: user coordinates set by SetScale (a negative height makes y grow
// upwards) span a picture of `size` logical pixels, points land on the same pixels as
// in a PictureBox of that size, and text is as large as on the screen (font sizes in
// points at the screen's logical DPI, whatever the device's resolution).
//
// The painter must be active; its transform maps the logical pixels onto the device
// (identity for an image of the picture's size). Defaults are those of a picture box:
// back colour white, fore and fill colour black, draw width 1, fill style 1
// (transparent), font size 9 points. Nothing is drawn until asked: the caller clears
// the picture (SetBackColor or Clear) when the device does not start blank.
//
// Curves: Dots draws a row of dots as the picture box does (w x w squares, for raster
// pictures that look as on the screen); Polyline draws the same points joined as one
// line, which a vector device (SVG, PDF) keeps as one path. CurvesAsLines() tells
// drawing code which of the two the picture wants.
#include <QFont>
#include <QSize>
#include <QString>

#include "platform/surface.h"

class QPainter;

namespace platform {

class PainterSurface : public Surface {
  public:
    // textDpi: the resolution at which font sizes in points become logical pixels
    // (0: the screen's logical DPI).
    PainterSurface(QPainter& painter, QSize size, const QFont& font = QFont(),
                   double textDpi = 0.0);
    ~PainterSurface() override;
    PainterSurface(const PainterSurface&) = delete;
    PainterSurface& operator=(const PainterSurface&) = delete;

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

    // A row of dots of the draw width; the current position becomes the last point.
    void Dots(const double* xs, const double* ys, int count, Color c);
    // The points joined in order as one line of the draw width; points that are not
    // finite or lie very far outside are left out. The current position becomes the
    // last point.
    void Polyline(const double* xs, const double* ys, int count, Color c);
    // Whether curves should be drawn with Polyline rather than Dots (default false).
    [[nodiscard]] bool CurvesAsLines() const { return curvesAsLines_; }
    void SetCurvesAsLines(bool lines) { curvesAsLines_ = lines; }

    // Width of the longest line of text at the current font size, in user units.
    [[nodiscard]] double TextWidth(const std::string& text) const override;
    // The picture's size in logical pixels.
    [[nodiscard]] QSize Size() const { return size_; }

  private:
    [[nodiscard]] QFont TextFont(double points) const;
    [[nodiscard]] double PixelX(double x) const;
    [[nodiscard]] double PixelY(double y) const;

    QPainter& painter_;
    QSize size_;
    QFont font_;
    double textDpi_;
    double left_ = 0.0;
    double top_ = 0.0;
    double width_ = 1.0;
    double height_ = 1.0;
    Color fore_ = 0;
    Color fill_ = 0;
    Color back_ = 0xFFFFFF;
    int drawWidth_ = 1;
    int fillStyle_ = 1;
    double fontSize_ = 9.0;
    double currentX_ = 0.0;
    double currentY_ = 0.0;
    bool curvesAsLines_ = false;
};

}  // namespace platform
