// The main window on its own: initial state, Add Files, the quality number, Start,
// Escape and closing, the About box, and the job's calls from a worker thread.
#include "UiHelpers.h"

#include "app/ConverterDlg.h"
#include "media/MediaTypes.h"
#include "res/Dialogs.h"
#include "res/Resource.h"

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QTreeWidget>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <deque>
#include <vector>

namespace {

class ConverterDlgTest : public testing::Test {
protected:
    void makeDialog(CConverterDlg::ThreadProc job = idleJob)
    {
        dlg = std::make_unique<CConverterDlg>(nullptr, std::move(job), [this](QWidget*) {
            ++chooserCalls;
            if (choices.empty())
                return QStringList();
            QStringList next = choices.front();
            choices.pop_front();
            return next;
        });
        dlg->create();
    }

    void TearDown() override
    {
        if (dlg)
            dlg->stopFlag().store(1);
        dlg.reset(); // answers a running fake job's calls until it returns
    }

    // A job that waits for the stop flag, reading it the way the real one does.
    static int idleJob(job::ConverterWindow& w)
    {
        while (w.stopFlag().load() == 0)
            QThread::msleep(2);
        return 0;
    }

    QString text(int id) const { return dlg->dlgItemText(id); }
    QPushButton* button(int id) const { return qobject_cast<QPushButton*>(dlg->dlgItem(id)); }
    QSlider* slider() const { return qobject_cast<QSlider*>(dlg->dlgItem(IDC_QUALITY)); }
    QTreeWidget* tree() const { return qobject_cast<QTreeWidget*>(dlg->dlgItem(IDC_FILELIST)); }
    kqt::PictureCtrl* picture() const
    {
        return static_cast<kqt::PictureCtrl*>(dlg->dlgItem(IDC_PREVIEW));
    }

    // The list as the job sees it: directory texts with their file names.
    std::vector<std::pair<std::string, std::vector<std::string>>> listAsJobSeesIt()
    {
        std::vector<std::pair<std::string, std::vector<std::string>>> list;
        for (job::TreeItem d = dlg->rootItem(); d != job::kNoItem; d = dlg->nextItem(d)) {
            list.push_back({dlg->itemText(d), {}});
            for (job::TreeItem f = dlg->childItem(d); f != job::kNoItem; f = dlg->nextItem(f))
                list.back().second.push_back(dlg->itemText(f));
        }
        return list;
    }

    void startJob() { button(kqt::kIdOk)->click(); }

    std::unique_ptr<CConverterDlg> dlg;
    std::deque<QStringList> choices;
    int chooserCalls = 0;
};

//------------------------------------------------------------------------------

TEST_F(ConverterDlgTest, InitialState)
{
    makeDialog();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->windowTitle(), "Kestrel");
    EXPECT_EQ(dlg->size(), kqt::dluToPx(dlg->baseUnits(), 389, 346));
    EXPECT_EQ(text(IDC_FILENAME), "");
    EXPECT_EQ(text(IDC_QUALITY_VALUE), "10000");
    EXPECT_EQ(slider()->minimum(), 0);
    EXPECT_EQ(slider()->maximum(), 10000);
    EXPECT_EQ(slider()->value(), 10000);
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    EXPECT_EQ(text(IDC_RATE_AVG), "");
    EXPECT_EQ(text(IDC_RATE_MAX), "");
    EXPECT_TRUE(picture()->canvas().isNull());
    EXPECT_EQ(dlg->focusWidget(), button(kqt::kIdOk));
    EXPECT_TRUE(button(kqt::kIdOk)->isDefault());
    EXPECT_EQ(dlg->storedFilename(), "");
    EXPECT_EQ(dlg->stopFlag().load(), 0);
    const QIcon icon = dlg->windowIcon();
    EXPECT_EQ(icon.pixmap(32, 32).size(), QSize(32, 32));
    EXPECT_EQ(icon.availableSizes().size(), 2);
    for (const QSize& size : icon.availableSizes()) {
        const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                colours.insert(image.pixel(x, y));
        EXPECT_LE(colours.size(), 16) << size.width();
    }
}

TEST_F(ConverterDlgTest, ControlsSitWhereTheTemplatePutsThem)
{
    makeDialog();
    for (const kqt::ControlTemplate& c : res::converterDialogTemplate().controls) {
        if (c.id == kqt::kNoId)
            continue;
        SCOPED_TRACE(c.id);
        const QWidget* item = dlg->dlgItem(c.id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->geometry(), dlg->dluRect(c.x, c.y, c.cx, c.cy));
    }
}

struct AddFilesCase {
    const char* name;
    std::vector<QStringList> uses; // what the Open dialog returns each time
    std::vector<std::pair<std::string, std::vector<std::string>>> expected;
};

