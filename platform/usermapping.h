#pragma once
// The mapping between a picture's user coordinates and its pixels, shared by the
// picture box and by pictures drawn through a QPainter (PainterSurface), so that both
// put a point on the same pixel.
#include <cmath>

#include <QPoint>
#include <QPointF>

namespace platform {

// Positions a rounding error short of a pixel edge belong to the next pixel.
inline constexpr double kPixelEdgeTolerance = 1e-6;
// Pixel positions beyond this are never drawn (and never converted to int).
inline constexpr double kFarAwayPixels = 1e8;

// The column (or row) of the pixel that contains a pixel coordinate p, for a p that
// NearPixel accepts.
inline int PixelFloor(double p) {
    return static_cast<int>(std::floor(p + kPixelEdgeTolerance));
}

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
// The pixel (column, row) that contains a position in pixel coordinates; a position a
// rounding error short of a pixel edge counts as past it. (INT_MIN, INT_MIN) for a
// position that is not finite or very far away.
QPoint PixelIndex(QPointF pixel);
// Whether a pixel position is finite and near enough to be drawn (within 1E8 pixels).
bool NearPixel(double px, double py);

// Clips the segment (x1, y1)-(x2, y2) to the rectangle [x0, xe] x [y0, ye] in place;
// false when nothing of it lies inside.
bool ClipSegment(double& x1, double& y1, double& x2, double& y2, double x0, double y0, double xe,
                 double ye);

}  // namespace platform
