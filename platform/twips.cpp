#include "platform/twips.h"

#include <cmath>

#include <QGuiApplication>
#include <QScreen>

namespace platform {

double ScreenDpi() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const double dpi = screen->logicalDotsPerInchY();
            if (dpi > 0.0) return dpi;
        }
    }
    return 96.0;
}

int TwipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips * ScreenDpi() / 1440.0));
}

double PixelsToTwips(int pixels) {
    return pixels * 1440.0 / ScreenDpi();
}

}  // namespace platform
