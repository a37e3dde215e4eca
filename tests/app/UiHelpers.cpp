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

void clickWhenModal(const QString& buttonText, ModalSeen* seen, int timeoutMs)
{
    auto all = std::make_shared<QList<ModalSeen>>();
    clickEachModal(1, buttonText, all.get(), timeoutMs);
    if (seen) {
        // Copies the record out once the box has been handled.
        poll([all, seen] {
            if (all->isEmpty())
                return false;
            *seen = all->front();
            return true;
        }, timeoutMs);
    }
}

void clickEachModal(int count, const QString& buttonText, QList<ModalSeen>* seen, int timeoutMs)
{
    auto left = std::make_shared<int>(count);
    whenModal([buttonText, seen, left](QWidget* w) {
        // A box being dismissed stays the modal widget until the click runs.
        if (w->property("testuiClicked").toBool())
            return false;
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
            if (b->text().remove(QLatin1Char('&')) != buttonText)
                continue;
            ModalSeen record;
            record.seen = true;
            record.title = w->windowTitle();
            record.parent = w->parentWidget();
            if (auto* box = qobject_cast<QMessageBox*>(w))
                record.text = box->text();
            if (seen)
                seen->append(record);
            w->setProperty("testuiClicked", true);
            QTimer::singleShot(0, b, [b] { b->click(); });
            return --*left == 0;
        }
        return false;
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
