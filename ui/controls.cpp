#include "ui/controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include "ui/window_frame.h"

namespace sfx {

QLabel* addLabel(QWidget& parent, const char* name, const char* text, QRect place, int fontPixels) {
  auto* label = new QLabel(QString::fromUtf8(text), &parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(place);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  if (fontPixels > 0) label->setFont(yaheiFont(fontPixels));
  return label;
}

QLineEdit* addLineEdit(QWidget& parent, const char* name, const QString& text, QRect place) {
  auto* edit = new QLineEdit(text, &parent);
  edit->setObjectName(QString::fromUtf8(name));
  edit->setGeometry(place);
  // QLineEdit's default limit of 32767 would cut a long pattern or link.
  edit->setMaxLength(std::numeric_limits<int>::max());
  edit->setCursorPosition(0);
  return edit;
}

QPushButton* addButton(QWidget& parent, const char* name, const char* text, QRect place) {
  auto* button = new QPushButton(QString::fromUtf8(text), &parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(place);
  button->setAutoDefault(false);
  return button;
}

}  // namespace sfx
