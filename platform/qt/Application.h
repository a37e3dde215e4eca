// The application object: start-up, an idle hook and the end of the message loop.
// run() calls initInstance, runs the event loop and returns exitInstance's result.
// The idle hook runs whenever the UI thread's event loop is about to wait, and only
// in the loop that run() started, never inside a modal dialog's or a menu's loop.
// Destroying the main window ends the loop with the exit code 0.
#pragma once

#include <QWidget>

namespace kqt {

class Application {
public:
    Application() = default;
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Needs a QApplication; call on its thread.
    int run();

    QWidget* mainWindow() const { return m_mainWnd; }
    void setMainWindow(QWidget* window);
    // Deletes the main window, which ends the loop; mainWindow() is null from the
    // start of the deletion on.
    void deleteMainWindow();

protected:
    virtual bool initInstance() { return true; }
    // count is 0 for the first call of an idle period, then 1, 2, ... for as long as
    // it returns true. The base does no work: true for 0, false from 1 on.
    virtual bool onIdle(long count) { return count == 0; }
    // Called to end: returns the exit code of the loop once it has ended.
    virtual int exitInstance() { return m_exitCode; }

private:
    void idle();

    QWidget* m_mainWnd = nullptr; // cleared when the window is destroyed
    QMetaObject::Connection m_idleHook;
    QMetaObject::Connection m_mainDestroyed;
    int m_exitCode = 0;
    int m_loopLevel = 0; // the loop level of run()'s own event loop
    bool m_inIdle = false;
};

} // namespace kqt
