#include "ui/qt_dialog_presenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "ui/qt_text.h"
#include "ui/toolkit.h"

namespace sfx {
namespace {

// How long a dialog may stay up before the test gives up on it and closes it.
constexpr int kDialogLimitMs = 5000;
constexpr int kPollMs = 10;

// Acts on the real modal dialog once it is up, so that the call that shows
// it returns. `act` is called at every poll until it returns true; a dialog
// still up after the limit is rejected and marked stuck.
class DialogDriver {
 public:
  DialogDriver(std::function<bool(QDialog&)> act, int limitMs) : act_(std::move(act)), limitMs_(limitMs) {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog) {
        if ((waitedMs_ += kPollMs) < limitMs_) return;
        poll_.stop();
        return;
      }
      if (!acted_) acted_ = act_(*dialog);
      if (dialog->isVisible() && (waitedMs_ += kPollMs) >= limitMs_) {
        stuck_ = true;
        dialog->reject();
      }
    });
    poll_.start(kPollMs);
  }
  [[nodiscard]] bool acted() const { return acted_; }
  [[nodiscard]] bool stuck() const { return stuck_; }

 private:
  std::function<bool(QDialog&)> act_;
  int limitMs_;
  QTimer poll_;
  int waitedMs_ = 0;
  bool acted_ = false;
  bool stuck_ = false;
};

TEST(QtDialogPresenterTest, MessageBoxHasOneOkButtonTheIconAndTheTitle) {
  struct Case {
    const char* name;
    int flags;
    QMessageBox::Icon icon;
  };
  const Case cases[] = {{"no icon", kIconNone, QMessageBox::NoIcon},
                        {"error", kIconError, QMessageBox::Critical},
                        {"warning", kIconWarning, QMessageBox::Warning},
                        {"information", kIconInformation, QMessageBox::Information}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QtDialogPresenter dialogs;
    QMessageBox::Icon icon{};
    QString title, text;
    int buttons = 0;
    Qt::WindowModality modality{};
    DialogDriver driver([&](QDialog& dialog) {
      auto& box = static_cast<QMessageBox&>(dialog);
      icon = box.icon();
      title = box.windowTitle();
      text = box.text();
      buttons = static_cast<int>(box.buttons().size());
      modality = box.windowModality();
      box.button(QMessageBox::Ok)->click();
      return true;
    }, kDialogLimitMs);
    dialogs.showMessage(programText("解析完成！"), c.flags, programText("提醒"));
    EXPECT_TRUE(driver.acted());
    EXPECT_FALSE(driver.stuck());
    EXPECT_EQ(icon, c.icon);
    EXPECT_EQ(title, QStringLiteral("提醒"));
    EXPECT_EQ(text, QStringLiteral("解析完成！"));
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(modality, Qt::ApplicationModal);
  }
}

class FolderBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("音效")));
    QFile file(folder.filePath(QStringLiteral("rain.mp3")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }

  // Shows the browser, picks `pick` in it and presses OK (Cancel when `pick`
  // is empty); a browser still up after `limitMs` is cancelled and marked stuck.
  std::string browse(bool includeFiles, const QString& pick, int limitMs = kDialogLimitMs) {
    DialogDriver driver([&](QDialog& dialog) -> bool {
      auto& files = static_cast<QFileDialog&>(dialog);
      instruction = files.windowTitle();
      if (pick.isEmpty()) {
        files.reject();
        return true;
      }
      // As a user would: open the folder and type the name into the dialog's edit field.
      files.setDirectory(folder.path());
      auto* name = files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!name) return false;
      name->setText(QFileInfo(pick).fileName());
      static_cast<QDialog&>(files).accept();  // as the OK button does
      return true;
    }, limitMs);
    std::string chosen = dialogs.browseFolder(programText("选择保存路径"), includeFiles);
    stuck = driver.stuck();
    return chosen;
  }

  QTemporaryDir folder;
  QtDialogPresenter dialogs;
  QString instruction;
  bool stuck = false;
};

TEST_F(FolderBrowserTest, GivesTheChosenFolderWithoutATrailingSlash) {
  const QString chosen = folder.filePath(QStringLiteral("音效"));
  EXPECT_EQ(browse(true, chosen), fromQString(chosen));
  EXPECT_FALSE(stuck);
  EXPECT_EQ(instruction, QStringLiteral("选择保存路径"));
}

TEST_F(FolderBrowserTest, TakesAFileOnlyWhenFilesAreIncluded) {
  const QString file = folder.filePath(QStringLiteral("rain.mp3"));
  EXPECT_EQ(browse(true, file), fromQString(file));
  EXPECT_FALSE(stuck);
  // Without files, OK on a file does nothing; the test's driver then gives up.
  constexpr int kShortLimitMs = 300;
  EXPECT_EQ(browse(false, file, kShortLimitMs), "");
  EXPECT_TRUE(stuck);
}

TEST_F(FolderBrowserTest, CancelGivesTheEmptyText) {
  EXPECT_EQ(browse(true, QString()), "");
  EXPECT_FALSE(stuck);
}

}  // namespace
}  // namespace sfx
