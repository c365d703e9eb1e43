// MainWindow: the link, range and pattern boxes, the buttons, the result
// list, the status bar and the two timers of the download queue. The window
// only shows and forwards: every click, edit and tick leaves it as a signal,
// and the handlers reach the controls through the Toolkit.
#pragma once

#include <QString>
#include <QWidget>
#include <map>

#include "ui/toolkit.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace sfx {

class IntegerTextValidator;
class ResultListModel;
class StatusBar;

// The folder the program starts with: the user's home folder + "/Sounds/".
[[nodiscard]] QString defaultSaveFolder();

class MainWindow final : public QWidget {
  Q_OBJECT

 public:
  // Client size: the layout's 822 x 633 less a window frame, and room for
  // every control with the status bar below the group box.
  static constexpr int kClientWidth = 816;
  static constexpr int kClientHeight = 604;

  MainWindow();
  ~MainWindow() override;

  [[nodiscard]] QLineEdit* edit(EditBox box) const;
  // A write by the program: raises no textEdited, and an integer box takes it as it is.
  void writeEdit(EditBox box, const QString& text);

  [[nodiscard]] ResultListModel& listModel() const { return *model_; }
  [[nodiscard]] QTableView* list() const { return list_; }
  [[nodiscard]] StatusBar* statusBar() const { return statusBar_; }
  [[nodiscard]] QTimer* timer(TimerId timer) const;

  // False once the user has closed the window; it is then only hidden, so
  // that a handler still running inside one of its clicks can finish.
  [[nodiscard]] bool isOpen() const { return open_; }

 signals:
  void parseClicked();      // 按钮_解析
  void endPageClicked();    // 按钮_解析页码
  void downloadClicked();   // 按钮_下载
  void browseClicked();     // 按钮_浏览
  void clearClicked();      // 按钮_清空
  void manualAddClicked();  // 按钮1
  void saveFolderEdited();  // 编辑框_保存路径, by the user only
  void dispatchTick();      // 时钟_下载
  void progressTick();      // 时钟_下载进度
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  void createList(QGroupBox& group);
  void setTabOrder();
  QLineEdit* addEdit(QWidget& parent, EditBox box, const char* name, const QString& text, QRect place);
  QPushButton* addButton(QWidget& parent, const char* name, const char* text, QRect place, void (MainWindow::*clicked)());

  std::map<EditBox, QLineEdit*> edits_;
  std::map<EditBox, IntegerTextValidator*> integerBoxes_;
  ResultListModel* model_ = nullptr;
  QTableView* list_ = nullptr;
  StatusBar* statusBar_ = nullptr;
  QTimer* dispatchTimer_ = nullptr;
  QTimer* progressTimer_ = nullptr;
  bool open_ = true;
};

}  // namespace sfx
