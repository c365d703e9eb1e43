// The integer-text mode of 编辑框_起始页码 and 编辑框_终止页码: of what the
// user types or pastes, only the digits 0 to 9 and "-" get in.
#pragma once

#include <QString>
#include <QValidator>

class QLineEdit;

namespace sfx {

// Judges only the characters an edit inserts, not the whole text: the
// program may write any text into the box (a pager's last-page text, say),
// and the user must still be able to delete from it or type digits into it.
class IntegerTextValidator final : public QValidator {
  Q_OBJECT

 public:
  // Installs itself on `box` and follows its text.
  explicit IntegerTextValidator(QLineEdit& box);

  State validate(QString& input, int& position) const override;

  // Call just before the program writes `text` into the box, so that the
  // write is taken as it is.
  void acceptProgramText(const QString& text);

  [[nodiscard]] static bool isAllowed(QChar c);

 private:
  QString previous_;  // the box's text before the edit being judged
};

}  // namespace sfx
