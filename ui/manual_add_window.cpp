#include "ui/manual_add_window.h"

#include <QLineEdit>
#include <QPushButton>

#include "ui/controls.h"
#include "ui/window_frame.h"

namespace sfx {

ManualAddWindow::ManualAddWindow() {
  setObjectName(QStringLiteral("ManualAddWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("手动添加下载地址"));
  setFixedFrame(*this, kClientWidth, kClientHeight);

  addLabel(*this, "标签2", "下载链接：", {16, 72, 80, 24});
  addLabel(*this, "标签1", "文件名：", {16, 24, 80, 24});
  QPushButton* add = addButton(*this, "按钮1", "添加", {392, 112, 80, 32});
  connect(add, &QPushButton::clicked, this, &ManualAddWindow::addClicked);
  urlBox_ = addLineEdit(*this, "编辑框2", QString(), {112, 72, 360, 24});
  titleBox_ = addLineEdit(*this, "编辑框1", QString(), {112, 24, 360, 24});

  QWidget::setTabOrder(titleBox_, urlBox_);
  QWidget::setTabOrder(urlBox_, add);
  titleBox_->setFocus();
  centreOnScreen(*this);
}

QString ManualAddWindow::titleText() const { return titleBox_->text(); }

QString ManualAddWindow::urlText() const { return urlBox_->text(); }

void ManualAddWindow::clearBoxes() {
  titleBox_->clear();
  urlBox_->clear();
}

}  // namespace sfx
