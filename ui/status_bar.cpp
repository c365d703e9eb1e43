#include "ui/status_bar.h"

#include <QLabel>
#include <algorithm>

namespace sfx {
namespace {

// Right edges of the first two parts; the last part takes the rest.
constexpr std::array<int, StatusBar::kPartCount - 1> kRightEdges = {200, 500};

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QWidget(parent) {
  for (int i = 0; i < kPartCount; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("状态条1_%1").arg(i));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setIndent(2);
    label->setTextFormat(Qt::PlainText);  // a status text is never markup
    parts_[static_cast<std::size_t>(i)] = label;
  }
}

void StatusBar::setPartText(int index, const QString& text) {
  if (QLabel* label = part(index)) label->setText(text);
}

QString StatusBar::partText(int index) const {
  const QLabel* label = part(index);
  return label ? label->text() : QString();
}

QLabel* StatusBar::part(int index) const {
  if (index < 0 || index >= kPartCount) return nullptr;
  return parts_[static_cast<std::size_t>(index)];
}

void StatusBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  int left = 0;
  for (int i = 0; i < kPartCount; ++i) {
    const int right = i < kPartCount - 1 ? kRightEdges[static_cast<std::size_t>(i)] : width();
    parts_[static_cast<std::size_t>(i)]->setGeometry(left, 0, std::max(0, right - left), height());
    left = right;
  }
}

}  // namespace sfx
