#include "UiHelpers.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace testui {

namespace {

// Polls every 10 ms until check() returns true or the time is up.
void poll(std::function<bool()> check, int timeoutMs)
{
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, check, timeoutMs] {
        if (check() || clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

} // namespace

void whenModal(const std::function<bool(QWidget*)>& handle, int timeoutMs)
{
    poll([handle] {
        QWidget* w = QApplication::activeModalWidget();
        return w && w->isVisible() && handle(w);
    }, timeoutMs);
}

namespace {

// Clicks buttonText in each of the next count modal widgets and hands what each showed
// to record, before the click: the code that opened the box may check it as soon as
// the box has closed.
void clickModals(int count, const QString& buttonText,
                 const std::function<void(const ModalSeen&)>& record, int timeoutMs)
{
    auto left = std::make_shared<int>(count);
    whenModal([buttonText, record, left](QWidget* w) {
        // A box being dismissed stays the modal widget until the click runs.
        if (w->property("testuiClicked").toBool())
            return false;
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
            if (b->text().remove(QLatin1Char('&')) != buttonText)
                continue;
            ModalSeen seen;
            seen.seen = true;
            seen.title = w->windowTitle();
            seen.parent = w->parentWidget();
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                seen.text = box->text();
                seen.icon = box->icon();
            }
            record(seen);
            w->setProperty("testuiClicked", true);
            QTimer::singleShot(0, b, [b] { b->click(); });
            return --*left == 0;
        }
        return false;
    }, timeoutMs);
}

} // namespace

void clickWhenModal(const QString& buttonText, ModalSeen* seen, int timeoutMs)
{
    clickModals(1, buttonText, [seen](const ModalSeen& s) {
        if (seen)
            *seen = s;
    }, timeoutMs);
}

void clickEachModal(int count, const QString& buttonText, QList<ModalSeen>* seen, int timeoutMs)
{
    clickModals(count, buttonText, [seen](const ModalSeen& s) {
        if (seen)
            seen->append(s);
    }, timeoutMs);
}

void chooseFromPopup(const QString& actionText, bool* chosen, int timeoutMs)
{
    poll([actionText, chosen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return false;
        for (QAction* a : menu->actions()) {
            if (a->text() == actionText) {
                *chosen = true;
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
                return true;
            }
        }
        return false;
    }, timeoutMs);
}

} // namespace testui
