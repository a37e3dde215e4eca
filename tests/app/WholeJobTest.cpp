// The window with the real conversion job: files from two uses of Add Files converted
// exactly as kestrel-convert converts them, Abort in the middle of a file, and the
// message box for a movie that cannot be decoded.
#include "UiHelpers.h"

#include "app/ConverterApp.h"
#include "job/FilmCheck.h"
#include "res/Resource.h"
#include "support/AviTestWriter.h"
#include "support/Ffmpeg.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;
using testsupport::Bytes;

namespace {

Bytes soundOf(int frames, int seed)
{
    Bytes sound(static_cast<size_t>(frames) * 735);
    for (size_t i = 0; i < sound.size(); ++i)
        sound[i] = static_cast<uint8_t>(128 + ((i * static_cast<size_t>(3 + seed)) % 64) - 32);
    return sound;
}

// A small movie at 15 frames per second with 11025 Hz 8-bit mono sound; its frames and
// sound differ with seed.
testsupport::AviMovie movie(int frames, int seed, int width = 40, int height = 30)
{
    std::vector<Bytes> video;
    for (int f = 0; f < frames; ++f) {
        video.push_back(testsupport::dib24(width, height, [&](int x, int y) {
            return std::array<uint8_t, 3>{static_cast<uint8_t>(x * 6 + f * 9 + seed),
                                          static_cast<uint8_t>(y * 8 + seed * 3),
                                          static_cast<uint8_t>((x ^ y) * 5 + f)};
        }));
    }
    testsupport::AviMovie m;
    m.streams.push_back(testsupport::rawVideo(width, height, 24, video));
    m.streams.push_back(testsupport::pcmSound(1, 8, 11025, soundOf(frames, seed), 735));
    return m;
}

fs::path cpkFor(const fs::path& avi) { return fs::path(avi).replace_extension(".cpk"); }

void click(CConverterDlg* dlg, int id) { qobject_cast<QPushButton*>(dlg->dlgItem(id))->click(); }

// Runs the application on the given uses of Add Files; act runs once the job began.
int runApp(std::vector<QStringList> uses, int quality, std::function<void(CConverterDlg*)> act = {})
{
    auto pending = std::make_shared<std::vector<QStringList>>(std::move(uses));
    CConverterApp app({}, [pending](QWidget*) {
        QStringList next = pending->empty() ? QStringList() : pending->front();
        if (!pending->empty())
            pending->erase(pending->begin());
        return next;
    });
    const size_t count = pending->size();
    QTimer::singleShot(0, [&app, count, quality, act] {
        CConverterDlg* dlg = app.mainDialog();
        for (size_t i = 0; i < count; ++i)
            click(dlg, IDC_ADDFILES);
        qobject_cast<QSlider*>(dlg->dlgItem(IDC_QUALITY))->setValue(quality);
        click(dlg, kqt::kIdOk);
        if (act)
            act(dlg);
    });
    return app.run();
}

QString q(const fs::path& p) { return QString::fromStdString(p.string()); }

TEST(WholeJob, TwoDirectoryItemsConvertLikeTheCommandLineTool)
{
    testsupport::TempDir tmp;
    const fs::path first = tmp.path() / "first", second = tmp.path() / "second",
                   cli = tmp.path() / "cli";
    for (const fs::path& d : {first, second, cli})
        fs::create_directories(d);
    const struct {
        fs::path dir;
        const char* name;
        int frames, seed;
    } inputs[] = {{first, "b.avi", 4, 1}, {first, "a.avi", 3, 2}, {second, "c.avi", 5, 3}};
    for (const auto& in : inputs) {
        testsupport::writeAviFile(in.dir / in.name, movie(in.frames, in.seed));
        testsupport::writeAviFile(cli / in.name, movie(in.frames, in.seed));
    }

    EXPECT_EQ(runApp({{q(first / "b.avi"), q(first / "a.avi")}, {q(second / "c.avi")}}, 6000), 0);

    const std::string command = std::string(KESTREL_CONVERT) + " --quality 6000 " +
                                (cli / "a.avi").string() + " " + (cli / "b.avi").string() + " " +
                                (cli / "c.avi").string() + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const auto& in : inputs) {
        SCOPED_TRACE(in.name);
        const Bytes fromWindow = testsupport::readFileBytes(cpkFor(in.dir / in.name));
        ASSERT_FALSE(fromWindow.empty());
        EXPECT_TRUE(fromWindow == testsupport::readFileBytes(cpkFor(cli / in.name)));
    }
}

TEST(WholeJob, AbortMidFileKeepsItsTableAndBeginsNoFurtherFile)
{
    testsupport::TempDir tmp;
    const int frames = 150;
    testsupport::writeAviFile(tmp.file("long.avi"), movie(frames, 4, 64, 48));
    testsupport::writeAviFile(tmp.file("next.avi"), movie(3, 5));

    // The progress bar steps once per frame written; abort once it shows two.
    int framesWritten = 0;
    const int rc = runApp({{q(tmp.file("long.avi")), q(tmp.file("next.avi"))}}, 10000,
                          [&](CConverterDlg* dlg) {
        auto* bar = qobject_cast<QProgressBar*>(dlg->dlgItem(IDC_PROGRESS));
        QObject::connect(bar, &QProgressBar::valueChanged, dlg, [&framesWritten, dlg](int value) {
            framesWritten = value;
            if (value == 2)
                click(dlg, IDC_ABORT);
        });
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(framesWritten, 2) << "the frame in hand is finished, no further frame begun";

    jobtest::FilmMovie film;
    ASSERT_TRUE(jobtest::ReadFilm(cpkFor(tmp.file("long.avi")).string(), &film));
    jobtest::ExpectedMovie expected;
    expected.width = 64;
    expected.height = 48;
    expected.frames = static_cast<uint32_t>(framesWritten);
    expected.frameCount = frames;
    expected.rate = 15;
    expected.channels = 1;
    expected.bits = 8;
    expected.soundRate = 11025;
    expected.sound = soundOf(frames, 4);
    expected.soundWritten = false;
    jobtest::CheckFilm(film, expected);
    EXPECT_FALSE(fs::exists(cpkFor(tmp.file("next.avi"))));
}

TEST(WholeJob, UndecodableVideoGivesOneMessageBoxThatTheUserDismisses)
{
    testsupport::TempDir tmp;
    testsupport::AviMovie m = movie(2, 6);
    media::BitmapInfoHeader h;
    std::memcpy(&h, m.streams[0].format.data(), sizeof h);
    h.biCompression = media::makeFourCC('X', 'V', 'I', 'D'); // no decoder for it
    std::memcpy(m.streams[0].format.data(), &h, sizeof h);
    m.streams[0].handler = h.biCompression;
    testsupport::writeAviFile(tmp.file("odd.avi"), m);

    QList<testui::ModalSeen> seen;
    testui::clickEachModal(1, "OK", &seen, 20000);
    EXPECT_EQ(runApp({{q(tmp.file("odd.avi"))}}, 10000), 0);
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].title, QCoreApplication::applicationName());
    EXPECT_TRUE(seen[0].text.contains("cvid")) << seen[0].text.toStdString();
    // The file keeps its header and its (empty) sample table.
    jobtest::FilmMovie film;
    EXPECT_TRUE(jobtest::ReadFilm(cpkFor(tmp.file("odd.avi")).string(), &film));
}

TEST(WholeJob, StartWithAnEmptyListEndsTheProgram)
{
    EXPECT_EQ(runApp({}, 10000), 0);
}

} // namespace
