#pragma once
// A drawing surface with a user coordinate system, in the manner of a picture box:
// colours, draw width, fill style, font size, a current position, and line, circle,
// point and text output in user coordinates. Plain C++ so that drawing code (the
// display list of the view, the result graphs) can be tested against a recording
// fake; platform::PictureBox is the Qt implementation.
#include <cstdint>
#include <string>

namespace platform {

// Colour value red + 256 * green + 65536 * blue.
using Color = std::int32_t;
constexpr Color RGB(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}
constexpr int RedOf(Color c) {
    return c & 0xFF;
}
constexpr int GreenOf(Color c) {
    return (c >> 8) & 0xFF;
}
constexpr int BlueOf(Color c) {
    return (c >> 16) & 0xFF;
}

class Surface {
  public:
    virtual ~Surface() = default;

    // User coordinate system: the left and top edges and the extent of the drawing
    // area; a negative height makes y grow upwards.
    virtual void SetScale(double left, double top, double width, double height) = 0;
    [[nodiscard]] virtual double ScaleLeft() const = 0;
    [[nodiscard]] virtual double ScaleTop() const = 0;
    [[nodiscard]] virtual double ScaleWidth() const = 0;
    [[nodiscard]] virtual double ScaleHeight() const = 0;

    [[nodiscard]] virtual Color ForeColor() const = 0;
    virtual void SetForeColor(Color c) = 0;
    [[nodiscard]] virtual Color FillColor() const = 0;
    virtual void SetFillColor(Color c) = 0;
    [[nodiscard]] virtual Color BackColor() const = 0;
    virtual void SetBackColor(Color c) = 0;           // also clears the drawing
    [[nodiscard]] virtual int DrawWidth() const = 0;  // pixels, at least 1
    virtual void SetDrawWidth(int w) = 0;
    [[nodiscard]] virtual int FillStyle() const = 0;  // 0 solid, 1 transparent (default)
    virtual void SetFillStyle(int s) = 0;
    [[nodiscard]] virtual double FontSize() const = 0;  // points
    virtual void SetFontSize(double points) = 0;

    // Current position in user coordinates; drawing operations move it.
    [[nodiscard]] virtual double CurrentX() const = 0;
    [[nodiscard]] virtual double CurrentY() const = 0;
    virtual void SetCurrentX(double x) = 0;
    virtual void SetCurrentY(double y) = 0;

    // Line from (x1, y1) to (x2, y2) in colour c with the draw width; the current
    // position becomes (x2, y2).
    virtual void Line(double x1, double y1, double x2, double y2, Color c) = 0;
    // Line from the current position to (x, y); the current position becomes (x, y).
    virtual void LineTo(double x, double y, Color c) = 0;
    // Circle about (x, y) with radius r in user units measured along x; the current
    // position becomes (x, y).
    virtual void Circle(double x, double y, double r, Color c) = 0;
    // A dot of the draw width at (x, y) in colour c; the current position becomes (x, y).
    virtual void Dot(double x, double y, Color c) = 0;
    // Text (UTF-8) with its top-left corner at the current position in the fore colour
    // and font size; afterwards CurrentY moves down one text line and CurrentX returns
    // to the x where the text started.
    virtual void Print(const std::string& text) = 0;
    // Clears to the back colour; the current position goes to the user origin (0, 0).
    virtual void Clear() = 0;

    // Width of the longest line of text at the current font size, in user units; 0 where
    // the surface does not measure text.
    [[nodiscard]] virtual double TextWidth(const std::string& /*text*/) const { return 0.0; }
    // Height of one line of text at the current font size, in user units and in twips.
    [[nodiscard]] virtual double TextHeight(const std::string& text) const = 0;
    [[nodiscard]] virtual double TextHeightTwips(double fontSize) const = 0;
};

}  // namespace platform
