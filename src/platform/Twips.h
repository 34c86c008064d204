// Designed positions and sizes are in twips (1/1440 inch); 15 twips make one
// device-independent pixel, and Qt scales pixels for high-density screens.
#pragma once

#include <QRect>

namespace tesmo {

inline constexpr int kTwipsPerPixel = 15;

int twipsToPixels(int twips);

// A designed place: left, top, width, height in twips.
struct TwipsRect {
    int left, top, width, height;
    QRect toPixels() const;
};

} // namespace tesmo

class QFont;
class QWidget;

namespace tesmo {

// Names a control, by which tests find it, and sets it at its designed place.
void place(QWidget *control, const char *objectName, TwipsRect r);

// The type the windows were designed for: 8.25 points of a sans-serif face
// with narrow metrics where the desktop has one, else the desktop's own.
QFont designFont(const QFont &desktopFont);

} // namespace tesmo
