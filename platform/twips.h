#pragma once
// Window sizes in twips (1/1440 inch) at the screen's logical DPI.
class QWidget;

namespace platform {

// Logical DPI of the primary screen (96 when none is known).
double ScreenDpi();
int TwipsToPixels(double twips);
double PixelsToTwips(int pixels);

}  // namespace platform
