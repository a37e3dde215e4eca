// The application: start-up, the idle hook's shutdown and the exit code. Each test
// runs the real event loop through CConverterApp::run().
#include "UiHelpers.h"

#include "app/ConverterApp.h"
#include "res/Resource.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <atomic>

namespace {

// Runs fn once the application's window exists and its loop runs.
void atStart(CConverterApp& app, std::function<void(CConverterDlg*)> fn)
{
    QTimer::singleShot(0, [&app, fn] { fn(app.mainDialog()); });
}

void click(CConverterDlg* dlg, int id)
{
    qobject_cast<QPushButton*>(dlg->dlgItem(id))->click();
}

QStringList oneFile(QWidget*) { return {"/m/a.avi"}; }

TEST(ConverterApp, AbortBeforeStartEndsWithoutAJob)
{
    std::atomic<int> jobs{0};
    CConverterApp app([&](job::ConverterWindow&) { return ++jobs; }, oneFile);
    QPointer<CConverterDlg> window;
    atStart(app, [&](CConverterDlg* dlg) {
        window = dlg;
        EXPECT_TRUE(dlg->isVisible());
        click(dlg, IDC_ABORT);
    });
    EXPECT_EQ(app.run(), 0);
    EXPECT_EQ(jobs.load(), 0);
    EXPECT_TRUE(window.isNull()); // deleted by the idle hook
    EXPECT_EQ(app.mainWindow(), nullptr);
}

TEST(ConverterApp, JobThatRunsThroughItsListEndsTheProgramAtOnce)
{
    std::atomic<int> filesWalked{0};
    QElapsedTimer sinceReturn;
    CConverterApp app(
        [&](job::ConverterWindow& w) {
            for (auto d = w.rootItem(); d != job::kNoItem && !w.stopFlag(); d = w.nextItem(d))
                for (auto f = w.childItem(d); f != job::kNoItem; f = w.nextItem(f))
                    ++filesWalked;
            QThread::msleep(50); // the UI thread goes idle meanwhile
            w.stopFlag().store(1);
            sinceReturn.start();
            return 0;
        },
        [](QWidget*) { return QStringList{"/m/a.avi", "/m/b.avi"}; });
    atStart(app, [](CConverterDlg* dlg) {
        click(dlg, IDC_ADDFILES);
        click(dlg, IDC_ADDFILES);
        click(dlg, kqt::kIdOk);
    });
    EXPECT_EQ(app.run(), 0);
    EXPECT_EQ(filesWalked.load(), 4);
    // Woken by the worker, not by some later event.
    EXPECT_LT(sinceReturn.elapsed(), 3000);
}

TEST(ConverterApp, AbortDuringAJobWaitsForTheFileInHand)
{
    std::atomic<int> frames{0};
    std::atomic<bool> looked{false};
    std::atomic<bool> fileFinished{false};
    QPointer<CConverterDlg> window;
    bool visibleAfterAbort = false;
    CConverterApp app(
        [&](job::ConverterWindow& w) {
            w.setProgressRange(0, 1000000);
            w.setProgressStep(1);
            while (!w.stopFlag()) {
                ++frames;
                w.stepProgress();
            }
            // Finishing the file in hand: the window must stay meanwhile.
            QElapsedTimer waited;
            waited.start();
            while (!looked && waited.elapsed() < 5000)
                QThread::msleep(1);
            fileFinished = true;
            w.stopFlag().store(1);
            return 0;
        },
        oneFile);
    atStart(app, [&](CConverterDlg* dlg) {
        window = dlg;
        click(dlg, IDC_ADDFILES);
        auto* bar = qobject_cast<QProgressBar*>(dlg->dlgItem(IDC_PROGRESS));
        QObject::connect(bar, &QProgressBar::valueChanged, dlg, [&, dlg](int value) {
            if (value != 5)
                return;
            click(dlg, IDC_ABORT); // during the fifth frame's progress step
            QTimer::singleShot(20, dlg, [&, dlg] {
                visibleAfterAbort = dlg->isVisible();
                looked = true;
            });
        });
        click(dlg, kqt::kIdOk);
    });
    EXPECT_EQ(app.run(), 0);
    EXPECT_TRUE(fileFinished.load());
    EXPECT_TRUE(visibleAfterAbort);
    EXPECT_EQ(frames.load(), 5); // no frame begun after the one in hand
    EXPECT_TRUE(window.isNull());
}

TEST(ConverterApp, StopFlagSetUnderTheAboutBoxEndsOnlyAfterItCloses)
{
    QPointer<CConverterDlg> window;
    bool aliveUnderBox = false;
    CConverterApp app([](job::ConverterWindow&) { return 0; }, oneFile);
    atStart(app, [&](CConverterDlg* dlg) {
        window = dlg;
        testui::whenModal([&](QWidget* box) {
            dlg->stopFlag().store(1);
            // Let the loop go idle a few times under the box.
            QTimer::singleShot(100, box, [&, box] {
                aliveUnderBox = !window.isNull();
                static_cast<QDialog*>(box)->accept();
            });
            return true;
        });
        ASSERT_FALSE(dlg->actions().isEmpty());
        dlg->actions().front()->trigger(); // the About item
    });
    EXPECT_EQ(app.run(), 0);
    EXPECT_TRUE(aliveUnderBox);
    EXPECT_TRUE(window.isNull());
}

TEST(ConverterApp, ClosingTheWindowEndsTheProgram)
{
    CConverterApp app([](job::ConverterWindow& w) {
        while (!w.stopFlag())
            QThread::msleep(2);
        return 0;
    }, oneFile);
    atStart(app, [](CConverterDlg* dlg) {
        click(dlg, kqt::kIdOk);
        QTimer::singleShot(20, dlg, [dlg] { dlg->close(); });
    });
    EXPECT_EQ(app.run(), 0);
}

} // namespace
