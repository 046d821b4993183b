#include "platform/qtcolor.h"

namespace platform {

QColor ToQColor(Color c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

Color FromQColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return RGB(rgb.red(), rgb.green(), rgb.blue());
}

}  // namespace platform