TEST_F(ConverterDlgTest, AddFilesBuildsOneDirectoryItemPerUse)
{
    const AddFilesCase cases[] = {
        {"one file", {{"/clips/intro.avi"}}, {{"/clips", {"intro.avi"}}}},
        // The root's item keeps its "/": an empty text would not show in the list.
        {"file in the root", {{"/intro.avi"}}, {{"/", {"intro.avi"}}}},
        {"three names sorted",
         {{"/m/c.avi", "/m/a.avi", "/m/b.avi"}},
         {{"/m", {"a.avi", "b.avi", "c.avi"}}}},
        {"sorting ignores case", {{"/m/b.AVI", "/m/C.avi", "/m/a.avi"}},
         {{"/m", {"a.avi", "b.AVI", "C.avi"}}}},
        {"same directory twice",
         {{"/m/a.avi"}, {"/m/a.avi", "/m/b.avi"}},
         {{"/m", {"a.avi"}}, {"/m", {"a.avi", "b.avi"}}}},
        {"cancelled", {{}}, {}},
        {"cancelled between uses", {{"/x/1.avi"}, {}, {"/y/2.avi"}},
         {{"/x", {"1.avi"}}, {"/y", {"2.avi"}}}},
    };
    for (const AddFilesCase& c : cases) {
        SCOPED_TRACE(c.name);
        choices.assign(c.uses.begin(), c.uses.end());
        makeDialog();
        for (size_t i = 0; i < c.uses.size(); ++i)
            button(IDC_ADDFILES)->click();
        EXPECT_EQ(listAsJobSeesIt(), c.expected);
        // Directory items are collapsed; the list has one column and no header.
        for (int i = 0; i < tree()->topLevelItemCount(); ++i)
            EXPECT_FALSE(tree()->topLevelItem(i)->isExpanded());
    }
}

TEST(ConverterDlgOpenDialog, OffersTheTwoFiltersAndTakesSeveralFiles)
{
    QString parent = QString::fromLocal8Bit(qgetenv("KESTREL_TEST_TMP"));
    if (parent.isEmpty())
        parent = QDir::tempPath();
    QDir().mkpath(parent);
    QTemporaryDir tmp(parent + "/open-XXXXXX");
    ASSERT_TRUE(tmp.isValid());
    for (const char* name : {"b.avi", "a.avi", "notes.txt"}) {
        QFile f(tmp.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    CConverterDlg dlg; // with the desktop's own Open dialog
    dlg.create();
    QStringList filters;
    bool multi = false;
    bool noNameBox = false;
    testui::whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        if (!fd)
            return false;
        filters = fd->nameFilters();
        multi = fd->fileMode() == QFileDialog::ExistingFiles;
        fd->setDirectory(tmp.path());
        auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!edit) { // the name box is found by an internal name of Qt's dialog
            noNameBox = true;
            fd->reject();
            return true;
        }
        edit->setText(QStringLiteral("\"b.avi\" \"a.avi\""));
        QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
        return true;
    });
    qobject_cast<QPushButton*>(dlg.dlgItem(IDC_ADDFILES))->click();
    if (noNameBox)
        GTEST_SKIP() << "this Qt's Open dialog has no fileNameEdit";
    EXPECT_EQ(filters, QStringList({"AVI Files (*.avi)", "All Files (*)"}));
    EXPECT_TRUE(multi);
    auto* list = qobject_cast<QTreeWidget*>(dlg.dlgItem(IDC_FILELIST));
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QDir(tmp.path()).canonicalPath());
    ASSERT_EQ(list->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->child(0)->text(0), "a.avi");
    EXPECT_EQ(list->topLevelItem(0)->child(1)->text(0), "b.avi");
    dlg.stopFlag().store(1);
}

TEST_F(ConverterDlgTest, QualityNumberFollowsTheTrackbar)
{
    makeDialog();
    for (int value : {2500, 0, 7, 10000}) {
        slider()->setValue(value);
        EXPECT_EQ(text(IDC_QUALITY_VALUE), QString::number(value));
    }
    slider()->setFocus();
    QTest::keyClick(slider(), Qt::Key_Home);
    EXPECT_EQ(text(IDC_QUALITY_VALUE), "0");
    QTest::keyClick(slider(), Qt::Key_End);
    EXPECT_EQ(text(IDC_QUALITY_VALUE), "10000");
}

