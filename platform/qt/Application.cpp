#include "qt/Application.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QThread>

namespace kqt {

Application::~Application()
{
    QObject::disconnect(m_idleHook);
    QObject::disconnect(m_mainDestroyed);
}

void Application::setMainWindow(QWidget* window)
{
    QObject::disconnect(m_mainDestroyed);
    m_mainWnd = window;
    if (window) {
        // Losing the main window ends the loop, as a quit message would.
        m_mainDestroyed = QObject::connect(window, &QObject::destroyed, [this] {
            m_mainWnd = nullptr;
            QCoreApplication::exit(0);
        });
    }
}

void Application::deleteMainWindow()
{
    QWidget* window = m_mainWnd;
    m_mainWnd = nullptr;
    delete window; // its destroyed signal ends the loop
}

int Application::run()
{
    // The program ends through the idle hook only, never because a window closed.
    QApplication::setQuitOnLastWindowClosed(false);
    initInstance();
    m_loopLevel = QThread::currentThread()->loopLevel() + 1;
    m_idleHook = QObject::connect(QAbstractEventDispatcher::instance(),
                                  &QAbstractEventDispatcher::aboutToBlock,
                                  [this] { idle(); });
    m_exitCode = QCoreApplication::exec();
    QObject::disconnect(m_idleHook);
    return exitInstance();
}

void Application::idle()
{
    // Nested loops (modal boxes, menus) must not see the idle work: it may delete
    // the window that runs them.
    // Nor may it run again from events that its own work processes.
    if (m_inIdle || QThread::currentThread()->loopLevel() != m_loopLevel)
        return;
    m_inIdle = true;
    long count = 0;
    while (onIdle(count))
        ++count;
    m_inIdle = false;
}

} // namespace kqt
