// Helpers for driving modal boxes and menus in tests: a box opened by an action
// blocks the test until it is dismissed, so the handler is armed before the action.
#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <functional>

namespace testui {

// Polls for the active modal widget and calls handle with it until handle returns
// true or timeoutMs has passed. Returns at once; the polling runs from the event loop.
void whenModal(const std::function<bool(QWidget*)>& handle, int timeoutMs = 5000);

// What a dismissed modal widget showed.
struct ModalSeen {
    bool seen = false;
    QString title;
    QString text; // of a message box
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* parent = nullptr;
};
// Clicks the button with the given text in the next modal widget that shows.
void clickWhenModal(const QString& buttonText, ModalSeen* seen, int timeoutMs = 5000);
// The same for the next count modal widgets, recorded in the order they showed. Arm
// it before the first shows: a box blocks the code that opened it, and the next one
// may open before that code runs again.
void clickEachModal(int count, const QString& buttonText, QList<ModalSeen>* seen,
                    int timeoutMs = 5000);

// Once a popup menu shows, triggers its action with the given text.
void chooseFromPopup(const QString& actionText, bool* chosen, int timeoutMs = 5000);

} // namespace testui
