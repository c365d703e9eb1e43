#include "ui/integer_text_validator.h"

#include <QLineEdit>
#include <algorithm>

namespace sfx {

IntegerTextValidator::IntegerTextValidator(QLineEdit& box) : QValidator(&box), previous_(box.text()) {
  box.setValidator(this);
  connect(&box, &QLineEdit::textChanged, this, [this](const QString& text) { previous_ = text; });
}

bool IntegerTextValidator::isAllowed(QChar c) { return (c >= u'0' && c <= u'9') || c == u'-'; }

QValidator::State IntegerTextValidator::validate(QString& input, int& /*position*/) const {
  // The inserted stretch lies between what the old and new texts share at
  // both ends; a deletion inserts nothing.
  const qsizetype shortest = std::min(previous_.size(), input.size());
  qsizetype head = 0;
  while (head < shortest && previous_[head] == input[head]) ++head;
  qsizetype tail = 0;
  while (tail < shortest - head && previous_[previous_.size() - 1 - tail] == input[input.size() - 1 - tail]) ++tail;
  const QStringView inserted = QStringView(input).mid(head, input.size() - head - tail);
  return std::all_of(inserted.begin(), inserted.end(), isAllowed) ? Acceptable : Invalid;
}

void IntegerTextValidator::acceptProgramText(const QString& text) { previous_ = text; }

}  // namespace sfx
