#include "ui/window_frame.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace sfx {
namespace {

// The layout asks for 微软雅黑; Linux rarely has it, so the Noto CJK family
// of fonts-noto-cjk stands in, then other common CJK families.
const QStringList kChineseFamilies = {
    QStringLiteral("Microsoft YaHei"),   QStringLiteral("微软雅黑"),          QStringLiteral("Noto Sans CJK SC"),
    QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("sans-serif"),
};

// The default dialog font of a Chinese Windows is 9 points, 12 pixels at 96 dpi.
constexpr int kDialogFontPixels = 12;

}  // namespace

QFont yaheiFont(int pixelSize) {
  QFont font;
  font.setFamilies(kChineseFamilies);
  font.setPixelSize(pixelSize);
  font.setWeight(QFont::Normal);
  return font;
}

void setApplicationFont() { QApplication::setFont(yaheiFont(kDialogFontPixels)); }

void setFixedFrame(QWidget& window, int width, int height) {
  window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  window.setFixedSize(width, height);
}

void centreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // The frame is not known before the window is shown; its client size stands in.
  window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}

}  // namespace sfx
