#pragma once
// A drawing surface that records what is drawn on it, for tests of the view's
// drawing without a window.
#include <string>
#include <vector>

#include "platform/surface.h"

namespace view3d::testing {

struct Op {
    char kind;              // 'L' line, 'T' line to, 'C' circle, 'P' point, 'S' text, 'X' clear
    double x1, y1, x2, y2;  // x1, y1: start or centre; x2, y2: end (r in x2 for circles)
    platform::Color color;
    int width;
    double fontSize;
    std::string text;
};

// Picture of 600 x 400 pixels, 15 twips to a pixel; one line of text is 20 twips per point.
class RecordingSurface : public platform::Surface {
  public:
    static constexpr int kPixelWidth = 600;
    static constexpr int kPixelHeight = 400;

    std::vector<Op> ops;
    double left = 0, top = 0, width = kPixelWidth, height = kPixelHeight;
    platform::Color fore = 0, fill = 0, back = platform::RGB(255, 255, 255);
    int drawWidth = 1, fillStyle = 1;
    double fontSize = 9, cx = 0, cy = 0;

    std::vector<Op> Of(char kind) const {
        std::vector<Op> out;
        for (const Op& o : ops)
            if (o.kind == kind) out.push_back(o);
        return out;
    }

    void SetScale(double l, double t, double w, double h) override {
        left = l, top = t, width = w, height = h;
    }
    double ScaleLeft() const override { return left; }
    double ScaleTop() const override { return top; }
    double ScaleWidth() const override { return width; }
    double ScaleHeight() const override { return height; }
    platform::Color ForeColor() const override { return fore; }
    void SetForeColor(platform::Color c) override { fore = c; }
    platform::Color FillColor() const override { return fill; }
    void SetFillColor(platform::Color c) override { fill = c; }
    platform::Color BackColor() const override { return back; }
    void SetBackColor(platform::Color c) override { back = c; }
    int DrawWidth() const override { return drawWidth; }
    void SetDrawWidth(int w) override { drawWidth = w; }
    int FillStyle() const override { return fillStyle; }
    void SetFillStyle(int s) override { fillStyle = s; }
    double FontSize() const override { return fontSize; }
    void SetFontSize(double p) override { fontSize = p; }
    double CurrentX() const override { return cx; }
    double CurrentY() const override { return cy; }
    void SetCurrentX(double x) override { cx = x; }
    void SetCurrentY(double y) override { cy = y; }
    void Line(double x1, double y1, double x2, double y2, platform::Color c) override {
        ops.push_back({'L', x1, y1, x2, y2, c, drawWidth, fontSize, ""});
        cx = x2, cy = y2;
    }
    void LineTo(double x, double y, platform::Color c) override {
        ops.push_back({'T', cx, cy, x, y, c, drawWidth, fontSize, ""});
        cx = x, cy = y;
    }
    void Circle(double x, double y, double r, platform::Color c) override {
        ops.push_back({'C', x, y, r, 0, c, drawWidth, fontSize, ""});
        cx = x, cy = y;
    }
    void Dot(double x, double y, platform::Color c) override {
        ops.push_back({'P', x, y, 0, 0, c, drawWidth, fontSize, ""});
        cx = x, cy = y;
    }
    void Print(const std::string& t) override {
        ops.push_back({'S', cx, cy, 0, 0, fore, drawWidth, fontSize, t});
    }
    void Clear() override {
        ops.push_back({'X', 0, 0, 0, 0, back, drawWidth, fontSize, ""});
        cx = 0, cy = 0;
    }
    double TextHeightTwips(double points) const override { return 20.0 * points; }
    double TextHeight(const std::string&) const override {
        return TextHeightTwips(fontSize) / 15.0 * width / kPixelWidth;
    }
};

}  // namespace view3d::testing
