// 状态条1: three sunken parts with right edges at 200 and 500 pixels, the
// last reaching the window's edge; no size grip.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

class QLabel;

namespace sfx {

class StatusBar final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPartCount = 3;
  static constexpr int kHeight = 22;  // fits one line of the 12-pixel dialog font with the sunken frame

  explicit StatusBar(QWidget* parent);

  // A part outside 0..2 is ignored.
  void setPartText(int part, const QString& text);
  [[nodiscard]] QString partText(int part) const;
  [[nodiscard]] QLabel* part(int part) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::array<QLabel*, kPartCount> parts_{};
};

}  // namespace sfx