TEST_F(ConverterDlgTest, StartDisablesStartAndTrackbarAndRunsOneJob)
{
    std::atomic<int> jobs{0};
    makeDialog([&jobs](job::ConverterWindow& w) {
        ++jobs;
        return idleJob(w);
    });
    dlg->activateWindow();
    QTest::keyClick(dlg.get(), Qt::Key_Return); // Enter presses Start
    QTRY_COMPARE(jobs.load(), 1);
    EXPECT_FALSE(button(kqt::kIdOk)->isEnabled());
    EXPECT_FALSE(slider()->isEnabled());
    EXPECT_TRUE(button(IDC_ADDFILES)->isEnabled());
    EXPECT_TRUE(button(IDC_ABORT)->isEnabled());
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    QTest::qWait(30);
    EXPECT_EQ(jobs.load(), 1);
    EXPECT_FALSE(dlg->hasWorkerReturned());
    button(IDC_ABORT)->click();
    EXPECT_EQ(dlg->stopFlag().load(), 1);
    QTRY_VERIFY(dlg->hasWorkerReturned());
}

TEST_F(ConverterDlgTest, EscapeDoesNothingAndClosingOnlySetsTheStopFlag)
{
    makeDialog();
    startJob();
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->stopFlag().load(), 0);
    dlg->close(); // the close box and Alt+F4
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->stopFlag().load(), 1);
    QTRY_VERIFY(dlg->hasWorkerReturned());
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(ConverterDlgTest, AboutBoxFromContextMenuAndF1)
{
    makeDialog();
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));

    testui::ModalSeen seen;
    testui::clickWhenModal("OK", &seen);
    QTest::keyClick(dlg.get(), Qt::Key_F1);
    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.title, "About Kestrel");

    bool chosen = false;
    testui::ModalSeen seen2;
    testui::chooseFromPopup("&About Kestrel...", &chosen);
    testui::clickWhenModal("OK", &seen2);
    QWidget* background = dlg.get();
    const QPoint at(5, dlg->height() - 60); // beside the controls
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, background->mapToGlobal(at));
    QApplication::sendEvent(background, &event);
    EXPECT_TRUE(chosen);
    QTRY_VERIFY(seen2.seen);
    EXPECT_EQ(seen2.title, "About Kestrel");
}

TEST_F(ConverterDlgTest, JobGoesOnWhileTheAboutBoxIsOpen)
{
    // The job makes its calls only once the box shows: they can only be answered from
    // the box's own loop.
    std::atomic<bool> boxOpen{false};
    std::atomic<int> steps{0};
    makeDialog([&](job::ConverterWindow& w) {
        while (!boxOpen && w.stopFlag().load() == 0)
            QThread::msleep(1);
        w.setProgressRange(0, 100);
        w.setProgressStep(1);
        for (; steps < 20 && w.stopFlag().load() == 0; ++steps)
            w.stepProgress();
        return idleJob(w);
    });
    startJob();
    int stepsUnderBox = -1;
    testui::whenModal([&](QWidget* box) {
        boxOpen = true;
        if (steps < 20)
            return false;
        stepsUnderBox = steps;
        static_cast<QDialog*>(box)->accept();
        return true;
    });
    dlg->actions().front()->trigger(); // the About item; returns once the box is closed
    EXPECT_EQ(stepsUnderBox, 20);
    EXPECT_EQ(qobject_cast<QProgressBar*>(dlg->dlgItem(IDC_PROGRESS))->value(), 20);
}

// A frame buffer of w x h at 24 bits, bottom row first, every pixel one colour.
std::vector<uint8_t> solidFrame(int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    const int row = ((24 * w + 31) & ~31) / 8;
    std::vector<uint8_t> buf(44 + static_cast<size_t>(row) * h, 0);
    media::BitmapInfoHeader hdr;
    hdr.biWidth = w;
    hdr.biHeight = h;
    hdr.biBitCount = 24;
    std::memcpy(buf.data(), &hdr, sizeof hdr);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = buf.data() + 40 + y * row + x * 3;
            p[0] = b, p[1] = g, p[2] = r;
        }
    }
    return buf;
}

