#include "platform/usermapping.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace platform {

QPointF UserToPixel(const UserScale& s, int pixelWidth, int pixelHeight, double x, double y) {
    return QPointF((x - s.left) * pixelWidth / s.width, (y - s.top) * pixelHeight / s.height);
}

QPointF PixelToUser(const UserScale& s, int pixelWidth, int pixelHeight, QPointF pixel) {
    const int w = std::max(pixelWidth, 1);
    const int h = std::max(pixelHeight, 1);
    return QPointF(s.left + pixel.x() * s.width / w, s.top + pixel.y() * s.height / h);
}

bool NearPixel(double px, double py) {
    return std::isfinite(px) && std::isfinite(py) && std::abs(px) < kFarAwayPixels &&
           std::abs(py) < kFarAwayPixels;
}

QPoint PixelIndex(QPointF pixel) {
    if (!NearPixel(pixel.x(), pixel.y())) return QPoint(INT_MIN, INT_MIN);
    return QPoint(PixelFloor(pixel.x()), PixelFloor(pixel.y()));
}

bool ClipSegment(double& x1, double& y1, double& x2, double& y2, double x0, double y0, double xe,
                 double ye) {
    // Liang-Barsky.
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - x0, xe - x1, y1 - y0, ye - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const double nx1 = x1 + t0 * dx;
    const double ny1 = y1 + t0 * dy;
    x2 = x1 + t1 * dx;
    y2 = y1 + t1 * dy;
    x1 = nx1;
    y1 = ny1;
    return true;
}

}  // namespace platform
