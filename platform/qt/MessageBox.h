// Modal message boxes owned by a window and captioned with the application's name
// (the executable's file name unless the program sets another).
#pragma once

#include <QMessageBox>
#include <QString>

namespace kqt {

// Shows text with an OK button and returns once the user has dismissed it.
void messageBox(QWidget* owner, const QString& text,
                QMessageBox::Icon icon = QMessageBox::NoIcon);

} // namespace kqt
