#pragma once
// A platform::Surface that records lines and dots for checking drawing code.
#include <string>
#include <vector>

#include "platform/surface.h"

class RecordingSurface : public platform::Surface {
  public:
    struct LineCall {
        double x1, y1, x2, y2;
        platform::Color color;
        bool operator==(const LineCall& o) const {
            return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2 && color == o.color;
        }
    };
    struct Dot {
        double x, y;
        platform::Color color;
        int width;
    };
    struct Text {
        double x, y;
        std::string text;
    };
    std::vector<LineCall> lines;
    std::vector<int> lineWidths;  // of each line
    std::vector<Dot> dots;
    std::vector<Text> texts;
    // The texts printed, in order.
    [[nodiscard]] std::vector<std::string> Printed() const {
        std::vector<std::string> out;
        for (const Text& t : texts) out.push_back(t.text);
        return out;
    }
    int clears = 0;

    void SetScale(double left, double top, double width, double height) override {
        left_ = left;
        top_ = top;
        width_ = width;
        height_ = height;
    }
    double ScaleLeft() const override { return left_; }
    double ScaleTop() const override { return top_; }
    double ScaleWidth() const override { return width_; }
    double ScaleHeight() const override { return height_; }
    platform::Color ForeColor() const override { return fore_; }
    void SetForeColor(platform::Color c) override { fore_ = c; }
    platform::Color FillColor() const override { return fill_; }
    void SetFillColor(platform::Color c) override { fill_ = c; }
    platform::Color BackColor() const override { return back_; }
    void SetBackColor(platform::Color c) override { back_ = c; }
    int DrawWidth() const override { return drawWidth_; }
    void SetDrawWidth(int w) override { drawWidth_ = w < 1 ? 1 : w; }
    int FillStyle() const override { return fillStyle_; }
    void SetFillStyle(int s) override { fillStyle_ = s; }
    double FontSize() const override { return fontSize_; }
    void SetFontSize(double points) override { fontSize_ = points; }
    double CurrentX() const override { return curX_; }
    double CurrentY() const override { return curY_; }
    void SetCurrentX(double x) override { curX_ = x; }
    void SetCurrentY(double y) override { curY_ = y; }
    void Line(double x1, double y1, double x2, double y2, platform::Color c) override {
        lines.push_back({x1, y1, x2, y2, c});
        lineWidths.push_back(drawWidth_);
        curX_ = x2;
        curY_ = y2;
    }
    void LineTo(double x, double y, platform::Color c) override { Line(curX_, curY_, x, y, c); }
    void Circle(double x, double y, double, platform::Color) override {
        curX_ = x;
        curY_ = y;
    }
    void Dot(double x, double y, platform::Color c) override {
        dots.push_back({x, y, c, drawWidth_});
        curX_ = x;
        curY_ = y;
    }
    void Print(const std::string& text) override { texts.push_back({curX_, curY_, text}); }
    void Clear() override {
        ++clears;
        curX_ = curY_ = 0.0;
    }
    double TextHeight(const std::string&) const override { return 0.0; }
    double TextHeightTwips(double) const override { return 0.0; }

  private:
    double left_ = 0, top_ = 0, width_ = 1, height_ = 1;
    platform::Color fore_ = 0, fill_ = 0, back_ = 0xFFFFFF;
    int drawWidth_ = 1, fillStyle_ = 1;
    double fontSize_ = 9, curX_ = 0, curY_ = 0;
};