TEST_F(ConverterDlgTest, JobCallsFromTheWorkerReachTheControls)
{
    choices = {{"/movies/one.avi"}};
    struct Seen {
        std::string dirText, fileText;
        int quality = -1;
        job::PreviewRect area;
    };
    Seen seen;
    std::atomic<bool> drawn{false};
    makeDialog([&](job::ConverterWindow& w) {
        const job::TreeItem dir = w.rootItem();
        const job::TreeItem file = w.childItem(dir);
        seen.dirText = w.itemText(dir);
        seen.fileText = w.itemText(file);
        seen.quality = w.quality();
        w.scrollToTop(dir);
        w.setProgressRange(0, 4);
        w.setProgressStep(1);
        w.setProgressPos(0);
        w.invalidatePreview();
        w.selectItem(file);
        const std::string path = seen.dirText + "/" + seen.fileText;
        w.setStoredFilename(path);
        w.setFilenameText(path);
        seen.area = w.previewArea();
        w.fillPreview(seen.area);
        const auto frame = solidFrame(40, 30, 255, 0, 0);
        w.drawFrame(frame.data(), seen.area.left, seen.area.top, 20, 15);
        w.setRateMax(322);
        w.setRateAvg(-5);
        w.stepProgress();
        w.stepProgress();
        drawn = true;
        return idleJob(w);
    });
    button(IDC_ADDFILES)->click();
    slider()->setValue(4321);
    startJob();
    QTRY_VERIFY(drawn.load());

    EXPECT_EQ(seen.dirText, "/movies");
    EXPECT_EQ(seen.fileText, "one.avi");
    EXPECT_EQ(seen.quality, 4321);
    EXPECT_EQ(text(IDC_FILENAME), "/movies/one.avi");
    EXPECT_EQ(dlg->storedFilename(), "/movies/one.avi");
    EXPECT_EQ(text(IDC_RATE_MAX), "322");
    EXPECT_EQ(text(IDC_RATE_AVG), "-5");
    EXPECT_EQ(qobject_cast<QProgressBar*>(dlg->dlgItem(IDC_PROGRESS))->value(), 2);
    EXPECT_EQ(tree()->currentItem(), tree()->topLevelItem(0)->child(0));
    EXPECT_TRUE(tree()->topLevelItem(0)->isExpanded());

    // The area is the preview control's inside, in the window's coordinates.
    const QRect inside = picture()->contentsRect();
    const QPoint origin = picture()->mapTo(dlg.get(), inside.topLeft());
    EXPECT_EQ(seen.area.left, origin.x());
    EXPECT_EQ(seen.area.top, origin.y());
    EXPECT_EQ(seen.area.width(), inside.width());
    EXPECT_EQ(seen.area.height(), inside.height());

    // The frame lies at the area's top-left at the size asked; the rest of the area
    // has the window colour.
    const QImage& canvas = picture()->canvas();
    const QColor window = dlg->palette().color(QPalette::Base);
    const QPoint tl = inside.topLeft();
    EXPECT_EQ(canvas.pixelColor(tl), QColor(255, 0, 0));
    EXPECT_EQ(canvas.pixelColor(tl + QPoint(19, 14)), QColor(255, 0, 0));
    EXPECT_EQ(canvas.pixelColor(tl + QPoint(20, 0)), window);
    EXPECT_EQ(canvas.pixelColor(tl + QPoint(0, 15)), window);
    EXPECT_EQ(canvas.pixelColor(inside.bottomRight()), window);

    // Repainting the control afresh drops the picture.
    dlg->stopFlag().store(1);
    QTRY_VERIFY(dlg->hasWorkerReturned());
    dlg->invalidatePreview();
    EXPECT_TRUE(picture()->canvas().isNull());
}

TEST_F(ConverterDlgTest, FilesAddedWhileTheJobRunsAreWalked)
{
    choices = {{"/a/1.avi"}, {"/b/2.avi"}};
    std::atomic<int> dirsSeen{0};
    std::atomic<bool> waiting{false};
    makeDialog([&](job::ConverterWindow& w) {
        job::TreeItem dir = w.rootItem();
        ++dirsSeen;
        waiting = true;
        job::TreeItem next = job::kNoItem;
        while (w.stopFlag().load() == 0 && (next = w.nextItem(dir)) == job::kNoItem)
            QThread::msleep(2);
        if (next != job::kNoItem && w.itemText(next) == "/b")
            ++dirsSeen;
        w.stopFlag().store(1);
        return 0;
    });
    button(IDC_ADDFILES)->click();
    startJob();
    QTRY_VERIFY(waiting.load());
    button(IDC_ADDFILES)->click();
    QTRY_VERIFY(dlg->hasWorkerReturned());
    EXPECT_EQ(dirsSeen.load(), 2);
}

TEST_F(ConverterDlgTest, JobMessageBoxIsOwnedByTheWindowAndWaitsForTheUser)
{
    std::atomic<int> stage{0};
    makeDialog([&](job::ConverterWindow& w) {
        stage = 1;
        w.messageBox("The video of this file cannot be decoded.");
        stage = 2;
        w.reportFailure("/m/x.avi", "cannot write the output");
        stage = 3;
        return idleJob(w);
    });
    QList<testui::ModalSeen> seen;
    testui::clickEachModal(2, "OK", &seen);
    startJob();
    QTRY_COMPARE(stage.load(), 3);
    ASSERT_EQ(seen.size(), 2);
    for (const testui::ModalSeen& box : seen) {
        EXPECT_EQ(box.title, QCoreApplication::applicationName());
        EXPECT_EQ(box.parent, dlg.get());
    }
    EXPECT_EQ(seen[0].text, "The video of this file cannot be decoded.");
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(seen[1].text.startsWith("/m/x.avi"));
    EXPECT_TRUE(seen[1].text.contains("cannot write the output"));
}

} // namespace
