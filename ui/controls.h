// Making the controls of both windows: object name = the layout's name,
// place relative to the parent, and the looks the layout gives them.
#pragma once

#include <QRect>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace sfx {

// One line of plain text, vertically centred on the boxes beside it.
// `fontPixels` 0 keeps the default dialog font.
QLabel* addLabel(QWidget& parent, const char* name, const char* text, QRect place, int fontPixels = 0);

// One line, scrolling sideways, no length limit, showing its beginning.
QLineEdit* addLineEdit(QWidget& parent, const char* name, const QString& text, QRect place);

// Never a default button: Enter in a box clicks nothing.
QPushButton* addButton(QWidget& parent, const char* name, const char* text, QRect place);

}  // namespace sfx
