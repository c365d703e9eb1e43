// What both windows share: the fixed frame, centring, and the fonts.
#pragma once

#include <QFont>

class QWidget;

namespace sfx {

// Font of the list, the note and four labels; pixel size as the layout gives it.
[[nodiscard]] QFont yaheiFont(int pixelSize);

// The application's default font: a Chinese family first, with fallbacks
// found on Linux, so that Chinese text never shows as empty boxes.
void setApplicationFont();

// Title bar with the system menu, minimise and close boxes, no maximise box;
// the window keeps `width` x `height` as its client size.
void setFixedFrame(QWidget& window, int width, int height);

// Puts the window in the middle of the screen it is on (or the primary one).
void centreOnScreen(QWidget& window);

}  // namespace sfx
