// The Qt layer: dialog units, frame images, the worker thread and calls onto the UI
// thread.
#include "media/MediaTypes.h"
#include "qt/Controls.h"
#include "qt/DialogUnits.h"
#include "qt/DibImage.h"
#include "qt/UiCall.h"
#include "qt/WorkerThread.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressBar>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <vector>

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

TEST(DialogUnits, RoundToNearestPixel)
{
    // The classic 8-point dialog font's base units give the well-known window size.
    const kqt::BaseUnits classic{6, 13};
    EXPECT_EQ(kqt::dluToPx(classic, 389, 346), QSize(584, 562));
    EXPECT_EQ(kqt::dluToPxX(classic, 1), 2);  // 1.5 rounds up
    EXPECT_EQ(kqt::dluToPxY(classic, 3), 5);  // 4.875
    EXPECT_EQ(kqt::dluToPxX(classic, -1), -2); // halves away from zero
    EXPECT_EQ(kqt::dluToPx(classic, 8, 136, 240, 180), QRect(12, 221, 360, 293));
}

TEST(DialogUnits, BaseUnitsComeFromTheLetterWidths)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    const kqt::BaseUnits bu = kqt::baseUnitsOf(font);
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(bu.cx, (letters / 26 + 1) / 2);
    EXPECT_EQ(bu.cy, fm.height());
    EXPECT_GT(bu.cx, 3);
}

//------------------------------------------------------------------------------

// A 5 x 3 frame, bottom row first, of the given depth. Pixel (x, y), y from the top,
// gets red 40x+24, green 64y+40 and blue 104 (multiples of 8 survive 5-bit colour),
// so a flip, a channel swap or a wrong row stride shows.
std::vector<uint8_t> testFrame(int bits, bool topDown = false)
{
    const int w = 5, h = 3;
    const int row = ((bits * w + 31) & ~31) / 8;
    std::vector<uint8_t> buf(40 + static_cast<size_t>(row) * h, 0xEE);
    media::BitmapInfoHeader hdr;
    hdr.biWidth = w;
    hdr.biHeight = topDown ? -h : h;
    hdr.biBitCount = static_cast<uint16_t>(bits);
    std::memcpy(buf.data(), &hdr, sizeof hdr);
    for (int y = 0; y < h; ++y) {
        const int stored = topDown ? y : h - 1 - y;
        for (int x = 0; x < w; ++x) {
            const int r = 40 * x + 24, g = 64 * y + 40, b = 104;
            uint8_t* p = buf.data() + 40 + stored * row + x * bits / 8;
            if (bits == 16) {
                const uint16_t v = static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
                p[0] = v & 0xFF, p[1] = v >> 8;
            } else {
                p[0] = static_cast<uint8_t>(b), p[1] = static_cast<uint8_t>(g);
                p[2] = static_cast<uint8_t>(r);
                if (bits == 32)
                    p[3] = 0;
            }
        }
    }
    return buf;
}

TEST(DibImage, ConvertsEveryDepthTheReaderDelivers)
{
    const struct {
        int bits;
        bool topDown;
    } cases[] = {{24, false}, {32, false}, {16, false}, {24, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << (c.topDown ? " top-down" : ""));
        const auto frame = testFrame(c.bits, c.topDown);
        const QImage img = kqt::imageFromDib(frame.data());
        ASSERT_EQ(img.size(), QSize(5, 3));
        // 5-bit channels widen by repeating their top bits.
        const auto widen = [&](int v) { return c.bits == 16 ? v | (v >> 5) : v; };
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(img.pixelColor(x, y),
                          QColor(widen(40 * x + 24), widen(64 * y + 40), widen(104)))
                    << x << "," << y;
    }
}

TEST(DibImage, RefusesWhatItCannotShow)
{
    auto frame = testFrame(24);
    media::BitmapInfoHeader hdr;
    std::memcpy(&hdr, frame.data(), sizeof hdr);
    const auto with = [&](auto change) {
        media::BitmapInfoHeader h = hdr;
        change(h);
        std::memcpy(frame.data(), &h, sizeof h);
        return kqt::imageFromDib(frame.data());
    };
    EXPECT_TRUE(with([](auto& h) { h.biBitCount = 8; }).isNull());
    EXPECT_TRUE(with([](auto& h) { h.biCompression = media::kFourCCCvid; }).isNull());
    EXPECT_TRUE(with([](auto& h) { h.biWidth = 0; }).isNull());
    EXPECT_TRUE(with([](auto& h) { h.biHeight = 0; }).isNull());
    EXPECT_TRUE(with([](auto& h) { h.biWidth = 40000; }).isNull());
}

TEST(ProgressCtrl, StepsThroughItsRangeAndShowsAnEmptyRangeAsAnEmptyBar)
{
    QProgressBar bar;
    kqt::ProgressCtrl progress;
    progress.attach(&bar);
    progress.setPos(0);
    progress.setRange(5, 8); // frames 5, 6 and 7
    progress.setStep(1);
    for (int expected : {6, 7, 8, 5}) { // past the upper end it starts again
        progress.stepIt();
        EXPECT_EQ(progress.pos(), expected);
    }

    progress.setPos(0);
    progress.setRange(0, 0);
    EXPECT_LT(bar.minimum(), bar.maximum()) << "0 to 0 would be a busy indicator";
    EXPECT_EQ(bar.value(), bar.minimum());
}

//------------------------------------------------------------------------------

TEST(WorkerThread, RunsWithAOneMebibyteStackAndWakesTheUiThread)
{
    size_t stack = 0;
    int niceInside = 100;
    errno = 0;
    const int niceOutside = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    auto worker = kqt::WorkerThread::begin([&] {
        pthread_attr_t attr;
        pthread_getattr_np(pthread_self(), &attr);
        pthread_attr_getstacksize(&attr, &stack);
        pthread_attr_destroy(&attr);
        niceInside = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    });
    ASSERT_NE(worker, nullptr);
    QTRY_VERIFY(worker->hasReturned());
    EXPECT_EQ(stack, kqt::WorkerThread::kStackSize);
    EXPECT_LE(niceInside, niceOutside);
}

TEST(UiCall, RunsQueuedFromAWorkerAndDirectlyOnTheUiThread)
{
    QObject target;
    std::atomic<bool> onUi{false};
    int result = 0;
    auto worker = kqt::WorkerThread::begin([&] {
        result = kqt::callOnUi(&target, [&] {
            onUi = QThread::currentThread() == target.thread();
            return 42;
        });
    });
    QTRY_VERIFY(worker->hasReturned());
    EXPECT_TRUE(onUi.load());
    EXPECT_EQ(result, 42);
    // On the UI thread itself the call must not queue (it would wait for itself).
    EXPECT_EQ(kqt::callOnUi(&target, [] { return 7; }), 7);
}

} // namespace
