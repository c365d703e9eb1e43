// ManualAddWindow: a title and a URL typed by hand, added as one row of
// MainWindow's list. A top-level window of its own, without an owner; it is
// destroyed when closed and made afresh, empty, when opened again.
#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;

namespace sfx {

class ManualAddWindow final : public QWidget {
  Q_OBJECT

 public:
  // Client size: the layout's 547 x 189 less a window frame.
  static constexpr int kClientWidth = 541;
  static constexpr int kClientHeight = 160;

  ManualAddWindow();

  [[nodiscard]] QString titleText() const;  // 编辑框1
  [[nodiscard]] QString urlText() const;    // 编辑框2
  void clearBoxes();

 signals:
  void addClicked();  // 按钮1

 private:
  QLineEdit* titleBox_ = nullptr;
  QLineEdit* urlBox_ = nullptr;
};

}  // namespace sfx
