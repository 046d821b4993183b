#pragma once
// Conversions between the program's colour values and Qt's colours.
#include <QColor>

#include "platform/surface.h"

namespace platform {

QColor ToQColor(Color c);
Color FromQColor(const QColor& c);

}  // namespace platform
