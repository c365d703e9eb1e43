#include "ui/qt_dialog_presenter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "ui/qt_text.h"
#include "ui/toolkit.h"

namespace sfx {
namespace {

// The icon is held in these bits of a message-box style value.
constexpr int kIconBits = 0xF0;
constexpr int kIconQuestion = 32;  // not used by the program, shown right all the same

QMessageBox::Icon iconOf(int flags) {
  switch (flags & kIconBits) {
    case kIconError:
      return QMessageBox::Critical;
    case kIconQuestion:
      return QMessageBox::Question;
    case kIconWarning:
      return QMessageBox::Warning;
    case kIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// In Directory mode QFileDialog lists files but ignores OK on one; this
// dialog takes a chosen file as well when the caller allows files.
class FolderOrFileDialog final : public QFileDialog {
 public:
  FolderOrFileDialog(const QString& caption, bool includeFiles)
      : QFileDialog(nullptr, caption, QDir::homePath()), includeFiles_(includeFiles) {}

  void accept() override {
    const QStringList chosen = selectedFiles();
    if (includeFiles_ && chosen.size() == 1 && QFileInfo(chosen.front()).isFile()) {
      QDialog::accept();
      return;
    }
    QFileDialog::accept();
  }

 private:
  bool includeFiles_;
};

// Owned by no window and modal for all of them; closing it must not count
// as closing the program's last window.
void makeProgramModal(QWidget& dialog) {
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.setAttribute(Qt::WA_QuitOnClose, false);
}

}  // namespace

void QtDialogPresenter::showMessage(std::string_view text, int flags, std::string_view title) {
  QMessageBox box(iconOf(flags), toQString(title), toQString(text), QMessageBox::Ok);
  makeProgramModal(box);
  box.exec();
}

std::string QtDialogPresenter::browseFolder(std::string_view instruction, bool includeFiles) {
  FolderOrFileDialog dialog(toQString(instruction), includeFiles);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, !includeFiles);
  // A platform's own folder chooser may not offer files at all.
  dialog.setOption(QFileDialog::DontUseNativeDialog, includeFiles);
  makeProgramModal(dialog);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return {};
  // cleanPath drops a trailing "/" but keeps the root as "/".
  return fromQString(QDir::cleanPath(chosen.front()));
}

}  // namespace sfx
