#include "qt/MessageBox.h"

#include <QCoreApplication>

namespace kqt {

void messageBox(QWidget* owner, const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, QCoreApplication::applicationName(), text, QMessageBox::Ok, owner);
    box.exec();
}

} // namespace kqt
